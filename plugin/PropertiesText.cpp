// The properties text of a bookmark: eleven lines under Russian labels.
#include "PLUGIN_Main.h"

WideString FormatBookmarkProperties(const TTansyBookmarkUrl& url)
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
    return text;
}
