// Configuration files and module paths of the stand-in layer.
// GetPrivateProfileStringA reads an .ini file by the Windows rules: names
// compared without case, blanks trimmed, one pair of quotes removed, the first
// matching section and key win, ';' starts a comment.
#include <dlfcn.h>
#include <link.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tansy_windows.h"

namespace {

// Windows also counts Ctrl-Z as a blank in these files.
bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == 0x1A;
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

// The whole file, or nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const char* name)
{
    if (name == nullptr) return std::nullopt;
    const HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string content;
    char block[16384];
    bool ok = true;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, block, sizeof block, &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0) break;
        content.append(block, got);
    }
    CloseHandle(file);
    if (!ok) return std::nullopt;
    return content;
}

// One line of the file as the profile reader sees it.
struct ProfileLine {
    enum Kind { plNothing, plSection, plKey } kind = plNothing;
    std::string_view name;
    std::string_view value;
};

ProfileLine ParseLine(std::string_view raw)
{
    ProfileLine line;
    const std::string_view text = Trim(raw);
    if (text.empty() || text.front() == ';') return line;
    if (text.front() == '[') {
        // A header without its "]" is not one; Windows then reads the line as a key.
        const size_t close = text.rfind(']');
        if (close != std::string_view::npos) {
            line.kind = ProfileLine::plSection;
            line.name = Trim(text.substr(1, close - 1));
            return line;
        }
    }
    line.kind = ProfileLine::plKey;
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        line.name = text;
        return line;
    }
    line.name = Trim(text.substr(0, equals));
    std::string_view value = Trim(text.substr(equals + 1));
    if (value.size() > 1 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    line.value = value;
    return line;
}

std::vector<ProfileLine> ParseProfile(std::string_view content)
{
    if (content.substr(0, 3) == "\xEF\xBB\xBF") content.remove_prefix(3);
    std::vector<ProfileLine> lines;
    while (!content.empty()) {
        const size_t end = content.find_first_of("\r\n");
        const std::string_view raw = content.substr(0, end);
        content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
        ProfileLine line = ParseLine(raw);
        if (line.kind != ProfileLine::plNothing) lines.push_back(line);
    }
    return lines;
}

// The lines of the first section of that name, or an empty range.
std::pair<size_t, size_t> FindSection(const std::vector<ProfileLine>& lines, std::string_view name)
{
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind != ProfileLine::plSection || !SameName(lines[i].name, name)) continue;
        size_t end = i + 1;
        while (end < lines.size() && lines[end].kind == ProfileLine::plKey) ++end;
        return {i + 1, end};
    }
    return {0, 0};
}

DWORD CopyValue(std::string_view value, LPSTR buffer, DWORD size)
{
    const size_t count = std::min<size_t>(value.size(), size - 1);
    std::memcpy(buffer, value.data(), count);
    buffer[count] = '\0';
    return static_cast<DWORD>(count);
}

// Names each ended by a zero, the list by one more; a list that does not fit
// is cut and ends in two zeros, and the count is then size - 2.
DWORD CopyNameList(const std::vector<std::string_view>& names, LPSTR buffer, DWORD size)
{
    std::string list;
    for (const std::string_view name : names) {
        list.append(name);
        list.push_back('\0');
    }
    if (list.size() + 1 <= size) {
        std::memcpy(buffer, list.data(), list.size());
        buffer[list.size()] = '\0';
        return static_cast<DWORD>(list.size());
    }
    if (size < 2) {
        buffer[0] = '\0';
        return 0;
    }
    std::memcpy(buffer, list.data(), size - 2);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    return size - 2;
}

DWORD ProfileString(LPCSTR section, LPCSTR key, std::string_view fallback, LPSTR buffer,
                    DWORD size, LPCSTR fileName)
{
    const std::optional<std::string> content = ReadWholeFile(fileName);
    const std::vector<ProfileLine> lines =
        content ? ParseProfile(*content) : std::vector<ProfileLine>{};
    std::vector<std::string_view> names;
    if (section == nullptr) {
        for (const ProfileLine& line : lines)
            if (line.kind == ProfileLine::plSection) names.push_back(line.name);
        return CopyNameList(names, buffer, size);
    }
    const auto [first, end] = FindSection(lines, Trim(section));
    if (key == nullptr) {
        for (size_t i = first; i < end; ++i) names.push_back(lines[i].name);
        return CopyNameList(names, buffer, size);
    }
    const std::string_view wanted = Trim(key);
    for (size_t i = first; i < end; ++i)
        if (SameName(lines[i].name, wanted)) return CopyValue(lines[i].value, buffer, size);
    SetLastError(ERROR_FILE_NOT_FOUND);
    return CopyValue(fallback, buffer, size);
}

std::optional<std::string> ExecutablePath()
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof path) return std::nullopt;
    return std::string(path, static_cast<size_t>(length));
}

// The file mapped at `address`, as the kernel names it: absolute and with
// links resolved, however the object was loaded and wherever the process
// has moved since.
std::optional<std::string> MappedFilePath(const void* address)
{
    FILE* maps = std::fopen("/proc/self/maps", "re");
    if (maps == nullptr) return std::nullopt;
    const auto at = reinterpret_cast<uintptr_t>(address);
    std::optional<std::string> found;
    char* line = nullptr;
    size_t capacity = 0;
    while (getline(&line, &capacity, maps) > 0) {
        unsigned long start = 0, end = 0;
        int path = 0;
        if (std::sscanf(line, "%lx-%lx %*s %*s %*s %*s %n", &start, &end, &path) < 2) continue;
        if (at < start || at >= end) continue;
        if (path > 0 && line[path] == '/') {
            std::string name(line + path);
            if (!name.empty() && name.back() == '\n') name.pop_back();
            found = name;
        }
        break;
    }
    std::free(line);
    std::fclose(maps);
    return found;
}

// The absolute path of the object that holds `address`: a library or the
// executable.
std::optional<std::string> ObjectPath(const void* address)
{
    Dl_info info;
    link_map* map = nullptr;
    if (dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0 ||
        map == nullptr)
        return std::nullopt;
    // The executable's own entry has no name; the kernel knows its path.
    if (map->l_name == nullptr || map->l_name[0] == '\0') return ExecutablePath();
    // A library loaded by a relative name is named relative to the folder
    // the process was in then, so the loader's name is the last resort.
    if (std::optional<std::string> mapped = MappedFilePath(info.dli_fbase)) return mapped;
    char resolved[PATH_MAX];
    if (realpath(map->l_name, resolved) != nullptr) return std::string(resolved);
    return std::string(map->l_name);
}

}  // namespace

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer,
                               DWORD size, LPCSTR fileName)
{
    if (buffer == nullptr || size == 0) return 0;
    // Windows drops trailing blanks of the default.
    std::string_view fallback = defaultValue != nullptr ? defaultValue : "";
    while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
    try {
        return ProfileString(section, key, fallback, buffer, size, fileName);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return CopyValue(fallback, buffer, size);
    }
}

// A module is an address inside the library (null: the executable). A path
// longer than the buffer fills it without a terminating zero, as Windows XP
// and Wine do, and the call reports ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size)
{
    std::optional<std::string> path;
    try {
        path = module == nullptr ? ExecutablePath() : ObjectPath(module);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    if (!path) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    const size_t count = std::min<size_t>(path->size(), size);
    if (count > 0) std::memcpy(buffer, path->data(), count);
    if (count < size) {
        buffer[count] = '\0';
        SetLastError(ERROR_SUCCESS);
    } else {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
    }
    return static_cast<DWORD>(count);
}
