// One loaded plugin library with its exports, prepared the way the file
// manager finds it: beside its configuration file.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "ExportDriver.h"
#include "Platform.h"

namespace host {

struct HostOptions {
    std::string plugin;   // the library to load (UTF-8); empty: the one beside tansy
    std::string hotlist;  // the hotlist to show (UTF-8); empty: see OpenSession
    bool fileManagerClass = false;
    bool ansi = false;    // the commands call the ANSI exports even where the Unicode ones exist
};

struct Session {
    Library* library = nullptr;
    DrivenLibrary plugin;  // its exports and last-error value
    std::filesystem::path privateFolder;  // removed when the session ends
    std::string hotlistLabel;             // how messages name it: "hotlist /path/x"
    std::filesystem::path hotlistFile;    // the hotlist file, when the host knows it
    bool bundledSample = false;           // hotlistFile is a passing copy of the sample
    // The commands speak the library's Unicode interface: their paths, verbs
    // and names are UTF-8 (Utf8FromUtf16's form), handed over as UTF-16. Else
    // they are the library's ANSI bytes.
    bool unicode = false;

    Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session();
};

// Loads the library. With a hotlist (or without a library, the bundled
// sample), a private folder gets a copy of the library and a configuration
// naming the hotlist, and the copy is loaded; a library given alone is
// loaded as it is and reads its own configuration. False with a message.
bool OpenSession(const HostOptions& options, Session& session, std::string& error);

// The names of `wanted` exports that the library lacks.
std::vector<std::string> MissingExports(const PluginExports& fs, const std::vector<std::string>& wanted);

}  // namespace host
