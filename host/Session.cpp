#include "Session.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

#include "Sample.h"
#include "StackCheck.h"

namespace host {

namespace fs = std::filesystem;

namespace {

// The library reads at most this many bytes of its configured hotlist path.
constexpr size_t MaxHotlistPath = 255;
// The name of the hotlist that the host writes into the private folder: the
// bundled sample.
constexpr const char* OwnHotlistName = "own.hotlist";

std::string Trim(const std::string& text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && blank(text[begin])) ++begin;
    while (end > begin && blank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The value of [main] hotlist= in a configuration file, read as the library
// does closely enough to name the file in messages; false when there is none.
bool ConfiguredHotlist(const fs::path& config, std::string& value)
{
    std::ifstream in(config, std::ios::binary);
    if (!in) return false;
    std::string line;
    bool inMain = false;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (!line.empty() && line.front() == '[') {
            if (inMain) return false;
            const size_t close = line.find(']');
            inMain = close != std::string::npos && Lower(Trim(line.substr(1, close - 1))) == "main";
            continue;
        }
        const size_t equals = line.find('=');
        if (!inMain || equals == std::string::npos) continue;
        if (Lower(Trim(line.substr(0, equals))) != "hotlist") continue;
        value = Trim(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return true;
    }
    return false;
}

// The configuration file of a library: its path up to the last "." of the
// file name, then ".ini".
fs::path ConfigurationOf(const fs::path& library)
{
    fs::path config = library;
    return config.replace_extension(".ini");
}

// A configuration naming `hotlist`; quotes keep blanks at the ends of a path,
// which the reader would trim.
std::string ConfigurationText(const std::string& hotlist)
{
    const bool quote = !hotlist.empty() && (hotlist.back() == ' ' || hotlist.back() == '\t' ||
                                            hotlist.front() == ' ' || hotlist.front() == '"' ||
                                            hotlist.front() == '\'');
    return "[main]\r\nhotlist=" + (quote ? "\"" + hotlist + "\"" : hotlist) + "\r\n";
}

void WriteFile(const fs::path& path, const char* bytes, size_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes, static_cast<std::streamsize>(size));
    out.close();
    if (!out)
        throw fs::filesystem_error("cannot write", path, std::make_error_code(std::errc::io_error));
}

template <typename Function>
Function Resolve(Library* library, const char* name)
{
    return reinterpret_cast<Function>(FindExport(library, name));
}

// Puts a copy of the library into a new private folder; returns its path.
fs::path CopyToPrivateFolder(Session& session, const fs::path& library)
{
    session.privateFolder = MakePrivateFolder();
    RemoveOnFatalSignal(session.privateFolder,
                        {DefaultLibraryFileName(), ConfigurationOf(DefaultLibraryFileName()).string(),
                         OwnHotlistName});
    const fs::path copy = session.privateFolder / DefaultLibraryFileName();
    fs::copy_file(library, copy);
    return copy;
}

void WriteConfiguration(const fs::path& library, const std::string& hotlistAnsi)
{
    const std::string config = ConfigurationText(hotlistAnsi);
    WriteFile(ConfigurationOf(library), config.data(), config.size());
}

bool HotlistSetting(const fs::path& hotlist, std::string& ansi, std::string& error)
{
    if (!AnsiFromPath(hotlist, ansi)) {
        error = "the hotlist's path " + Utf8FromPath(hotlist) +
                " cannot be written in the library's code page " + std::to_string(AnsiCodePage());
        return false;
    }
    if (ansi.size() > MaxHotlistPath) {
        error = "the hotlist's path " + Utf8FromPath(hotlist) + " is longer than the " +
                std::to_string(MaxHotlistPath) + " bytes the library reads from its configuration";
        return false;
    }
    return true;
}

// Loads `path`, a copy of `original` or the file itself; messages name the
// original.
bool Load(Session& session, const fs::path& path, const fs::path& original, std::string& error)
{
    std::string reason;
    session.library = LoadPluginLibrary(path, reason);
    if (!session.library) {
        error = "cannot load the library " + Utf8FromPath(original) + ": " + reason;
        return false;
    }
    if (!PrepareHarness(session.library, reason)) {
        error = "cannot drive the library " + Utf8FromPath(original) + ": " + reason;
        return false;
    }
    session.plugin.lastError = LastErrorOf(session.library);
    PluginExports& fs = session.plugin.fs;
    Library* library = session.library;
    fs.FsInit = Resolve<decltype(fs.FsInit)>(library, "FsInit");
    fs.FsGetDefRootName = Resolve<decltype(fs.FsGetDefRootName)>(library, "FsGetDefRootName");
    fs.FsStatusInfo = Resolve<decltype(fs.FsStatusInfo)>(library, "FsStatusInfo");
    fs.FsFindFirst = Resolve<decltype(fs.FsFindFirst)>(library, "FsFindFirst");
    fs.FsFindNext = Resolve<decltype(fs.FsFindNext)>(library, "FsFindNext");
    fs.FsFindClose = Resolve<decltype(fs.FsFindClose)>(library, "FsFindClose");
    fs.FsExecuteFile = Resolve<decltype(fs.FsExecuteFile)>(library, "FsExecuteFile");
    fs.FsInitW = Resolve<decltype(fs.FsInitW)>(library, "FsInitW");
    fs.FsStatusInfoW = Resolve<decltype(fs.FsStatusInfoW)>(library, "FsStatusInfoW");
    fs.FsFindFirstW = Resolve<decltype(fs.FsFindFirstW)>(library, "FsFindFirstW");
    fs.FsFindNextW = Resolve<decltype(fs.FsFindNextW)>(library, "FsFindNextW");
    fs.FsExecuteFileW = Resolve<decltype(fs.FsExecuteFileW)>(library, "FsExecuteFileW");
    CheckStackUse(fs);
    return true;
}

// Loads a copy of `library` reading OwnHotlistName in the private folder,
// which holds `size` bytes from `bytes`.
bool LoadWithOwnHotlist(Session& session, const fs::path& library, const char* bytes, size_t size,
                        std::string& error)
{
    const fs::path copy = CopyToPrivateFolder(session, library);
    const fs::path hotlist = session.privateFolder / OwnHotlistName;
    WriteFile(hotlist, bytes, size);
    std::string setting;
    if (!HotlistSetting(hotlist, setting, error)) return false;
    WriteConfiguration(copy, setting);
    session.hotlistFile = hotlist;
    return Load(session, copy, library, error);
}

}  // namespace

Session::~Session()
{
    UnloadPluginLibrary(library);
    if (!privateFolder.empty()) {
        std::error_code ignored;
        fs::remove_all(privateFolder, ignored);
        ForgetOnFatalSignal(privateFolder);
    }
}

bool OpenSession(const HostOptions& options, Session& session, std::string& error)
{
    const fs::path library = options.plugin.empty()
                                 ? ExecutablePath().parent_path() / DefaultLibraryFileName()
                                 : PathFromUtf8(options.plugin);
    std::error_code failed;
    if (!fs::is_regular_file(library, failed)) {
        error = "cannot load the library " + Utf8FromPath(library) + ": " +
                (fs::exists(library, failed) ? "not a file" : "File not found");
        return false;
    }
    try {
        if (!options.hotlist.empty()) {
            const fs::path hotlist = fs::absolute(PathFromUtf8(options.hotlist));
            std::string setting;
            if (!HotlistSetting(hotlist, setting, error)) return false;
            session.hotlistLabel = "hotlist " + Utf8FromPath(hotlist);
            session.hotlistFile = hotlist;
            const fs::path copy = CopyToPrivateFolder(session, library);
            WriteConfiguration(copy, setting);
            return Load(session, copy, library, error);
        }
        if (!options.plugin.empty()) {
            // The library reads its own configuration; name the file it names.
            const fs::path config = ConfigurationOf(fs::absolute(library));
            std::string configured;
            if (ConfiguredHotlist(config, configured) && !configured.empty()) {
                session.hotlistFile = PathFromUtf8(Utf8FromAnsi(configured));
                session.hotlistLabel = "hotlist " + Utf8FromAnsi(configured) + " (named in " +
                                       Utf8FromPath(config) + ")";
            } else {
                session.hotlistLabel =
                    "any hotlist: " + Utf8FromPath(config) + " names none ([main] hotlist=)";
            }
            return Load(session, library, library, error);
        }
        // Neither: the bundled sample, written into the private folder.
        session.hotlistLabel = "the bundled sample hotlist";
        session.bundledSample = true;
        return LoadWithOwnHotlist(session, library, reinterpret_cast<const char*>(SampleHotlist),
                                  SampleHotlistSize, error);
    } catch (const fs::filesystem_error& failure) {
        error = "cannot prepare the library: " + std::string(failure.what());
        return false;
    }
}

std::vector<std::string> MissingExports(const PluginExports& fs, const std::vector<std::string>& wanted)
{
    const std::pair<const char*, bool> present[] = {
        {"FsInit", fs.FsInit != nullptr},           {"FsGetDefRootName", fs.FsGetDefRootName != nullptr},
        {"FsStatusInfo", fs.FsStatusInfo != nullptr}, {"FsFindFirst", fs.FsFindFirst != nullptr},
        {"FsFindNext", fs.FsFindNext != nullptr},   {"FsFindClose", fs.FsFindClose != nullptr},
        {"FsExecuteFile", fs.FsExecuteFile != nullptr}, {"FsInitW", fs.FsInitW != nullptr},
        {"FsStatusInfoW", fs.FsStatusInfoW != nullptr}, {"FsFindFirstW", fs.FsFindFirstW != nullptr},
        {"FsFindNextW", fs.FsFindNextW != nullptr}, {"FsExecuteFileW", fs.FsExecuteFileW != nullptr}};
    std::vector<std::string> missing;
    for (const std::string& name : wanted)
        for (const auto& [export_, found] : present)
            if (name == export_ && !found) missing.push_back(name);
    return missing;
}

}  // namespace host
