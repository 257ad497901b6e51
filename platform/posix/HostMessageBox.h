// The stand-in's message boxes can appear as the host's own dialogs: a Linux
// file manager hands the library its box (ExtensionInitialize), and the
// stand-in's MessageBoxA then shows every box through it, unless a harness
// hook observes them (tansy_harness.h).
#pragma once

// Shows a box: texts in UTF-8, the Windows MB_* style, the pressed button's ID back.
typedef int (*TansyHostMessageBox)(char* text, char* caption, long style);

// Null sends boxes back to standard error.
void TansyUseHostMessageBox(TansyHostMessageBox box);
