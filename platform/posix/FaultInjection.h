// Test-only control of the POSIX stand-in layer's file calls: counts the calls
// and makes a chosen one fail, so tests can walk every failure path the way
// sqlite's OS-layer tests do. Not exported from the plugin library.
#pragma once

#include "tansy_windows.h"

// The Windows calls of the layer that a test can make fail.
enum class TansyCall : unsigned { CreateFileA, ReadFile, CloseHandle, SetFilePointerEx };

// The system calls beneath them.
enum class TansySystemCall : unsigned { Stat, Open, Fstat, Fcntl, Flock, Read, Close, Seek };

// The n-th call of that kind from now on (1 = the next one) fails once with the
// Windows error `code` without doing anything; n = 0 cancels the plan. A failed
// CloseHandle still releases the descriptor, as a failed close(2) does.
void TansyFailNthCall(TansyCall call, unsigned n, DWORD code);

// The n-th system call of that kind from now on fails once with errno `error`
// instead of being made (a failing close still releases the descriptor).
void TansyFailNthSystemCall(TansySystemCall call, unsigned n, int error);

// Drops every planned failure and sets the call counters and the count of
// failures struck to zero. Handles stay open and stay counted.
void TansyClearFaults();

// Calls of that kind made since the last TansyClearFaults.
unsigned TansyCallCount(TansyCall call);

// Planned failures that have struck since the last TansyClearFaults.
unsigned TansyFaultsStruck();

// Handles that CreateFileA returned and CloseHandle has not closed yet.
unsigned TansyOpenHandleCount();
