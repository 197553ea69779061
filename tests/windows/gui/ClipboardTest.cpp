// The main window's copy and save on Windows: the display's bytes reach the
// clipboard and the file as Windows-1252 text with CR LF line ends.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "MessageBoxDesktop.h"

namespace {

std::string ClipboardText() {
    std::string text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (auto* chars = static_cast<const char*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

TEST(Clipboard, LineEndsOfEveryKindBecomeCrLf) {
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"a\r\nb", "a\r\nb"},
        {"a\rb\nc", "a\r\nb\r\nc"},
        {"\n\r\r\n", "\r\n\r\n\r\n"},
        {"end\r", "end\r\n"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WithCrLf(c.in.data(), c.in.size()), c.out) << c.in;
    }
}

TEST(Clipboard, CopiesTheBytesAsText) {
    MessageBoxDesktop desktop;
    const char text[] = "one\rtwo\n\xE4\x80 end";
    ASSERT_TRUE(desktop.CopyToClipboard(text, sizeof(text) - 1));
    EXPECT_EQ(ClipboardText(), "one\r\ntwo\r\n\xE4\x80 end");
}

TEST(SaveFile, ScreenshotsAreWindows1252WithCrLf) {
    MessageBoxDesktop desktop;
    EXPECT_EQ(desktop.ScreenshotForm(), TextForm::Windows1252CrLf);
}

}  // namespace
