#include "Boxes.h"

namespace host {

namespace {
MessageBoxListener CurrentListener;
}

void SetMessageBoxListener(MessageBoxListener listener)
{
    CurrentListener = std::move(listener);
}

int OnMessageBox(HWND owner, const char* text, const char* caption, UINT style)
{
    // Nothing may be thrown back into the library's frames.
    try {
        MessageBoxCall box;
        box.owner = owner;
        box.caption = caption ? caption : "";
        box.text = text ? text : "";
        box.style = style;
        if (CurrentListener) CurrentListener(box);
    } catch (...) {
    }
    return IDOK;
}

}  // namespace host
