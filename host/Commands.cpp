#include "Commands.h"

#include <cstdio>
#include <iostream>

namespace host {

namespace {

// The library never calls the file manager's callbacks, and a call is worth
// knowing about.
void ReportCallback()
{
    std::fputs("tansy: the library called a host callback\n", stderr);
}

}  // namespace

int Fail(const std::string& message)
{
    std::cout.flush();
    std::fflush(stdout);
    std::fprintf(stderr, "tansy: %s\n", message.c_str());
    return 1;
}

std::string Shown(const std::string& ansi)
{
    return Utf8FromAnsi(ansi);
}

bool StartPlugin(Session& session, const std::vector<std::string>& wanted)
{
    std::vector<std::string> names = wanted;
    names.push_back("FsInit");
    const std::vector<std::string> missing = MissingExports(session.plugin.fs, names);
    if (!missing.empty()) {
        std::string list;
        for (const std::string& name : missing) list += (list.empty() ? "" : ", ") + name;
        Fail("the library does not export " + list);
        return false;
    }
    CallInit(session.plugin, 0, &ReportCallback);
    return true;
}

}  // namespace host
