// tansy: drives the plugin library through its exports, the way the file
// manager does, from a terminal.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>

#include "Commands.h"
#include "Platform.h"
#include "Scenario.h"
#include "Script.h"
#include "Session.h"

using namespace host;

namespace {

const char* const PathHelp =
    "Virtual path of a folder or bookmark, such as \\News\\Daily (\\ alone is the root). "
    "A path that begins with / uses / as its separator instead (/News/Daily); "
    "a path without either is taken from the root";

const char* const ProgramFooter =
    "Without --hotlist and --plugin, tansy shows the bundled sample hotlist.\n"
    "The options of tansy itself (--plugin, --hotlist, --codepage, --ansi, --host-class) may stand\n"
    "before or after the command. Run 'tansy --help' for them, 'tansy COMMAND --help' for a\n"
    "command's own. Exit status: 0 on success, 1 when something failed (one line on standard\n"
    "error says what), 2 for a command line or scenario that cannot be understood.";

const char* const ScriptFooter = R"(
Scenario: one call per line (LF or CR LF); empty lines and lines beginning
with ";" are skipped. Words are separated by one blank; the last argument runs
to the end of the line. In PATH and VERB, %HH stands for the byte 0xHH (%25 is %).
  init NR                        FsInit(NR, three callbacks that print "callback!")
  root MAXLEN                    FsGetDefRootName(a 300-byte buffer of 0xEE, MAXLEN)
  status STARTEND INFOKIND PATH  FsStatusInfo(PATH, STARTEND, INFOKIND)
  first PATH                     FsFindFirst(PATH, a find-data record of 0xA5)
  next                           FsFindNext(the last handle, a record of 0xA5)
  close                          FsFindClose(the last handle)
  next HANDLE, close HANDLE      the same on HANDLE, the number a first answered
                                 (0, 1, ...; -1 too); a next HANDLE that fails shows
                                 its last-error value ("= 0 error=N")
  list PATH                      first, next until it answers 0 (at most 100000), close
  exec VERB PATH                 FsExecuteFile(the main window, PATH, VERB)
  inbox LINE                     queue LINE (any line above) to run inside the next
                                 message box shown, before the box answers
The Unicode forms initw, statusw, firstw, nextw [HANDLE], listw and execw call
FsInitW, FsStatusInfoW, FsFindFirstW, FsFindNextW and FsExecuteFileW (close and
list end with FsFindClose, which serves both). Their PATH and VERB are UTF-8
text handed over as UTF-16, with %HH for bytes of that text and %uHHHH for any
UTF-16 unit, an unpaired surrogate too (%uD83D).
Transcript: "> CALL" per call, then a "box owner=none|main|other style=N
caption=.. text=.." line per message box ("boxw ..." for a Unicode box,
MessageBoxW), an "entry ..." (or "untouched") line per entry found, and
"= RESULT" ("= queued" for inbox). Calls that run inside a box stand right
under its box line, indented by two blanks a level. Bytes outside 0x20..0x7E
and "%" show as %HH; the texts of Unicode calls, names and boxes show as
UTF-8 that way, an unpaired surrogate as %uHHHH.
Exit status: 0; 1 when a call met a missing export, a list did not end or a
queued line found no box to run in; 2 when the scenario has a line that is no
call.
Several scenarios run one after the other, each against a freshly loaded
library; the exit status is the worst of theirs. With --framed each transcript
stands between ";; scenario FILE" and ";; status N" lines, so that a test
runner can take many scenarios from one process.)";

// A path typed by a person, as the session's text: UTF-8 as typed in a
// Unicode session, else the library's ANSI bytes.
bool LibraryPath(const Session& session, std::string text, std::string& path)
{
    if (!text.empty() && text.front() == '/')
        for (char& c : text)
            if (c == '/') c = '\\';
    if (text.empty() || text.front() != '\\') text.insert(text.begin(), '\\');
    if (text.size() > 1 && text.back() == '\\') text.pop_back();
    path = text;
    if (session.unicode || AnsiFromUtf8(text, path)) return true;
    std::fprintf(stderr, "tansy: the path %s cannot be written in the library's code page %d\n", text.c_str(),
                 AnsiCodePage());
    return false;
}

