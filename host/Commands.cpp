#include "Commands.h"

#include <cstdio>
#include <iostream>

#include "Utf8.h"

namespace host {

namespace {

// The library never calls the file manager's callbacks, and a call is worth
// knowing about.
void ReportCallback()
{
    std::fputs("tansy: the library called a host callback\n", stderr);
}

// The names of the Unicode forms of `exports`; FsFindClose serves both.
std::vector<std::string> UnicodeForms(const std::vector<std::string>& exports)
{
    std::vector<std::string> names;
    for (const std::string& name : exports) names.push_back(name == "FsFindClose" ? name : name + "W");
    return names;
}

}  // namespace

int Fail(const std::string& message)
{
    std::cout.flush();
    std::fflush(stdout);
    std::fprintf(stderr, "tansy: %s\n", message.c_str());
    return 1;
}

std::string Shown(const Session& session, const std::string& text)
{
    return session.unicode ? ValidUtf8(text) : Utf8FromAnsi(text);
}

std::string Shown(const MessageBoxCall& box, const std::string& text)
{
    return box.unicode ? ValidUtf8(text) : Utf8FromAnsi(text);
}

std::vector<std::string> CommandExports(const std::string& command)
{
    if (command == "exec") return {"FsExecuteFile"};
    // props names the folder or the missing bookmark from its folder's listing.
    if (command == "props") return {"FsExecuteFile", "FsFindFirst", "FsFindNext", "FsFindClose"};
    return {"FsFindFirst", "FsFindNext", "FsFindClose"};
}

void ChooseInterface(Session& session, const std::vector<std::string>& exports, bool ansi)
{
    session.unicode = !ansi && MissingExports(session.plugin.fs, UnicodeForms(exports)).empty();
}

bool StartPlugin(Session& session, const std::vector<std::string>& wanted)
{
    const bool initW = session.unicode && session.plugin.fs.FsInitW;
    std::vector<std::string> names = session.unicode ? UnicodeForms(wanted) : wanted;
    if (!initW) names.push_back("FsInit");
    const std::vector<std::string> missing = MissingExports(session.plugin.fs, names);
    if (!missing.empty()) {
        std::string list;
        for (const std::string& name : missing) list += (list.empty() ? "" : ", ") + name;
        Fail("the library does not export " + list);
        return false;
    }
    if (initW)
        CallInitW(session.plugin, 0, &ReportCallback);
    else
        CallInit(session.plugin, 0, &ReportCallback);
    return true;
}

ExecuteAnswer ExecuteIn(const Session& session, HWND window, const std::string& path, const std::string& verb)
{
    if (session.unicode)
        return CallExecuteFileW(session.plugin, window, Utf16FromUtf8(path), Utf16FromUtf8(verb));
    return CallExecuteFile(session.plugin, window, path, verb);
}

}  // namespace host
