// A buffered, forward-only reader over one file handle. Reads fetch whole
// blocks; lines are cut out of the block buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "Text.h"
#include "tansy_windows.h"

enum TTextFileMode { tfUnbound, tfClosed, tfInput };

struct TTextFile {
    constexpr TTextFile() = default;
    TTextFile(const TTextFile&) = delete;
    TTextFile& operator=(const TTextFile&) = delete;
    // A file still open when the reader goes away is closed, not leaked.
    constexpr ~TTextFile()
    {
        if (Mode == tfInput) CloseHandle(Handle);
    }

    TTextFileMode Mode = tfUnbound;
    HANDLE Handle = nullptr;
    ShortString Name;
    std::vector<char> Buffer;  // kept across opens, so passes reuse it
    size_t Pos = 0;            // next unread byte in Buffer
    size_t Count = 0;          // bytes of Buffer that hold data
    bool Ended = false;        // a read gave 0 bytes; the end stays the end
    int32_t Failure = 0;       // code of a failed step, raised when the step completes
};

constexpr size_t kTextBufferSize = 64 * 1024;

void OpenTextForReading(TTextFile& file, const ShortString& name);
void CloseTextFile(TTextFile& file);

// Reads the bytes of one line into `line` (up to LF or CR LF, a lone CR
// dropped) and steps past its break. A failed read is kept in file.Failure;
// the caller raises it with RaiseTextFailure once the line is stored.
void ReadTextLine(TTextFile& file, AnsiString& line);
// True when no byte is left or the next byte is 0x1A (Ctrl-Z). Raises the
// I/O failure when it had to read and the read failed.
bool TextAtEnd(TTextFile& file);
void RaiseTextFailure(TTextFile& file);
