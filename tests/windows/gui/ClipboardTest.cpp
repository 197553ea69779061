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

TEST(SaveFile, WritesCrLfAndFailsWhereNoFileCanBeMade) {
    MessageBoxDesktop desktop;
    char folder[MAX_PATH] = {};
    ASSERT_NE(GetTempPathA(sizeof(folder), folder), 0u);
    const std::string path = std::string(folder) + "quorvant-save-test.txt";
    const char text[] = "one\ntwo\r\xE4\x80 end";
    ASSERT_TRUE(desktop.WriteTextFile(path.c_str(), text, sizeof(text) - 1));
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    char back[64] = {};
    const size_t read = std::fread(back, 1, sizeof(back), file);
    std::fclose(file);
    std::remove(path.c_str());
    EXPECT_EQ(std::string(back, read), "one\r\ntwo\r\n\xE4\x80 end");

    const std::string gone = std::string(folder) + "quorvant-no-such-folder\\x.txt";
    EXPECT_FALSE(desktop.WriteTextFile(gone.c_str(), text, sizeof(text) - 1));
}

}  // namespace
