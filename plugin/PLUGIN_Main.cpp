// The hotlist's line readers and the header skip.
#include "PLUGIN_Main.h"


namespace {

// Raw bytes of the line being read, kept so that passes do not allocate per line.
AnsiString LineBytes;

}  // namespace

HWND GetHostWindow()
{
    return FindWindowA("TTOTAL_CMD", nullptr);
}

void ReadHotlistLine(TTextFile& file, WideString& line)
{
    ReadTextLine(file, LineBytes);
    AssignWideFromAnsi(line, LineBytes);
    RaiseTextFailure(file);
}

bool HotlistAtEnd(TTextFile& file)
{
    return TextAtEnd(file);
}

bool SkipToFirstEntry(TTextFile& file, WideString& line)
{
    line = u" ";
    while (line[0] != u'#') {
        ReadHotlistLine(file, line);
        if (line.empty() || line == u"#SEPERATOR") line = u" ";
        if (HotlistAtEnd(file)) return false;
    }
    return true;
}

bool ReadPastPlainLines(TTextFile& file, WideString& line)
{
    const bool stopped = SkipPlainLines(file, LineBytes);
    AssignWideFromAnsi(line, LineBytes);
    RaiseTextFailure(file);
    return stopped;
}
