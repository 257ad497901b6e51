#include "TextFile.h"

#include <algorithm>
#include <cstring>

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
    // One search per block: files with LF breaks have no CR to drop at all.
    const char* cr = FindByte(file.Buffer.data(), got, '\r');
    file.NextCr = cr ? static_cast<size_t>(cr - file.Buffer.data()) : got;
    return got != 0;
}

// True when the block holds a CR among the `length` bytes at the read position.
bool CrWithin(TTextFile& file, size_t length)
{
    if (file.NextCr < file.Pos) {
        const char* from = file.Buffer.data() + file.Pos;
        const char* cr = FindByte(from, file.Count - file.Pos, '\r');
        file.NextCr = cr ? static_cast<size_t>(cr - file.Buffer.data()) : file.Count;
    }
    return file.NextCr < file.Pos + length;
}

void DropCarriageReturns(AnsiString& line)
{
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (FindByte(line.data(), line.size(), '\r') == nullptr) return;
    size_t kept = 0;
    for (const char c : line)
        if (c != '\r') line[kept++] = c;
    line.resize(kept);
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

namespace {

// A line that does not lie whole in the block buffer, or that holds a CR,
// read into file.Spill.
void ReadSpilledLine(TTextFile& file)
{
    AnsiString& line = file.Spill;
    line.clear();
    if (file.Mode != tfInput) {
        file.Failure = ioFileNotOpenForInput;
        return;
    }
    bool crSeen = false;
    for (;;) {
        if (file.Pos == file.Count && !FillBuffer(file)) break;
        const char* start = file.Buffer.data() + file.Pos;
        const size_t available = file.Count - file.Pos;
        const char* lf = FindLineFeed(start, available);
        const size_t length = lf ? static_cast<size_t>(lf - start) : available;
        crSeen = crSeen || CrWithin(file, length);
        line.append(start, length);
        file.Pos += length;
        if (lf != nullptr) {
            ++file.Pos;
            break;
        }
    }
    // A CR before the LF belongs to the break; any other CR is dropped.
    if (crSeen) DropCarriageReturns(line);
}

// The length of the line's text when the `length` bytes at the read position
// (up to an LF) hold no CR but one right before the LF; npos otherwise.
size_t InPlaceLength(TTextFile& file, size_t length)
{
    if (!CrWithin(file, length)) return length;
    return file.NextCr + 1 == file.Pos + length ? length - 1 : std::string_view::npos;
}

}  // namespace

std::string_view ReadAnyTextLine(TTextFile& file)
{
    if (file.Mode == tfInput && file.Pos < file.Count) {
        const char* start = file.Buffer.data() + file.Pos;
        if (const char* lf = FindLineFeed(start, file.Count - file.Pos)) {
            const size_t length = static_cast<size_t>(lf - start);
            const size_t text = InPlaceLength(file, length);
            if (text != std::string_view::npos) {
                file.Pos += length + 1;
                return {start, text};
            }
        }
    }
    ReadSpilledLine(file);
    return file.Spill;
}

bool TextAtEnd(TTextFile& file)
{
    if (file.Pos == file.Count && !FillBuffer(file)) {
        RaiseTextFailure(file);
        return true;
    }
    return file.Buffer[file.Pos] == 0x1A;
}

namespace {

// Whether the line of these bytes, CRs still in, is plain: its text (the
// bytes without their CRs) is empty or begins with an ASCII character other
// than "#" and "-".
bool IsPlainLine(const char* bytes, size_t length)
{
    size_t first = 0;
    while (first < length && bytes[first] == '\r') ++first;
    if (first == length) return true;
    const auto c = static_cast<unsigned char>(bytes[first]);
    return c < 0x80 && c != '#' && c != '-';
}

const char* LastLineFeed(const char* bytes, size_t n)
{
    for (size_t i = n; i > 0; --i)
        if (bytes[i - 1] == '\n') return bytes + i - 1;
    return nullptr;
}

// The plain lines read last while they lie in the block buffer, from First
// to the LF at End that ends the last of them.
struct TPlainRun {
    bool InBuffer = false;
    size_t First = 0;
    size_t End = 0;
};

// Moves the last line of the run out of the block buffer, which the next
// block overwrites, and makes it the line read.
void KeepLastLine(TTextFile& file, TPlainRun& run, std::string_view& line)
{
    if (!run.InBuffer) return;
    const char* base = file.Buffer.data();
    const char* lf = LastLineFeed(base + run.First, run.End - run.First);
    const size_t start = lf ? static_cast<size_t>(lf - base) + 1 : run.First;
    file.Spill.assign(base + start, run.End - start);
    DropCarriageReturns(file.Spill);
    line = file.Spill;
    run.InBuffer = false;
}

// Reads over a run of plain lines that lie whole in the block, as far as
// the first line that may not be plain; false when the line at the read
// position does not begin one.
bool SkipPlainRun(TTextFile& file, TPlainRun& run)
{
    const char* here = file.Buffer.data() + file.Pos;
    const size_t rest = file.Count - file.Pos;
    if (MayBeginMarkedLine(*here)) return false;
    const char* end = FindLineBeforeMark(here, rest);
    if (end == nullptr) end = LastLineFeed(here, rest);
    if (end == nullptr) return false;
    run = {true, file.Pos, static_cast<size_t>(end - file.Buffer.data())};
    file.Pos = run.End + 1;
    return true;
}

}  // namespace

bool SkipPlainLines(TTextFile& file, std::string_view& line)
{
    TPlainRun run;
    for (;;) {
        const bool inBlock = file.Mode == tfInput && file.Pos < file.Count;
        if (inBlock && SkipPlainRun(file, run)) {
            // Every line of the run was plain; the next one may not be.
        } else if (const char* lf = inBlock ? FindLineFeed(file.Buffer.data() + file.Pos, file.Count - file.Pos)
                                            : nullptr) {
            const size_t start = file.Pos;
            const size_t length = static_cast<size_t>(lf - file.Buffer.data()) - start;
            if (!IsPlainLine(file.Buffer.data() + start, length)) {
                const size_t text = InPlaceLength(file, length);
                file.Pos += length + 1;
                if (text != std::string_view::npos) {
                    line = std::string_view(file.Buffer.data() + start, text);
                } else {
                    file.Spill.assign(file.Buffer.data() + start, length);
                    DropCarriageReturns(file.Spill);
                    line = file.Spill;
                }
                return true;
            }
            file.Pos += length + 1;
            run = {true, start, start + length};
        } else {
            // The line runs on past the block, or the block is used up.
            run.InBuffer = false;
            ReadSpilledLine(file);
            line = file.Spill;
            if (file.Failure != 0) return false;
            if (!IsPlainLine(line.data(), line.size())) return true;
        }
        // The end test before the next line; a new block overwrites the old.
        if (file.Pos == file.Count) {
            KeepLastLine(file, run, line);
            if (!FillBuffer(file)) return false;
        }
        if (file.Buffer[file.Pos] == 0x1A) {
            KeepLastLine(file, run, line);
            return false;
        }
    }
}

void RaiseTextFailure(TTextFile& file)
{
    if (file.Failure == 0) return;
    const int32_t code = file.Failure;
    file.Failure = 0;
    RaiseInOutError(code);
}
