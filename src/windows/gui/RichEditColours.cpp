#include "RichEditColours.h"

#include <richedit.h>

#include "resources/ReadableText.h"

void SetRichEditColours(HWND control, Rgb background) {
    SendMessageA(control, EM_SETBKGNDCOLOR, 0,
                 static_cast<LPARAM>(RGB(background.red, background.green, background.blue)));
    const Rgb text = TextColourOn(background);
    CHARFORMATA format{};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_COLOR;
    format.crTextColor = RGB(text.red, text.green, text.blue);
    SendMessageA(control, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    SendMessageA(control, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
}
