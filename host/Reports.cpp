#include "Reports.h"

#include <charconv>
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <vector>

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

struct FieldKey {
    const char* text;
    bool numeric;
    bool bookmarkOnly;  // a folder block does not read it
};

// The keys as the library finds them: by the text after the line's first
// character, in the library's order (so "IDENTITY" is ID).
const FieldKey* KeyOf(const std::string& line)
{
    static const FieldKey keys[] = {
        {"ID", true, false},           {"NAME", false, false},          {"DESCRIPTION", false, false},
        {"SHORT NAME", false, false},  {"ON PERSONALBAR", false, false}, {"PERSONALBAR_POS", true, false},
        {"TRASH FOLDER", false, false}, {"URL", false, false},          {"CREATED", true, false},
        {"VISITED", true, false},      {"ICONFILE", false, false},      {"ACTIVE", false, false},
        {"IN PANEL", false, false},    {"PANEL_POS", true, true}};
    if (line.empty()) return nullptr;
    for (const FieldKey& key : keys)
        if (line.compare(1, std::char_traits<char>::length(key.text), key.text) == 0) return &key;
    return nullptr;
}

// The text after the line's first "=", or the whole line without one.
std::string ValueOf(const std::string& line)
{
    const size_t equals = line.find('=');
    return equals == std::string::npos ? line : line.substr(equals + 1);
}

// "\A\B" as {"A", "B"}; the root as {}.
std::vector<std::string> PathNames(const std::string& path)
{
    std::vector<std::string> names;
    size_t start = 1;
    while (start <= path.size() && path.size() > 1) {
        const size_t end = std::min(path.find('\\', start), path.size());
        names.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

// The first field line that the failed call may have read and that holds no
// number where the library wants one: " ; line N: TEXT", or nothing. A
// listing reads every folder block on its way and the bookmark blocks of the
// listed folder (`listed`, UTF-8); a properties scan (`listed` null) reads
// every block.
std::string BadNumberHint(const Session& session, const std::string* listed)
{
    if (session.hotlistFile.empty()) return {};
    std::ifstream in(session.hotlistFile, std::ios::binary);
    const std::vector<std::string> wanted = listed ? PathNames(*listed) : std::vector<std::string>();
    std::vector<std::string> folders;  // where the scan stands, names as in the file
    std::string folderName;
    std::string line;
    enum { Between, Folder, Bookmark } block = Between;
    for (size_t number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) {
            if (block == Folder) folders.push_back(folderName);
            block = Between;
            continue;
        }
        if (block == Between) {
            if (line == "#FOLDER") block = Folder, folderName.clear();
            if (line == "#URL") block = Bookmark;
            if (line == "-" && !folders.empty()) folders.pop_back();
            continue;
        }
        const FieldKey* key = KeyOf(line);
        if (!key) continue;
        if (block == Folder && std::string(key->text) == "NAME") folderName = ValueOf(line);
        const bool read = block == Folder || !listed || folders == wanted;
        const bool applies = block == Bookmark || !key->bookmarkOnly;
        if (read && applies && key->numeric && !PlainNumber(ValueOf(line))) {
            std::string shown = ValidUtf8(line.substr(1));
            if (shown.size() > 80) shown = shown.substr(0, 77) + "...";
            return "; line " + std::to_string(number) + ": " + shown;
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

std::string FailureReport(const Session& session, const std::string& action, DWORD code,
                          const std::string* listed)
{
    if (code == ERROR_NOT_ENOUGH_MEMORY) return action + ": the library ran out of memory";
    if (code == ERROR_INVALID_DATA) {
        const std::string listedText = listed ? ShownPath(*listed) : std::string();
        return action + ": " + session.hotlistLabel + " holds a value that is not a number" +
               BadNumberHint(session, listed ? &listedText : nullptr);
    }
    return action + ": cannot read " + session.hotlistLabel + ": " + ReasonOf(code);
}

std::string ShownPath(const std::string& path)
{
    return Utf8FromAnsi(path);
}

}  // namespace host
