// The buffered text file: blocks read whole, lines cut out of them by one
// cutter (CutTextLine), one end test (InputEnded) and, for passes, the skip
// over plain lines.
#include "TextFile.h"

#include <algorithm>

#include "Failures.h"

namespace {

// Fetches the next block. False at the end of the input, and when the read
// failed (the failure is noted for the step to raise).
bool FillBuffer(TTextFile& file)
{
    if (file.Mode != tfInput) {
        file.Failure = ioFileNotOpenForInput;
        return false;
    }
    if (file.Ended) return false;
    file.BlockStart += file.Count;
    file.Count = file.Pos = 0;
    DWORD got = 0;
    if (!ReadFile(file.Handle, file.Buffer.data(), static_cast<DWORD>(file.Buffer.size()), &got,
                  nullptr)) {
        const DWORD code = GetLastError();
        if (code != ERROR_BROKEN_PIPE) {
            file.Failure = static_cast<int32_t>(code);
            return false;
        }
        got = 0;
    }
    file.Pos = 0;
    file.Count = got;
    if (got == 0) file.Ended = true;
    // The block's CRs are sought when a line is first cut in it: passes that
    // skip whole blocks never look for them.
    file.NextCr = 0;
    return got != 0;
}

// True when no byte is left or the next byte is 0x1A. A failed read counts as
// the end; its code is kept in file.Failure.
bool InputEnded(TTextFile& file)
{
    if (file.Pos == file.Count && !FillBuffer(file)) return true;
    return file.Buffer[file.Pos] == 0x1A;
}

// True when the block holds a CR among the `length` bytes at the read position.
bool CrWithin(TTextFile& file, size_t length)
{
    if (file.NextCr <= file.Pos) {
        const char* from = file.Buffer.data() + file.Pos;
        const char* cr = FindByte(from, file.Count - file.Pos, '\r');
        file.NextCr = cr ? static_cast<size_t>(cr - file.Buffer.data()) : file.Count;
    }
    return file.NextCr < file.Pos + length;
}

void DropCarriageReturns(AnsiString& line)
{
    const char* cr = FindByte(line.data(), line.size(), '\r');
    if (cr == nullptr) return;
    line.erase(std::remove(line.begin() + (cr - line.data()), line.end(), '\r'), line.end());
}

// The line at the read position gathered into file.Spill, block by block.
std::string_view ReadSpilledLine(TTextFile& file)
{
    AnsiString& line = file.Spill;
    line.clear();
    for (;;) {
        if (file.Pos == file.Count && !FillBuffer(file)) break;
        const char* start = file.Buffer.data() + file.Pos;
        const size_t available = file.Count - file.Pos;
        const char* lf = FindLineFeed(start, available);
        const size_t length = lf ? static_cast<size_t>(lf - start) : available;
        line.append(start, length);
        file.Pos += lf ? length + 1 : length;
        if (lf != nullptr) break;
    }
    DropCarriageReturns(line);
    return line;
}

// The length of the line's text when the `length` bytes at the read position
// (up to an LF) hold no CR but one right before the LF; npos otherwise.
size_t InPlaceLength(TTextFile& file, size_t length)
{
    if (!CrWithin(file, length)) return length;
    return file.NextCr + 1 == file.Pos + length ? length - 1 : std::string_view::npos;
}

}  // namespace

void OpenTextForReading(TTextFile& file, const ShortString& name)
{
    if (file.Mode == tfInput) CloseHandle(file.Handle);
    file.Name = name;
    file.Mode = tfClosed;
    file.Handle = nullptr;
    file.BlockStart = 0;
    file.Pos = file.Count = file.NextCr = 0;
    file.Ended = false;
    file.Failure = 0;
    // An unconfigured name must not fall back to the host's standard input:
    // the file manager's console is no hotlist.
    if (name.Length == 0) RaiseInOutError(ERROR_FILE_NOT_FOUND);
    if (file.Buffer.size() != kTextBufferSize) file.Buffer.resize(kTextBufferSize);
    const AnsiString path = AnsiFromShort(name);
    const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) RaiseInOutError(static_cast<int32_t>(GetLastError()));
    file.Handle = handle;
    file.Mode = tfInput;
}

TTextPlace TextPlace(const TTextFile& file)
{
    return {file.BlockStart + file.Pos, file.Ended};
}

void OpenTextAt(TTextFile& file, const ShortString& name, TTextPlace place)
{
    OpenTextForReading(file, name);
    file.Ended = place.Ended;
    if (place.Ended || place.Offset == 0) return;
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<int64_t>(place.Offset);
    if (!SetFilePointerEx(file.Handle, distance, nullptr, FILE_BEGIN))
        RaiseInOutError(static_cast<int32_t>(GetLastError()));
    file.BlockStart = place.Offset;
}

void CloseTextFile(TTextFile& file)
{
    if (file.Mode != tfInput) RaiseInOutError(ioFileNotOpen);
    file.Mode = tfClosed;
    file.Pos = file.Count = 0;
    const HANDLE handle = file.Handle;
    file.Handle = nullptr;
    if (!CloseHandle(handle)) RaiseInOutError(static_cast<int32_t>(GetLastError()));
}

