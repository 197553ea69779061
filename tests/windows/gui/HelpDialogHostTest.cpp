// The Win32 help window against real controls (under Wine, on a virtual
// display), driven by the real help logic: the template built from the
// layout data, the text and colour of each language, the marks, the
// clipboard and the ways out.
#include <gtest/gtest.h>

#include <richedit.h>

#include <string>

#include "HelpDialogHost.h"
#include "help/HelpWindow.h"

namespace H = HelpControl;

namespace {

class HelpDialogHostTest : public testing::Test {
  protected:
    void Open(char language) {
        helpLanguage = language;
        dialog = host.Create(nullptr);
        ASSERT_NE(dialog, nullptr);
        ShowWindow(dialog, SW_SHOW);
        SetForegroundWindow(dialog);
        // The hint line's focus renders, as when the dialog manager gives it
        // the focus at opening.
        SetFocus(GetDlgItem(dialog, H::kHint));
    }

    std::string Text(uint16_t id) const {
        char buffer[8192] = {};
        GetDlgItemTextA(dialog, id, buffer, sizeof(buffer));
        return buffer;
    }
    bool Checked(uint16_t id) const { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
    void Click(uint16_t id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
    LONG Style(uint16_t id) const { return GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE); }
    // Setting a colour answers the one before; the logic's is put back.
    COLORREF Background() const {
        HWND text = GetDlgItem(dialog, H::kText);
        const LRESULT colour = SendMessageA(text, EM_SETBKGNDCOLOR, 0, RGB(0, 0, 0));
        SendMessageA(text, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(colour));
        return static_cast<COLORREF>(colour);
    }
    std::wstring Clipboard() const {
        std::wstring text;
        if (!OpenClipboard(nullptr)) return text;
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            if (auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
                text = chars;
                GlobalUnlock(data);
            }
        }
        CloseClipboard();
        return text;
    }

    char helpLanguage = 'E';
    HelpWindow logic{helpLanguage};
    HelpDialogHost host{GetModuleHandleA(nullptr), logic};
    HWND dialog = nullptr;
};

TEST_F(HelpDialogHostTest, TheTemplateMakesAnEditableTextAndOneTabStop) {
    Open('E');
    const DialogLayout& layout = HelpDialogLayout();
    for (size_t i = 0; i < layout.controlCount; ++i) {
        const ControlLayout& control = layout.controls[i];
        SCOPED_TRACE(control.id);
        ASSERT_NE(GetDlgItem(dialog, control.id), nullptr);
        EXPECT_EQ((ControlClassOf(control, nullptr).style & WS_TABSTOP) != 0,
                  control.id == H::kHint);
    }
    EXPECT_EQ(Style(H::kText) & (ES_READONLY | ES_WANTRETURN), ES_WANTRETURN);
    EXPECT_EQ(Style(H::kEnglish) & BS_TYPEMASK, BS_RADIOBUTTON);
    char title[64] = {};
    GetWindowTextA(dialog, title, sizeof(title));
    EXPECT_STREQ(title, "help window");
}

TEST_F(HelpDialogHostTest, ShowsEachLanguageAndCopiesTheWholeText) {
    Open('E');
    EXPECT_EQ(Text(H::kText).rfind("COM PORT WINDOW (COMx:115200,E,8,1)", 0), 0u);
    EXPECT_EQ(Background(), RGB(0xFF, 0xE0, 0x70));
    EXPECT_EQ(Text(H::kHint), "Return to main window: press ESCAPE;");
    EXPECT_TRUE(Checked(H::kEnglish));
    EXPECT_FALSE(Checked(H::kGerman));
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog, H::kText));

    Click(H::kGerman);
    EXPECT_EQ(helpLanguage, 'D');
    EXPECT_EQ(Text(H::kText).rfind("Schnittstellenfenster", 0), 0u);
    EXPECT_EQ(Background(), RGB(0xE0, 0xFF, 0x70));
    EXPECT_TRUE(Checked(H::kGerman));
    EXPECT_FALSE(Checked(H::kEnglish));

    Click(H::kCopy);
    const std::wstring copied = Clipboard();
    EXPECT_EQ(copied.rfind(L"Schnittstellenfenster", 0), 0u);
    EXPECT_NE(copied.find(L"ohne etwas zu ver\u00E4ndern."), std::wstring::npos);
}

TEST_F(HelpDialogHostTest, EscapeAndTheCloseBoxEndIt) {
    for (bool closeBox : {false, true}) {
        Open('D');
        if (closeBox) {
            SendMessageA(dialog, WM_CLOSE, 0, 0);
        } else {
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
        EXPECT_TRUE(host.Ended());
        DestroyWindow(dialog);
    }
}

}  // namespace
