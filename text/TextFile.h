// A buffered, forward-only reader over one file handle. Reads fetch whole
// blocks; lines are cut out of the block buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
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
    size_t NextCr = 0;         // first CR at or after Pos in Buffer, or Count; valid while >= Pos
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
// ReadTextLine without the copy where it can: a line that lies whole in the
// block buffer and holds no CR is handed out in place; any other line is read
// into `spill`. The text stays valid until the next step of the reader.
// `ascii`, when given, tells whether every byte of the line is below 0x80.
std::string_view ReadTextLineInPlace(TTextFile& file, AnsiString& spill, bool* ascii = nullptr);
// True when no byte is left or the next byte is 0x1A (Ctrl-Z). Raises the
// I/O failure when it had to read and the read failed.
bool TextAtEnd(TTextFile& file);

// Reads lines as ReadTextLine does for as long as each one read is plain and
// the input has not ended after it (TextAtEnd's test, made before each further
// line). A plain line is empty, or its first byte is an ASCII character other
// than "#" and "-". Plain lines are looked at in the block buffer, not copied;
// only the bytes of the last line read are left in `line`. True when that line
// is not plain; false when the input ended after a plain line, or a step
// failed (kept in file.Failure, as by ReadTextLine).
bool SkipPlainLines(TTextFile& file, AnsiString& line);
void RaiseTextFailure(TTextFile& file);