std::string_view CutTextLine(TTextFile& file)
{
    if (file.Pos < file.Count) {
        const char* start = file.Buffer.data() + file.Pos;
        if (const char* lf = FindLineFeed(start, file.Count - file.Pos - 1)) {
            const size_t length = static_cast<size_t>(lf - start);
            const size_t text = InPlaceLength(file, length);
            if (text != std::string_view::npos) {
                file.Pos += length + 1;
                return {start, text};
            }
        }
    }
    return ReadSpilledLine(file);
}

bool TextAtEnd(TTextFile& file)
{
    const bool ended = InputEnded(file);
    // Only a read can fail, and a read that failed leaves no byte to read.
    if (file.Pos == file.Count) RaiseTextFailure(file);
    return ended;
}

bool IsPlainLine(std::string_view text, TLineMarkers markers)
{
    if (text.empty() || !BeginsMarkedText(static_cast<unsigned char>(text[0]))) return true;
    if (markers.empty()) return false;
    // Every code page keeps the ASCII bytes before the first other byte as
    // they are; what becomes of the rest, the code page alone decides.
    const auto ascii = [](char c) { return static_cast<unsigned char>(c) < 0x80; };
    const std::string_view kept(text.begin(), std::find_if_not(text.begin(), text.end(), ascii));
    return std::none_of(markers.begin(), markers.end(), [&](std::string_view marker) {
        return kept.size() == text.size() ? marker == text : marker.starts_with(kept);
    });
}

namespace {

const char* LastLineFeed(const char* bytes, size_t n)
{
    for (size_t i = n; i > 0; --i)
        if (bytes[i - 1] == '\n') return bytes + i - 1;
    return nullptr;
}

// The line starts a search stops at for a pass that reacts only to
// `markers`: a "#" line whose second byte is ASCII, no LF or CR, and the
// second byte of none of the markers is plain for it (IsPlainLine).
TMarkStarts MarkStartsOf(TLineMarkers markers)
{
    TMarkStarts starts;
    if (markers.empty()) return starts;
    size_t used = 0;
    for (const std::string_view marker : markers) {
        // A search stops at every "-" line, and where a "#" line ends at once.
        if (marker.size() < 2 || marker[0] != '#') continue;
        if (used == starts.AfterHash.size()) return TMarkStarts();
        starts.AfterHash[used++] = marker[1];
    }
    const char unused = used > 0 ? starts.AfterHash[0] : '\r';
    std::fill(starts.AfterHash.begin() + static_cast<ptrdiff_t>(used), starts.AfterHash.end(), unused);
    starts.EveryHashLine = false;
    return starts;
}

// Moves the read position over the plain lines at it that a pass would read
// on past: those that begin in the block with no line start that `starts`
// may react to (MayBeginMarkedLine) and are followed in the block by a line
// that does not begin with 0x1A.
void PassPlainRun(TTextFile& file, const TMarkStarts& starts)
{
    if (file.Pos == file.Count) return;
    const char* here = file.Buffer.data() + file.Pos;
    const size_t rest = file.Count - file.Pos;
    if (MayBeginMarkedLine(here, rest, starts)) return;
    const char* beforeMark = FindLineBeforeMark(here, rest, starts);
    if (beforeMark != nullptr && beforeMark[1] != 0x1A) {
        file.Pos += static_cast<size_t>(beforeMark + 1 - here);
        return;
    }
    // The line before the 0x1A, or the last that begins in the block, is read.
    const char* lastBreak = LastLineFeed(here, beforeMark ? static_cast<size_t>(beforeMark - here) : rest - 1);
    if (lastBreak != nullptr) file.Pos += static_cast<size_t>(lastBreak + 1 - here);
}

// SkipPlainLines, with the line starts its search stops at.
bool SkipLinesFrom(TTextFile& file, std::string_view& line, TLineMarkers markers, const TMarkStarts& starts)
{
    for (;;) {
        PassPlainRun(file, starts);
        line = CutTextLine(file);
        if (file.Failure != 0) return false;
        if (!IsPlainLine(line, markers)) return true;
        if (InputEnded(file)) return false;
    }
}

constexpr TMarkStarts kEveryHashLine;

}  // namespace

bool SkipPlainLines(TTextFile& file, std::string_view& line, TLineMarkers markers)
{
    // The default starts are a constant: starts stored right before a search
    // reads them make it wait for the stores, once a call.
    if (markers.empty()) return SkipLinesFrom(file, line, markers, kEveryHashLine);
    const TMarkStarts starts = MarkStartsOf(markers);
    return SkipLinesFrom(file, line, markers, starts);
}

void RaiseTextFailure(TTextFile& file)
{
    if (file.Failure == 0) return;
    const int32_t code = file.Failure;
    file.Failure = 0;
    RaiseInOutError(code);
}
