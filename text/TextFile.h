// A buffered, forward-only reader over one file handle. Reads fetch whole
// blocks; lines are cut out of the block buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "LineSearch.h"
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
    AnsiString Spill;          // a line that runs past a block, or lost a CR; kept likewise
    uint64_t BlockStart = 0;   // where in the file Buffer's first byte lies
    size_t Pos = 0;            // next unread byte in Buffer
    size_t Count = 0;          // bytes of Buffer that hold data
    size_t NextCr = 0;         // first CR at or after Pos in Buffer, or Count; sought again unless > Pos
    bool Ended = false;        // a read gave 0 bytes; the end stays the end
    int32_t Failure = 0;       // code of a failed step, raised when the step completes
};

constexpr size_t kTextBufferSize = 64 * 1024;

void OpenTextForReading(TTextFile& file, const ShortString& name);

// Where a reader stands in its file: enough to go on from there with a new
// handle, once the reader has served another pass in between.
struct TTextPlace {
    uint64_t Offset = 0;  // the next unread byte
    bool Ended = false;   // the input had ended; it stays ended
};
TTextPlace TextPlace(const TTextFile& file);
// OpenTextForReading, then on from `place` instead of the first byte.
void OpenTextAt(TTextFile& file, const ShortString& name, TTextPlace place);
void CloseTextFile(TTextFile& file);

// Cuts the line at the read position (its bytes up to the next LF or the end
// of the input, without their CRs) and steps past its break.
// The bytes lie in the block buffer when they can, else in file.Spill, and
// stay valid until the next line is cut: no line is left in the block that
// ends at its last byte, so the end test never reads a block over one. A
// failed read is kept in file.Failure; the caller raises it with
// RaiseTextFailure once the line is stored.
std::string_view CutTextLine(TTextFile& file);

// CutTextLine, with its common case inline: a line that lies whole in the
// block, before its last byte, and holds no CR.
inline std::string_view ReadTextLine(TTextFile& file)
{
    // (Only a file open for input has bytes in its block.)
    if (file.Pos < file.Count) {
        const char* start = file.Buffer.data() + file.Pos;
        if (const char* lf = FindLineFeed(start, file.Count - file.Pos - 1)) {
            const size_t length = static_cast<size_t>(lf - start);
            if (file.NextCr >= file.Pos + length) {
                file.Pos += length + 1;
                return {start, length};
            }
        }
    }
    return CutTextLine(file);
}

// True when no byte is left or the next byte is 0x1A (Ctrl-Z).
// Raises the I/O failure when it had to read and the read failed.
bool TextAtEnd(TTextFile& file);

// The whole-line markers a pass reacts to, each beginning with "#" or "-";
// none named stands for every line that begins with "#" or "-".
using TLineMarkers = std::span<const std::string_view>;

// Whether a pass that reacts only to `markers` may pass over the line of this
// text (a line's bytes without CRs), whatever the ANSI code page.
// So it may when the text is empty or begins with a byte that begins no
// marked line (BeginsMarkedText); with markers named, also when it is ASCII
// and none of them, or when its ASCII bytes before the first other byte begin
// none of them (the code page keeps those as they are).
bool IsPlainLine(std::string_view text, TLineMarkers markers = {});

// Reads lines as ReadTextLine does for as long as each one read is plain
// (IsPlainLine for `markers`) and the input has not ended after it
// (TextAtEnd's test, made before each further line). `line` gets the bytes of
// the last line read, valid as ReadTextLine's. True when that line is not
// plain; false when the input ended after a plain line, or a step failed
// (kept in file.Failure, as by ReadTextLine).
bool SkipPlainLines(TTextFile& file, std::string_view& line, TLineMarkers markers = {});
void RaiseTextFailure(TTextFile& file);
