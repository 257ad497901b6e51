#include "Reports.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>

#include "Boxes.h"
#include "Folders.h"
#include "Utf8.h"

namespace host {

namespace fs = std::filesystem;

namespace {

// Hotlist lines are cut after their "\n": a cut is the offset just past one,
// or the file's size.

// The first cut after `from`.
uint64_t NextCut(std::ifstream& in, uint64_t from, uint64_t size)
{
    char buffer[4096];
    in.clear();
    in.seekg(static_cast<std::streamoff>(from));
    for (uint64_t at = from; at < size;) {
        const size_t count = static_cast<size_t>(std::min<uint64_t>(sizeof(buffer), size - at));
        if (!in.read(buffer, static_cast<std::streamsize>(count))) break;
        if (const void* newline = std::memchr(buffer, '\n', count))
            return at + static_cast<uint64_t>(static_cast<const char*>(newline) - buffer) + 1;
        at += count;
    }
    return size;
}

// The last cut in (floor, to], or `floor` when there is none.
uint64_t PreviousCut(std::ifstream& in, uint64_t floor, uint64_t to)
{
    char buffer[4096];
    while (to > floor) {
        const size_t count = static_cast<size_t>(std::min<uint64_t>(sizeof(buffer), to - floor));
        in.clear();
        in.seekg(static_cast<std::streamoff>(to - count));
        if (!in.read(buffer, static_cast<std::streamsize>(count))) break;
        for (size_t i = count; i-- > 0;)
            if (buffer[i] == '\n') return to - count + i + 1;
        to -= count;
    }
    return floor;
}

std::string ReadBytes(std::ifstream& in, uint64_t from, uint64_t to)
{
    std::string bytes(static_cast<size_t>(to - from), '\0');
    in.clear();
    in.seekg(static_cast<std::streamoff>(from));
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    return bytes;
}

uint64_t CountLineEnds(std::ifstream& in, uint64_t to)
{
    char buffer[65536];
    uint64_t count = 0;
    in.clear();
    in.seekg(0);
    for (uint64_t at = 0; at < to;) {
        const size_t chunk = static_cast<size_t>(std::min<uint64_t>(sizeof(buffer), to - at));
        if (!in.read(buffer, static_cast<std::streamsize>(chunk))) break;
        count += static_cast<uint64_t>(std::count(buffer, buffer + chunk, '\n'));
        at += chunk;
    }
    return count;
}

// The scratch library's hotlist, made the first `length` bytes of the real
// one: cut short, or filled up from it.
void MakeFirstPart(const fs::path& scratch, uint64_t& length, std::ifstream& in, uint64_t wanted)
{
    if (wanted < length) {
        fs::resize_file(scratch, wanted);
    } else if (wanted > length) {
        std::ofstream out(scratch, std::ios::binary | std::ios::app);
        for (uint64_t at = length; at < wanted;) {
            const uint64_t chunk = std::min<uint64_t>(wanted - at, 1 << 20);
            const std::string bytes = ReadBytes(in, at, at + chunk);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            if (bytes.size() != chunk) break;
            at += chunk;
        }
        out.close();
        if (!out) throw fs::filesystem_error("cannot write", scratch, std::make_error_code(std::errc::io_error));
    }
    length = wanted;
}

// The request fails again, with a value that is not a number.
bool FailsWithBadNumber(Session& scratch, const FailedRequest& request)
{
    if (request.verb.empty()) {
        const FolderListing listing = ListingOf(scratch, request.path);
        return listing.outcome == ListOutcome::Failed && listing.error == ERROR_INVALID_DATA;
    }
    const ExecuteAnswer answer = CallExecuteFile(scratch.plugin, nullptr, request.path, request.verb);
    return answer.result == FS_EXEC_ERROR && answer.error == ERROR_INVALID_DATA;
}

// The boxes of the scratch library are nobody's.
struct MutedBoxes {
    MessageBoxListener saved = SetMessageBoxListener(nullptr);
    ~MutedBoxes() { SetMessageBoxListener(std::move(saved)); }
};

// The cut after the line at which the request fails: the library reads the
// file from its start and stops at the first value it cannot take, so the
// request fails on a first part of the file exactly when that part holds the
// line. Bisection over first parts, made in a scratch copy of the library; 0
// when the whole file does not fail there.
uint64_t FailingCut(const Session& session, const FailedRequest& request, std::ifstream& in, uint64_t size)
{
    Session scratch;
    std::string error;
    if (!OpenScratchSession(session, scratch, error)) return 0;
    const MutedBoxes muted;
    if (scratch.plugin.fs.FsInit) CallInit(scratch.plugin, 0, nullptr);
    uint64_t length = 0;
    MakeFirstPart(scratch.hotlistFile, length, in, size);
    if (!FailsWithBadNumber(scratch, request)) return 0;
    uint64_t passes = 0;
    uint64_t fails = size;
    for (;;) {
        const uint64_t middle = passes + (fails - passes) / 2;
        uint64_t cut = PreviousCut(in, passes, middle);
        if (cut == passes) cut = NextCut(in, middle, size);
        if (cut >= fails) return fails;
        MakeFirstPart(scratch.hotlistFile, length, in, cut);
        if (FailsWithBadNumber(scratch, request))
            fails = cut;
        else
            passes = cut;
    }
}

// " ; line N: TEXT" for the line that holds the value the library could not
// take, or nothing when it cannot be found.
std::string BadNumberHint(const Session& session, const FailedRequest& request)
{
    if (session.hotlistFile.empty() || session.libraryFile.empty()) return {};
    try {
        std::ifstream in(session.hotlistFile, std::ios::binary);
        const uint64_t size = fs::file_size(session.hotlistFile);
        if (!in) return {};
        const uint64_t end = FailingCut(session, request, in, size);
        if (end == 0) return {};
        const uint64_t start = PreviousCut(in, 0, end - 1);
        std::string line = ReadBytes(in, start, end);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        // The key and value after the line's indent.
        std::string shown = ValidUtf8(line.substr(std::min<size_t>(1, line.size())));
        if (shown.size() > 80) shown = shown.substr(0, 77) + "...";
        return "; line " + std::to_string(CountLineEnds(in, start) + 1) + ": " + shown;
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace

std::string ReasonOf(DWORD code)
{
    switch (code) {
    case 2: return "File not found";
    case 3: return "Path not found";
    case 4: return "Too many open files";
    case 5: return "File access denied";
    case 8: return "Out of memory";
    case 13: return "a value is not a number";
    case 32: return "File in use by another process";
    case 103: return "File not open";
    case 104: return "File not open for input";
    case 123: return "Invalid file name";
    case 206: return "File name too long";
    default: return "I/O error " + std::to_string(code);
    }
}

std::string FailureReport(const Session& session, const std::string& action, DWORD code,
                          const FailedRequest& request)
{
    if (code == ERROR_NOT_ENOUGH_MEMORY) return action + ": the library ran out of memory";
    if (code == ERROR_INVALID_DATA)
        return action + ": " + session.hotlistLabel + " holds a value that is not a number" +
               BadNumberHint(session, request);
    return action + ": cannot read " + session.hotlistLabel + ": " + ReasonOf(code);
}

}  // namespace host
