#include "Scenario.h"

#include <charconv>

#include "ExportDriver.h"
#include "Utf8.h"

namespace host {

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The value of `digits` hex digits at `at`; false when they are not there.
bool HexAt(const std::string& text, size_t at, size_t digits, unsigned& value)
{
    value = 0;
    for (size_t i = at; i < at + digits; ++i) {
        const int digit = i < text.size() ? HexValue(text[i]) : -1;
        if (digit < 0) return false;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return true;
}

// The bytes from `from` on are UTF-8.
bool Utf8From(const std::string& bytes, size_t from, std::string& error)
{
    char32_t code = 0;
    for (size_t pos = from; pos < bytes.size();)
        if (!NextUtf8(bytes, pos, code)) {
            error = "the text of a Unicode call is UTF-8 (write %uHHHH for any UTF-16 unit)";
            return false;
        }
    return true;
}

// A path or verb as written: %HH stands for a byte. The text of a Unicode
// call (`units`) is UTF-8 and may also hold %uHHHH, one UTF-16 unit (an
// unpaired surrogate too, kept in its three-byte form).
bool Unescape(const std::string& text, std::string& bytes, std::string& error, bool units = false)
{
    bytes.clear();
    size_t checked = 0;  // the bytes before it are UTF-8 or written units
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned value = 0;
        if (text[i] != '%') {
            bytes += text[i];
        } else if (units && text.compare(i + 1, 1, "u") == 0 && HexAt(text, i + 2, 4, value)) {
            if (!Utf8From(bytes, checked, error)) return false;
            AppendUtf8(bytes, value);
            checked = bytes.size();
            i += 5;
        } else if (HexAt(text, i + 1, 2, value)) {
            bytes += static_cast<char>(value);
            i += 2;
        } else {
            error = units ? "\"%\" must be followed by two hex digits, or by u and four (write %25 for \"%\")"
                          : "\"%\" must be followed by two hex digits (write %25 for \"%\")";
            return false;
        }
    }
    return !units || Utf8From(bytes, checked, error);
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

// The calls that have a Unicode form, written with a "w" after the name.
bool HasUnicodeForm(const std::string& name)
{
    for (const char* call : {"init", "status", "first", "next", "list", "exec"})
        if (name == call) return true;
    return false;
}

bool ParseCall(const std::string& line, ScenarioCall& call, std::string& error)
{
    std::string name;
    std::string rest;
    const bool hasArguments = SplitWord(line, name, rest);
    if (!hasArguments) name = line;
    const std::string written = name;
    const auto needs = [&](const char* arguments) {
        error = written + " takes " + arguments;
        return false;
    };
    if (name.size() > 1 && name.back() == 'w' && HasUnicodeForm(name.substr(0, name.size() - 1))) {
        call.unicode = true;
        name.pop_back();
    }
    const auto text = [&](const std::string& from, std::string& into) {
        return Unescape(from, into, error, call.unicode);
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
        return Number(startEnd, call.first, error) && Number(infoKind, call.second, error) && text(path, call.path);
    }
    if (name == "first" || name == "list") {
        if (!hasArguments) return needs("PATH");
        call.kind = name == "first" ? CallKind::First : CallKind::List;
        return text(rest, call.path);
    }
    if (name == "exec") {
        std::string verb;
        std::string path;
        if (!hasArguments || !SplitWord(rest, verb, path)) return needs("VERB PATH");
        call.kind = CallKind::Exec;
        return text(verb, call.verb) && text(path, call.path);
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
    error = "unknown call \"" + Esc(written) +
            "\" (calls: init, root, status, first, next, close, list, exec, inbox; the Unicode forms initw, "
            "statusw, firstw, nextw, listw, execw)";
    return false;
}

// A path or verb of the call as its line shows it.
std::string TextOf(const ScenarioCall& call, const std::string& text)
{
    return call.unicode ? EscUnicode(text) : Esc(text);
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
    const std::string w = call.unicode ? "w" : "";
    const auto shown = [&call](const std::string& text) { return TextOf(call, text); };
    switch (call.kind) {
    case CallKind::Init: return "init" + w + " " + std::to_string(call.first);
    case CallKind::Root: return "root " + std::to_string(call.first);
    case CallKind::Status:
        return "status" + w + " " + std::to_string(call.first) + " " + std::to_string(call.second) + " " +
               shown(call.path);
    case CallKind::First:
    case CallKind::List: return "first" + w + " " + shown(call.path);
    case CallKind::Next:
    case CallKind::Close:
        return std::string(call.kind == CallKind::Next ? "next" + w : "close") +
               (call.namesHandle ? " " + std::to_string(call.first) : "");
    case CallKind::Exec: return "exec" + w + " " + shown(call.verb) + " " + shown(call.path);
    case CallKind::Inbox: {
        const ScenarioCall& queued = call.queued.front();
        if (queued.kind != CallKind::List) return "inbox " + CallText(queued);
        return std::string("inbox list") + (queued.unicode ? "w " : " ") + TextOf(queued, queued.path);
    }
    }
    return {};
}

}  // namespace host
