// The block readers: the field lines below a "#FOLDER" or "#URL" line, read
// into a record up to the block's closing empty line.
//
// Each line goes through the code page into CurLine and back into ANSI text
// before it is classified and applied. Where that provably gives back the
// bytes as read, the bytes are taken as they are and CurLine is brought up to
// date only when the block ends: an ASCII line is its own text in every code
// page, and so is any line in a code page that turns every byte into one unit
// and back into itself (the single-byte ones).
#include "HotlistReader.h"
#include "PLUGIN_Main.h"

// Constant-initialised, like the rest of the library's state.
constinit THotlistReader HotlistReader;

namespace {

bool EveryByteRoundTrips()
{
    for (int value = 1; value < 256; ++value) {
        const char single = static_cast<char>(value);
        WCHAR unit[2];
        if (MultiByteToWideChar(CP_ACP, 0, &single, 1, unit, 2) != 1) return false;
        char back[4];
        if (WideCharToMultiByte(CP_ACP, 0, unit, 1, back, sizeof back, nullptr, nullptr) != 1 || back[0] != single)
            return false;
    }
    return true;
}

// Learns the code page's nature once per code page the process uses.
void KnowTheCodePage(THotlistReader& reader)
{
    const UINT codePage = GetACP();
    if (codePage == reader.CodePage) return;
    reader.BytesAreText = EveryByteRoundTrips();
    reader.CodePage = codePage;
}

// The ANSI text of a block line whose bytes cannot be taken as they are: the
// line through the code page into `line`, and back.
std::string_view ConvertedLine(TTextFile& file, std::string_view bytes, WideString& line, THotlistReader& reader)
{
    AssignWideFromAnsi(line, bytes);
    RaiseTextFailure(file);
    AssignAnsiFromWide(reader.LineText, line);
    return reader.LineText;
}

// Reads the lines of the block whose marker is in `line`, up to its closing
// empty line or the end of the input, handing each line's text and key to
// `take`. Leaves `line` empty, or on the line at which a failure left.
template <class Take>
void ReadBlockLines(TTextFile& file, WideString& line, Take take)
{
    if (line.empty()) return;
    THotlistReader& reader = HotlistReader;
    KnowTheCodePage(reader);
    const bool bytesAreText = reader.BytesAreText;
    // The line read last, while `line` is not brought up to date with it.
    std::string_view behind;
    bool lineBehind = false;
    const auto catchUp = [&] {
        if (lineBehind) AssignWideFromAnsi(line, behind);
    };
    try {
        for (;;) {
            std::string_view text = ReadTextLine(file);
            lineBehind = file.Failure == 0 && (bytesAreText || IsAsciiText(text));
            if (lineBehind)
                behind = text;
            else
                text = ConvertedLine(file, text, line, reader);
            take(text, ClassifyFieldLine(text));
            // A line and its text are empty together.
            if (text.empty()) break;
        }
    } catch (...) {
        catchUp();
        throw;
    }
    catchUp();
}

// Where the line of a text field is kept; null for a key of no text field.
AnsiString* KeptLineOf(TKeptUrlTexts& kept, THotlistKey key)
{
    switch (key) {
    case hkName: return &kept.Name;
    case hkUrl: return &kept.Url;
    case hkShortName: return &kept.ShortName;
    case hkDescription: return &kept.Description;
    case hkIconFile: return &kept.IconFile;
    default: return nullptr;
    }
}

// ReadUrlBlock with the lines of the text fields kept in `kept`, or dropped
// where it is null. Text fields never fail, so neither changes an outcome.
void ReadUrlBlockPuttingTextsAside(TTextFile& file, WideString& line, TTansyBookmarkUrl& url, TKeptUrlTexts* kept)
{
    ClearBookmarkUrl(url);
    TKeptUrlTexts dropped;  // empty texts: their storage is never used
    TKeptUrlTexts& texts = kept != nullptr ? *kept : dropped;
    for (AnsiString* text : {&texts.Name, &texts.Url, &texts.ShortName, &texts.Description, &texts.IconFile})
        text->clear();
    ReadBlockLines(file, line, [&](std::string_view text, THotlistKey key) {
        if (AnsiString* keptLine = KeptLineOf(texts, key)) {
            if (kept != nullptr) keptLine->assign(text);
            return;
        }
        ApplyUrlField(text, key, url);
    });
}

void ApplyKept(const AnsiString& line, THotlistKey key, TTansyBookmarkUrl& url)
{
    if (!line.empty()) ApplyUrlField(line, key, url);
}

}  // namespace

void ReadDirBlock(TTextFile& file, WideString& line, TTansyBookmarkDir& dir)
{
    ClearBookmarkDir(dir);
    ReadBlockLines(file, line, [&](std::string_view text, THotlistKey key) { ApplyDirField(text, key, dir); });
}

void ReadUrlBlock(TTextFile& file, WideString& line, TTansyBookmarkUrl& url)
{
    ClearBookmarkUrl(url);
    ReadBlockLines(file, line, [&](std::string_view text, THotlistKey key) { ApplyUrlField(text, key, url); });
}

void ReadUrlBlockKeepingTexts(TTextFile& file, WideString& line, TTansyBookmarkUrl& url, TKeptUrlTexts& kept)
{
    ReadUrlBlockPuttingTextsAside(file, line, url, &kept);
}

void ReadUrlBlockWithoutTexts(TTextFile& file, WideString& line, TTansyBookmarkUrl& url)
{
    ReadUrlBlockPuttingTextsAside(file, line, url, nullptr);
}

void StoreKeptName(const TKeptUrlTexts& kept, TTansyBookmarkUrl& url)
{
    ApplyKept(kept.Name, hkName, url);
}

void StoreKeptTexts(const TKeptUrlTexts& kept, TTansyBookmarkUrl& url)
{
    ApplyKept(kept.Name, hkName, url);
    ApplyKept(kept.Url, hkUrl, url);
    ApplyKept(kept.ShortName, hkShortName, url);
    ApplyKept(kept.Description, hkDescription, url);
    ApplyKept(kept.IconFile, hkIconFile, url);
}
