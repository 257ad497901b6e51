#include "TextFile.h"

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
    return got != 0;
}

void DropCarriageReturns(AnsiString& line)
{
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (std::memchr(line.data(), '\r', line.size()) == nullptr) return;
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
    file.Pos = file.Count = 0;
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

void CloseTextFile(TTextFile& file)
{
    if (file.Mode != tfInput) RaiseInOutError(ioFileNotOpen);
    file.Mode = tfClosed;
    file.Pos = file.Count = 0;
    const HANDLE handle = file.Handle;
    file.Handle = nullptr;
    if (!CloseHandle(handle)) RaiseInOutError(static_cast<int32_t>(GetLastError()));
}

void ReadTextLine(TTextFile& file, AnsiString& line)
{
    line.clear();
    if (file.Mode != tfInput) {
        file.Failure = ioFileNotOpenForInput;
        return;
    }
    for (;;) {
        if (file.Pos == file.Count && !FillBuffer(file)) break;
        const char* start = file.Buffer.data() + file.Pos;
        const size_t available = file.Count - file.Pos;
        const void* lf = std::memchr(start, '\n', available);
        if (lf == nullptr) {
            line.append(start, available);
            file.Pos = file.Count;
            continue;
        }
        const size_t length = static_cast<size_t>(static_cast<const char*>(lf) - start);
        line.append(start, length);
        file.Pos += length + 1;
        break;
    }
    // A CR before the LF belongs to the break; any other CR is dropped.
    DropCarriageReturns(line);
}

bool TextAtEnd(TTextFile& file)
{
    if (file.Pos == file.Count && !FillBuffer(file)) {
        RaiseTextFailure(file);
        return true;
    }
    return file.Buffer[file.Pos] == 0x1A;
}

void RaiseTextFailure(TTextFile& file)
{
    if (file.Failure == 0) return;
    const int32_t code = file.Failure;
    file.Failure = 0;
    RaiseInOutError(code);
}
