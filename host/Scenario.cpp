#include "Scenario.h"

#include <charconv>

#include "ExportDriver.h"

namespace host {

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool Unescape(const std::string& text, std::string& bytes, std::string& error)
{
    bytes.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            bytes += text[i];
            continue;
        }
        const int high = i + 1 < text.size() ? HexValue(text[i + 1]) : -1;
        const int low = i + 2 < text.size() ? HexValue(text[i + 2]) : -1;
        if (high < 0 || low < 0) {
            error = "\"%\" must be followed by two hex digits (write %25 for \"%\")";
            return false;
        }
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

bool Number(const std::string& text, int32_t& value, std::string& error)
{
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (end - begin > 1 && *begin == '+' && begin[1] != '-') ++begin;
    const auto [stop, failure] = std::from_chars(begin, end, value);
    if (begin == end || stop != end || failure != std::errc()) {
        error = "\"" + Esc(text) + "\" is not a 32-bit decimal number";
        return false;
    }
    return true;
}

// Splits off the first word; false when no blank follows it.
bool SplitWord(const std::string& text, std::string& word, std::string& rest)
{
    const size_t blank = text.find(' ');
    if (blank == std::string::npos) return false;
    word = text.substr(0, blank);
    rest = text.substr(blank + 1);
    return true;
}

bool ParseCall(const std::string& line, ScenarioCall& call, std::string& error)
{
    std::string name;
    std::string rest;
    const bool hasArguments = SplitWord(line, name, rest);
    if (!hasArguments) name = line;
    const auto needs = [&](const char* arguments) {
        error = name + " takes " + arguments;
        return false;
    };
    if (name == "next" || name == "close") {
        call.kind = name == "next" ? CallKind::Next : CallKind::Close;
        call.namesHandle = hasArguments;
        if (hasArguments && !Number(rest, call.first, error))
            return needs("no arguments or HANDLE, a 32-bit decimal number");
        return true;
    }
    if (name == "init" || name == "root") {
        if (!hasArguments) return needs(name == "init" ? "NR" : "MAXLEN");
        call.kind = name == "init" ? CallKind::Init : CallKind::Root;
        return Number(rest, call.first, error);
    }
    if (name == "status") {
        std::string startEnd;
        std::string infoKind;
        std::string path;
        if (!hasArguments || !SplitWord(rest, startEnd, rest) || !SplitWord(rest, infoKind, path))
            return needs("STARTEND INFOKIND PATH");
        call.kind = CallKind::Status;
        return Number(startEnd, call.first, error) && Number(infoKind, call.second, error) &&
               Unescape(path, call.path, error);
    }
    if (name == "first" || name == "list") {
        if (!hasArguments) return needs("PATH");
        call.kind = name == "first" ? CallKind::First : CallKind::List;
        return Unescape(rest, call.path, error);
    }
    if (name == "exec") {
        std::string verb;
        std::string path;
        if (!hasArguments || !SplitWord(rest, verb, path)) return needs("VERB PATH");
        call.kind = CallKind::Exec;
        return Unescape(verb, call.verb, error) && Unescape(path, call.path, error);
    }
    if (name == "inbox") {
        if (!hasArguments) return needs("LINE");
        call.kind = CallKind::Inbox;
        ScenarioCall queued;
        queued.line = call.line;
        if (!ParseCall(rest, queued, error)) return false;
        call.queued.push_back(std::move(queued));
        return true;
    }
    error = "unknown call \"" + Esc(name) +
            "\" (calls: init, root, status, first, next, close, list, exec, inbox)";
    return false;
}

}  // namespace

bool ParseScenario(const std::string& text, std::vector<ScenarioCall>& calls, std::string& error)
{
    calls.clear();
    size_t start = 0;
    for (size_t number = 1; start < text.size(); ++number) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line.front() == ';') continue;
        ScenarioCall call;
        call.line = number;
        if (!ParseCall(line, call, error)) {
            error = "line " + std::to_string(number) + ": " + error;
            return false;
        }
        calls.push_back(call);
    }
    return true;
}

std::string CallText(const ScenarioCall& call)
{
    switch (call.kind) {
    case CallKind::Init: return "init " + std::to_string(call.first);
    case CallKind::Root: return "root " + std::to_string(call.first);
    case CallKind::Status:
        return "status " + std::to_string(call.first) + " " + std::to_string(call.second) + " " +
               Esc(call.path);
    case CallKind::First:
    case CallKind::List: return "first " + Esc(call.path);
    case CallKind::Next:
    case CallKind::Close:
        return std::string(call.kind == CallKind::Next ? "next" : "close") +
               (call.namesHandle ? " " + std::to_string(call.first) : "");
    case CallKind::Exec: return "exec " + Esc(call.verb) + " " + Esc(call.path);
    case CallKind::Inbox: {
        const ScenarioCall& queued = call.queued.front();
        return "inbox " + (queued.kind == CallKind::List ? "list " + Esc(queued.path) : CallText(queued));
    }
    }
    return {};
}

}  // namespace host