bool ReadScenario(const std::string& name, std::string& text)
{
    if (name.empty() || name == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        return true;
    }
    std::ifstream in(PathFromUtf8(name), std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "tansy: cannot read the scenario %s\n", name.c_str());
        return false;
    }
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

struct Command {
    std::vector<std::string> scenarios;
    bool framed = false;
    std::string path;
    std::string verb;
    bool json = false;
};

// One scenario against a freshly loaded library: its exit status.
int RunOneScript(const HostOptions& options, const std::string& scenario)
{
    std::string text;
    if (!ReadScenario(scenario, text)) return 1;
    std::vector<ScenarioCall> calls;
    std::string error;
    if (!ParseScenario(text, calls, error)) {
        std::fprintf(stderr, "tansy: scenario %s: %s\n",
                     scenario.empty() ? "(standard input)" : scenario.c_str(), error.c_str());
        return 2;
    }
    Session session;
    if (!OpenSession(options, session, error)) return Fail(error);
    const int status = RunScenario(session, calls, options.fileManagerClass);
    CloseMainWindow();
    return status;
}

int RunScript(const HostOptions& options, const Command& command)
{
    std::vector<std::string> scenarios = command.scenarios;
    if (scenarios.empty()) scenarios.emplace_back();
    int worst = 0;
    for (const std::string& scenario : scenarios) {
        if (command.framed) std::printf(";; scenario %s\n", scenario.empty() ? "-" : scenario.c_str());
        std::fflush(stdout);
        const int status = RunOneScript(options, scenario);
        if (command.framed) std::printf(";; status %d\n", status);
        std::fflush(stdout);
        std::fflush(stderr);
        worst = std::max(worst, status);
    }
    return worst;
}

