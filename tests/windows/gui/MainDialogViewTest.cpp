// The view against real Win32 controls (under Wine, on a virtual display):
// what the core counts in characters must agree with what the controls hold.
#include <gtest/gtest.h>
#include <richedit.h>

#include <cstdio>
#include <memory>
#include <string>

#include "DialogTemplate.h"
#include "MainDialogView.h"

namespace {

INT_PTR CALLBACK QuietDialog(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

class MainDialogViewTest : public testing::Test {
  protected:
    void SetUp() override {
        library = LoadLibraryA("Msftedit.dll");
        ASSERT_NE(library, nullptr);
        const DialogTemplate dialogTemplate(MainDialogLayout(), "RICHEDIT50W");
        dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                            static_cast<LPCDLGTEMPLATEA>(dialogTemplate.Data()),
                                            nullptr, QuietDialog, 0);
        ASSERT_NE(dialog, nullptr);
        view = std::make_unique<MainDialogView>(GetModuleHandleA(nullptr), dialog);
        display = GetDlgItem(dialog, MainControl::kDisplay);
    }

    void TearDown() override {
        view.reset();
        if (dialog != nullptr) DestroyWindow(dialog);
        if (library != nullptr) FreeLibrary(library);
    }

    // The display's text as the control keeps it: one CR per line end.
    std::string DisplayText() const {
        char buffer[4096] = {};
        GETTEXTEX request{};
        request.cb = sizeof(buffer);
        request.flags = GT_DEFAULT;
        request.codepage = CP_ACP;
        SendMessageA(display, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request),
                     reinterpret_cast<LPARAM>(buffer));
        return buffer;
    }

    std::string FieldText(uint16_t id) const {
        char buffer[512] = {};
        GetDlgItemTextA(dialog, id, buffer, sizeof(buffer));
        return buffer;
    }

    void Append(const std::string& bytes) { view->DisplayAppend(bytes.data(), bytes.size()); }

    HMODULE library = nullptr;
    HWND dialog = nullptr;
    HWND display = nullptr;
    std::unique_ptr<MainDialogView> view;
};

TEST_F(MainDialogViewTest, DisplayAppendsAtTheEndAndCutsTheFrontByCharacters) {
    Append("AB\nC");
    Append("DE\nF");
    Append("\nx\ny\xE4");
    EXPECT_EQ(DisplayText(), "AB\rCDE\rF\rx\ry\xE4");

    view->DisplayDeleteFront(2);  // the line end stays
    EXPECT_EQ(DisplayText(), "\rCDE\rF\rx\ry\xE4");
    view->DisplayDeleteFront(4);  // the line end and "CDE"
    EXPECT_EQ(DisplayText(), "\rF\rx\ry\xE4");
    // A front cut leaves the caret at the end.
    CHARRANGE caret{};
    SendMessageA(display, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    EXPECT_EQ(caret.cpMin, 7);
    EXPECT_EQ(caret.cpMax, 7);
    Append("Z");
    EXPECT_EQ(DisplayText(), "\rF\rx\ry\xE4Z");

    view->DisplayClear();
    Append("new");
    EXPECT_EQ(DisplayText(), "new");
}

TEST_F(MainDialogViewTest, FirstVisibleCharacterStartsTheTopLine) {
    constexpr int kLines = 100;
    constexpr size_t kCharsPerLine = 9;  // "line NNN" and its line end
    for (int i = 0; i < kLines; ++i) {
        char line[16];
        std::snprintf(line, sizeof(line), "line %03d\n", i);
        Append(line);
    }
    SendMessageA(display, EM_SETSEL, 0, 0);
    SendMessageA(display, EM_SCROLLCARET, 0, 0);
    SendMessageA(display, EM_LINESCROLL, 0, 40);
    const LRESULT firstLine = SendMessageA(display, EM_GETFIRSTVISIBLELINE, 0, 0);
    ASSERT_GT(firstLine, 0);
    EXPECT_EQ(view->DisplayFirstVisibleCharacter(), static_cast<size_t>(firstLine) * kCharsPerLine);

    view->DisplayDeleteFront(5 * kCharsPerLine);
    const LRESULT shifted = SendMessageA(display, EM_GETFIRSTVISIBLELINE, 0, 0);
    EXPECT_EQ(view->DisplayFirstVisibleCharacter(), static_cast<size_t>(shifted) * kCharsPerLine);
}

TEST_F(MainDialogViewTest, FieldTextIsReplacedWholeEvenWhenWiderThanTheField) {
    view->SetFieldText(MainControl::kStatusLine, "RxQue = 0       received = 0       ");
    view->SetFieldText(MainControl::kStatusLine, "x");
    EXPECT_EQ(FieldText(MainControl::kStatusLine), "x");

    const std::string wide(120, 'w');
    view->SetFieldText(MainControl::kClock, wide.c_str());
    EXPECT_EQ(FieldText(MainControl::kClock), wide);
    view->SetFieldText(MainControl::kSettingsField, " COM1: 115200,E,8,1");
    EXPECT_EQ(FieldText(MainControl::kSettingsField), " COM1: 115200,E,8,1");
}

TEST_F(MainDialogViewTest, OnlyTheProgramChangesLatchedButtonsAndIndicators) {
    namespace C = MainControl;
    for (uint16_t id : {C::kSendX, C::kDisplayHalt, C::kHex, C::kDtr, C::kRts, C::kCts, C::kDsr,
                        C::kRi, C::kRlsd}) {
        SCOPED_TRACE(id);
        HWND button = GetDlgItem(dialog, id);
        SendMessageA(button, BM_CLICK, 0, 0);
        EXPECT_FALSE(view->IsChecked(id));
        view->SetChecked(id, true);
        SendMessageA(button, BM_CLICK, 0, 0);
        EXPECT_TRUE(view->IsChecked(id));
        view->SetChecked(id, false);
        EXPECT_FALSE(view->IsChecked(id));
    }
}

}  // namespace
