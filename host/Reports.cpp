#include "Reports.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <vector>

#include "Failures.h"
#include "LineSearch.h"
#include "LinkedReaders.h"
#include "Passes.h"
#include "Utf8.h"

namespace host {

namespace {

// Makes the failed request again with the library's readers linked into
// tansy, on a walk and a text file of its own, up to the first value they
// cannot take: the offset just past the line that holds it, or 0 when the
// pass ends without one.
uint64_t FailingLineEnd(const ShortString& hotlist, const FailedRequest& request)
{
    TTextFile text;
    THotlistWalk walk(&text);
    try {
        if (request.verb.empty()) {
            WIN32_FIND_DATAA found;
            if (FindFirstEntry(walk, hotlist, request.path.c_str(), found))
                while (FindNextEntry(walk, found) == FS_FIND_MORE) {}
        } else {
            // Only "properties" does anything, and its scan reads every block.
            TTansyBookmarkUrl url;
            ScanEveryBlock(walk, hotlist, [&] { ReadBookmarkWithoutTexts(walk, url); }, [] {});
        }
    } catch (const EVariantError&) {
        // A block reader stops right after the line it could not take.
        return TextPlace(text).Offset;
    }
    return 0;
}

// A line of the file: its number, counting from 1, and where it begins.
struct LinePlace {
    uint64_t number = 1;
    uint64_t start = 0;
};

// The line whose last byte lies just before `end`: the LFs before that byte
// are counted, in one read of the file up to it.
LinePlace LineEndingAt(std::ifstream& in, uint64_t end)
{
    std::vector<char> block(kTextBufferSize);
    LinePlace line;
    for (uint64_t at = 0; at + 1 < end;) {
        const size_t count = static_cast<size_t>(std::min<uint64_t>(block.size(), end - 1 - at));
        if (!in.read(block.data(), static_cast<std::streamsize>(count))) break;
        const char* const stop = block.data() + count;
        for (const char* lf = FindLineFeed(block.data(), count); lf != nullptr;
             lf = FindLineFeed(lf + 1, static_cast<size_t>(stop - lf - 1))) {
            ++line.number;
            line.start = at + static_cast<uint64_t>(lf - block.data()) + 1;
        }
        at += count;
    }
    return line;
}

// The key and value of a field line, after its indent, as valid UTF-8 of at
// most 80 bytes; a longer text is cut at a character and marked "...".
std::string ShownFieldLine(std::string line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    std::string shown = ValidUtf8(line.substr(std::min<size_t>(1, line.size())));
    if (shown.size() <= 80) return shown;
    size_t cut = 77;
    while ((static_cast<unsigned char>(shown[cut]) & 0xC0) == 0x80) --cut;
    return shown.substr(0, cut) + "...";
}

// "; line N: TEXT" for the line that holds the value the library could not
// take, or nothing when it cannot be found.
std::string BadNumberHint(const Session& session, const FailedRequest& request)
{
    std::string ansi;
    // The library's file name, which holds at most 255 bytes.
    if (session.hotlistFile.empty() || !AnsiFromPath(session.hotlistFile, ansi) ||
        ansi.size() > sizeof ShortString::Chars)
        return {};
    try {
        UseLibraryCodePage();
        const uint64_t end = FailingLineEnd(ShortFromZString(ansi.c_str()), request);
        std::ifstream in(session.hotlistFile, std::ios::binary);
        if (end == 0 || !in) return {};
        const LinePlace line = LineEndingAt(in, end);
        std::string bytes(static_cast<size_t>(end - line.start), '\0');
        in.clear();
        in.seekg(static_cast<std::streamoff>(line.start));
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        bytes.resize(static_cast<size_t>(in.gcount()));
        return "; line " + std::to_string(line.number) + ": " + ShownFieldLine(bytes);
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
    // A listing the library gave up answers 4 too: folders listed inside one
    // another, deeper than the listings it keeps open.
    if (code == ERROR_TOO_MANY_OPEN_FILES)
        return action + ": too many open files or listings (error 4): the system would not open " +
               session.hotlistLabel + ", or the library gave the listing up, with more folders listed "
               "inside one another than it keeps";
    return action + ": cannot read " + session.hotlistLabel + ": " + ReasonOf(code);
}

}  // namespace host