int Run(const std::string& name, const HostOptions& options, const Command& command, int codePage)
{
    // Before any text is converted for the library. Where the platform cannot
    // choose (Windows), the system's code page rules, as --help says.
    if (codePage != 0) SelectCodePage(codePage);
    if (name == "script") return RunScript(options, command);
    Session session;
    std::string error;
    if (!OpenSession(options, session, error)) return Fail(error);
    ChooseInterface(session, CommandExports(name), options.ansi);
    std::string path;
    std::string verb = command.verb;
    if (!LibraryPath(session, command.path, path)) return 1;
    if (name == "exec" && !session.unicode && !AnsiFromUtf8(command.verb, verb))
        return Fail("the verb cannot be written in the library's code page");
    int status = 0;
    if (name == "ls") status = ListCommand(session, path, command.json);
    if (name == "tree") status = TreeCommand(session, path, command.json);
    if (name == "count") status = CountCommand(session, path, command.json);
    if (name == "props") status = PropertiesCommand(session, path, options.fileManagerClass);
    if (name == "exec") status = ExecuteCommand(session, verb, path, options.fileManagerClass);
    CloseMainWindow();
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    PrepareConsole();
    HostOptions options;
    Command command;
    int codePage = 0;

    CLI::App app{"tansy: browse a browser's hotlist through the Tansy file-system plugin, calling the "
                 "library's exports the way the file manager does."};
    app.name("tansy");
    app.failure_message([](const CLI::App*, const CLI::Error& failure) {
        return "tansy: " + std::string(failure.what()) + " (see 'tansy --help')\n";
    });
    app.allow_windows_style_options(false);
    app.fallthrough();
    app.require_subcommand(1, 1);
    app.footer(ProgramFooter);
    app.add_option("--plugin", options.plugin,
                   "The plugin library to load (default: " + DefaultLibraryFileName() +
                       " beside tansy). Given without --hotlist, it reads the hotlist named in its "
                       "own .ini file, as in the file manager")
        ->option_text("LIBRARY");
    app.add_option("--hotlist", options.hotlist,
                   "The hotlist to show: tansy loads a private copy of the library whose .ini names "
                   "FILE, and removes the copy afterwards")
        ->option_text("FILE");
    app.add_option("--codepage", codePage,
                   "The library's ANSI code page on POSIX: 1251, 1252 or 65001 (UTF-8; the default "
                   "unless TANSY_CODEPAGE says otherwise). No effect on Windows, where the system's "
                   "code page rules")
        ->check(CLI::IsMember({1251, 1252, 65001}))
        ->option_text("N");
    app.add_flag("--ansi", options.ansi,
                 "Call the library's ANSI exports (FsFindFirst, FsFindNext, FsExecuteFile), which give names "
                 "in the ANSI code page. Without it, ls, tree, count, props and exec call the Unicode forms "
                 "(FsFindFirstW, FsFindNextW, FsExecuteFileW) where the library exports them, as current "
                 "file managers do, and show every name as the hotlist holds it");
    app.add_flag("--host-class", options.fileManagerClass,
                 "Give tansy's main window the file manager's class TTOTAL_CMD, so the library finds "
                 "it (Windows; on POSIX the library never finds a host window)");

    CLI::App* script = app.add_subcommand(
        "script", "Run a scenario of calls and print the transcript of each (the test harness)");
    script->add_option("SCENARIO", command.scenarios,
                       "Scenario files, run one after the other; standard input when absent or -");
    script->add_flag("--framed", command.framed,
                     "Put \";; scenario FILE\" before and \";; status N\" after each scenario's transcript");
    script->footer(std::string(ScriptFooter) + "\n\n" + ProgramFooter);

    CLI::App* ls = app.add_subcommand(
        "ls", "List one folder as the file manager's panel shows it: kind, ID, CREATED and VISITED "
              "(raw and as UTC dates; the browser writes Unix seconds) and name");
    ls->add_option("PATH", command.path, PathHelp);
    ls->add_flag("--json", command.json,
                 "Print JSON: names as UTF-8 and as the host received them (name_units: UTF-16 units; "
                 "name_bytes with --ansi: the ANSI bytes)");

    CLI::App* tree = app.add_subcommand(
        "tree", "Draw the folder tree below PATH with its bookmarks. Each sub-folder is listed "
                "inside its parent's listing, as file managers walk a tree to search or count");
    tree->add_option("PATH", command.path, PathHelp);
    tree->add_flag("--json", command.json, "Print JSON: nested folders, names as ls --json gives them");

    CLI::App* count = app.add_subcommand(
        "count", "Count the bookmarks and folders below PATH, all the way down, and add up the "
                 "bookmarks' sizes (their IDs), walking the tree as tree does");
    count->add_option("PATH", command.path, PathHelp);
    count->add_flag("--json", command.json, "Print JSON: bookmarks, folders and size");

    CLI::App* props = app.add_subcommand(
        "props", "Show the properties of a bookmark: the boxes the library shows for the verb "
                 "\"properties\"");
    props->add_option("PATH", command.path, PathHelp)->required();

    CLI::App* exec = app.add_subcommand(
        "exec",
        "Give any verb for an entry (FsExecuteFileW, or FsExecuteFile) and print the boxes shown and the result");
    exec->add_option("VERB", command.verb, "The verb, such as properties or open")->required();
    exec->add_option("PATH", command.path, PathHelp)->required();

    // CLI11 takes the arguments last first, without the program's name (so
    // the usage line says "tansy", however it was started).
    std::vector<std::string> arguments = CommandLineArguments(argc, argv);
    if (!arguments.empty()) arguments.erase(arguments.begin());
    std::reverse(arguments.begin(), arguments.end());
    try {
        app.parse(arguments);
    } catch (const CLI::ParseError& failure) {
        return app.exit(failure) == 0 ? 0 : 2;
    }
    try {
        return Run(app.get_subcommands().front()->get_name(), options, command, codePage);
    } catch (const std::exception& failure) {
        return Fail(failure.what());
    }
}
