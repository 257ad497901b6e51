// The hotlist's line readers and the header skip.
#include "PLUGIN_Main.h"

void ReadHotlistLine(TTextFile& file, WideString& line)
{
    AssignWideFromAnsi(line, ReadTextLine(file));
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

bool ReadPastPlainLines(TTextFile& file, WideString& line, TLineMarkers markers)
{
    std::string_view bytes;
    const bool stopped = SkipPlainLines(file, bytes, markers);
    AssignWideFromAnsi(line, bytes);
    RaiseTextFailure(file);
    return stopped;
}
