// The main window's display against the core's line break after 80
// characters: at the display resolution this process runs at, 80 cells of
// the display's font fit beside its scroll bar, so a SendX line takes one
// row. gui_test.py runs it once per resolution, each time naming the
// resolution it set in QUORVANT_EXPECTED_DPI so that a setting Wine did not
// take shows as such.
#include <gtest/gtest.h>
#include <richedit.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "DialogTemplate.h"
#include "MainDialogView.h"
#include "terminal/SendXLines.h"

namespace {

constexpr int kColumns = 80;

INT_PTR CALLBACK QuietDialog(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

class DisplayColumnsTest : public testing::Test {
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

    // SendX lines as the core hands them over, each followed by the break
    // after 80 columns; enough of them to bring up the scroll bar, which
    // the control shows only once the text is taller than itself.
    void AppendStreamLines(int count) {
        SendXLines stream;
        for (int i = 0; i < count; ++i) {
            const size_t length = stream.BuildBurst(kOneLineBaud);
            ASSERT_EQ(length, SendXLines::kLineLength);
            std::string line(reinterpret_cast<const char*>(stream.Burst()), length);
            line += '\n';
            view->DisplayAppend(line.data(), line.size());
        }
    }

    static constexpr uint32_t kOneLineBaud = SendXLines::kBaudPerLine;
    static constexpr int kScreenfuls = 60;
    HMODULE library = nullptr;
    HWND dialog = nullptr;
    HWND display = nullptr;
    std::unique_ptr<MainDialogView> view;
};

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

struct FontCells {
    char face[LF_FACESIZE];
    bool fixedPitch;
    int narrowRow;  // 80 cells of 'i'
    int wideRow;    // 80 cells of 'W'
};

// The display's default character format as a font of this screen, the way
// the control itself draws it.
FontCells Measure(HWND control) {
    CHARFORMATA format{};
    format.cbSize = sizeof(format);
    SendMessageA(control, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    LOGFONTA request{};
    constexpr int kTwipsPerInch = 1440;
    request.lfHeight = -MulDiv(format.yHeight, ScreenDpi(), kTwipsPerInch);
    request.lfWeight = (format.dwEffects & CFE_BOLD) ? FW_BOLD : FW_NORMAL;
    request.lfCharSet = format.bCharSet;
    request.lfPitchAndFamily = format.bPitchAndFamily;
    lstrcpynA(request.lfFaceName, format.szFaceName, LF_FACESIZE);
    HFONT font = CreateFontIndirectA(&request);
    FontCells cells{};
    HDC dc = GetDC(control);
    HGDIOBJ previous = SelectObject(dc, font);
    GetTextFaceA(dc, sizeof(cells.face), cells.face);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    // The flag is named the wrong way round: set means variable pitch.
    cells.fixedPitch = (metrics.tmPitchAndFamily & TMPF_FIXED_PITCH) == 0;
    const std::string narrow(kColumns, 'i');
    const std::string wide(kColumns, 'W');
    SIZE extent{};
    GetTextExtentPoint32A(dc, narrow.data(), kColumns, &extent);
    cells.narrowRow = extent.cx;
    GetTextExtentPoint32A(dc, wide.data(), kColumns, &extent);
    cells.wideRow = extent.cx;
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    DeleteObject(font);
    return cells;
}

TEST_F(DisplayColumnsTest, EightyCellsOfTheDisplayFontFitBesideTheScrollBar) {
    const char* expected = std::getenv("QUORVANT_EXPECTED_DPI");
    if (expected != nullptr) {
        ASSERT_EQ(ScreenDpi(), std::atoi(expected));
    }

    AppendStreamLines(kScreenfuls);
    SCROLLBARINFO scrollBar{};
    scrollBar.cbSize = sizeof(scrollBar);
    ASSERT_TRUE(GetScrollBarInfo(display, OBJID_VSCROLL, &scrollBar));
    ASSERT_FALSE(scrollBar.rgstate[0] & STATE_SYSTEM_INVISIBLE) << "no scroll bar";
    const FontCells cells = Measure(display);
    EXPECT_TRUE(cells.fixedPitch) << cells.face;
    EXPECT_EQ(cells.narrowRow, cells.wideRow) << cells.face << " is not monospaced";

    RECT client{};
    GetClientRect(display, &client);
    RECT text{};
    SendMessageA(display, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
    EXPECT_GE(client.right - client.left, cells.wideRow)
        << cells.face << " at " << ScreenDpi() << " DPI";
    EXPECT_GE(text.right - text.left, cells.wideRow)
        << cells.face << " at " << ScreenDpi() << " DPI, text area " << text.left << " to "
        << text.right;
    std::printf("%d DPI: %s, 80 cells %d px, client %ld px, text area %ld px\n", ScreenDpi(),
                cells.face, cells.wideRow, client.right - client.left, text.right - text.left);
}

TEST_F(DisplayColumnsTest, ASendXLineTakesOneRow) {
    AppendStreamLines(kScreenfuls);
    // Rows as the control draws them, wrapped lines included: line k of the
    // text starts row k and its last character is still on it.
    for (int line = 0; line < kScreenfuls; ++line) {
        const LPARAM start = static_cast<LPARAM>(line) * (kColumns + 1);
        ASSERT_EQ(SendMessageA(display, EM_EXLINEFROMCHAR, 0, start + kColumns - 1), line)
            << "line " << line << " wraps";
    }
}

}  // namespace
