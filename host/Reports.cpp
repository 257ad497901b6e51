#include "Reports.h"

#include <charconv>
#include <cstdint>
#include <fstream>

#include "Utf8.h"

namespace host {

namespace {

// A field value as the library reads a number: blanks, a sign and decimal
// digits, within 32 bits. (Windows also takes a few locale forms; a value it
// takes and this does not is only ever named as a hint.)
bool PlainNumber(const std::string& value)
{
    size_t begin = value.find_first_not_of(" \t");
    size_t end = value.find_last_not_of(" \t");
    if (begin == std::string::npos) return false;
    std::string digits = value.substr(begin, end - begin + 1);
    if (digits.size() > 1 && digits[0] == '+' && digits[1] != '-') digits.erase(0, 1);
    int32_t number = 0;
    const auto [stop, failure] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    return failure == std::errc() && stop == digits.data() + digits.size();
}

// The keys whose values the library reads as numbers, found as it finds keys:
// by the text after the line's first character, in the library's key order
// (so "IDENTITY" is ID, and "PANEL_POS" never hides behind "PERSONALBAR_POS").
bool NumericKey(const std::string& line, bool bookmark)
{
    static const struct {
        const char* key;
        bool numeric;
        bool bookmarkOnly;
    } keys[] = {{"ID", true, false},          {"NAME", false, false},         {"DESCRIPTION", false, false},
                {"SHORT NAME", false, false}, {"ON PERSONALBAR", false, false}, {"PERSONALBAR_POS", true, false},
                {"TRASH FOLDER", false, false}, {"URL", false, false},        {"CREATED", true, false},
                {"VISITED", true, false},     {"ICONFILE", false, false},     {"ACTIVE", false, false},
                {"IN PANEL", false, false},   {"PANEL_POS", true, true}};
    if (line.empty()) return false;
    for (const auto& key : keys)
        if (line.compare(1, std::char_traits<char>::length(key.key), key.key) == 0)
            return key.numeric && (bookmark || !key.bookmarkOnly);
    return false;
}

// The first field line of a folder or bookmark block whose number the
// library cannot read: " (line N: TEXT)", or nothing.
std::string BadNumberHint(const Session& session)
{
    if (session.hotlistFile.empty()) return {};
    std::ifstream in(session.hotlistFile, std::ios::binary);
    std::string line;
    enum { Between, Folder, Bookmark } block = Between;
    for (size_t number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) {
            block = Between;
        } else if (block == Between) {
            if (line == "#FOLDER") block = Folder;
            if (line == "#URL") block = Bookmark;
        } else if (NumericKey(line, block == Bookmark)) {
            const size_t equals = line.find('=');
            if (!PlainNumber(equals == std::string::npos ? line : line.substr(equals + 1))) {
                std::string shown = ValidUtf8(line.substr(1));
                if (shown.size() > 80) shown = shown.substr(0, 77) + "...";
                return "; line " + std::to_string(number) + ": " + shown;
            }
        }
    }
    return {};
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

std::string FailureReport(const Session& session, const std::string& action, DWORD code)
{
    if (code == ERROR_NOT_ENOUGH_MEMORY) return action + ": the library ran out of memory";
    if (code == ERROR_INVALID_DATA)
        return action + ": " + session.hotlistLabel + " holds a value that is not a number" +
               BadNumberHint(session);
    return action + ": cannot read " + session.hotlistLabel + ": " + ReasonOf(code);
}

std::string ShownPath(const std::string& path)
{
    return Utf8FromAnsi(path);
}

}  // namespace host
