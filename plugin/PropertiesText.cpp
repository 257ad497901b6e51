// The properties text of a bookmark: eleven lines under Russian labels.
#include <algorithm>

#include "PLUGIN_Main.h"

namespace {

// Lines 7 to 11, the flags, positions and times: the same in both forms.
void AppendFlagsAndTimes(WideString& text, const TTansyBookmarkUrl& url)
{
    text += u"\n" u"НА ПЕРСОНАЛЬНОЙ ПАНЕЛИ: ";
    text += WideFromAnsi(BoolToText(url.OnPersonalBar));
    text += u", ПОЗИЦИЯ: ";
    text += WideFromAnsi(IntToText(url.PersonalBarPos));
    text += u"\n" u"АКТИВНА: ";
    text += WideFromAnsi(BoolToText(url.Active));
    text += u"\n" u"НА ПЕРСОНАЛЬНОЙ ПАНЕЛИ: ";
    text += WideFromAnsi(BoolToText(url.InPanel != 0));
    text += u", ПОЗИЦИЯ: ";
    text += WideFromAnsi(IntToText(url.PanelPos));
    text += u"\n" u"СОЗДАНА: ";
    text += WideFromAnsi(IntToText(static_cast<int64_t>(url.Created)));
    text += u"\n" u"ПОСЕЩЕНА: ";
    text += WideFromAnsi(IntToText(static_cast<int64_t>(url.Visited)));
}

// The texts go through the code page: the name, alias and description
// decoded from UTF-8 into it, the address and icon as read.
WideString AnsiPropertiesText(const TTansyBookmarkUrl& url)
{
    // The first lines are built as ANSI text and widened as one piece.
    // The label goes through the code page like every other one, so it reads
    // right whatever the code page is.
    const AnsiString head = "ID: " + IntToText(url.Id) + "\n" + AnsiFromWide(u"ИМЯ: ") +
                            AnsiFromUtf8(url.Name) + "\n" + "URL: ";
    WideString text = WideFromAnsi(head);
    text += url.Url;
    text += u"\n" u"ИКОНКА: ";
    text += url.IconFile;
    text += u"\n" u"АЛИАС: ";
    // Cut before a zero byte as the wide fields are, or the box would end there.
    text += TextToWide(AnsiFromUtf8(AnsiFromShort(url.ShortName)));
    text += u"\n" u"ОПИСАНИЕ:";
    text += WideFromAnsi(AnsiFromUtf8(AnsiFromWide(url.Description)));
    AppendFlagsAndTimes(text, url);
    return text;
}

// UTF-8 bytes decoded whole, cut before a zero, or the box would end there.
WideString Shown(std::string_view utf8)
{
    WideString text = Utf16FromUtf8(utf8);
    text.resize(std::min(text.size(), text.find(u'\0')));
    return text;
}

// Every text decoded from the file's UTF-8 without loss. The wide fields
// hold the file's bytes widened through the code page: narrowed again, they
// are those bytes.
WideString WidePropertiesText(const TTansyBookmarkUrl& url)
{
    WideString text = u"ID: " + WideFromAnsi(IntToText(url.Id));
    text += u"\n" u"ИМЯ: ";
    text += Shown(url.Name);
    text += u"\n" u"URL: ";
    text += Shown(AnsiFromWide(url.Url));
    text += u"\n" u"ИКОНКА: ";
    text += Shown(AnsiFromWide(url.IconFile));
    text += u"\n" u"АЛИАС: ";
    text += Shown(url.ShortName.View());
    text += u"\n" u"ОПИСАНИЕ:";
    text += Shown(AnsiFromWide(url.Description));
    AppendFlagsAndTimes(text, url);
    return text;
}

}  // namespace

WideString FormatBookmarkProperties(const TTansyBookmarkUrl& url, TNameForm form)
{
    return form == nfWide ? WidePropertiesText(url) : AnsiPropertiesText(url);
}
