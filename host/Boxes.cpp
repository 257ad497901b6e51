#include "Boxes.h"

#include <utility>

namespace host {

namespace {
MessageBoxListener CurrentListener;
}

MessageBoxListener SetMessageBoxListener(MessageBoxListener listener)
{
    std::swap(CurrentListener, listener);
    return listener;
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
