// The Win32 port settings dialog against real controls (under Wine, on a
// virtual display), driven by the real dialog logic: the template built from
// the layout data, marks set only by the logic, the focus passed on to the new
// port, the timer's list rebuilds and the two ways out.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "FakeCommDevice.h"
#include "PortSettingsDialogHost.h"
#include "serial/PortSettingsDialog.h"

namespace P = PortControl;

namespace {

class PortSettingsDialogHostTest : public testing::Test {
  protected:
    void SetUp() override {
        logic.SetRequest(LineSettings{7, 115200, 'E', 8, 1});
        dialog = host.Create(nullptr);
        ASSERT_NE(dialog, nullptr);
    }

    std::string Text(uint16_t id) const {
        char buffer[2048] = {};
        GetDlgItemTextA(dialog, id, buffer, sizeof(buffer));
        return buffer;
    }
    bool Checked(uint16_t id) const { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
    void Click(uint16_t id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
    LONG Style(uint16_t id) const { return GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE); }
    std::string Result() const { return logic.ResultText().text; }

    FakePortNames names{1, 7};
    PortSettingsDialog logic{names};
    PortSettingsDialogHost host{GetModuleHandleA(nullptr), logic};
    HWND dialog = nullptr;
};

TEST_F(PortSettingsDialogHostTest, TheTemplateMakesButtonsThatNeverMarkThemselves) {
    const DialogLayout& layout = PortDialogLayout();
    int radios = 0;
    for (size_t i = 0; i < layout.controlCount; ++i) {
        const ControlLayout& control = layout.controls[i];
        if (control.id == kNoId) continue;
        SCOPED_TRACE(control.id);
        ASSERT_NE(GetDlgItem(dialog, control.id), nullptr);
        // Only the new port number is a tab stop in the template (the button
        // control makes a marked radio button one of its own).
        EXPECT_EQ((ControlClassOf(control, nullptr).style & WS_TABSTOP) != 0,
                  control.id == P::kNewPort);
        if (control.kind == ControlKind::RadioButton) {
            ++radios;
            EXPECT_EQ(Style(control.id) & BS_TYPEMASK, BS_RADIOBUTTON);
        }
    }
    EXPECT_EQ(radios, 27);
    EXPECT_EQ(Style(P::kPermanently) & BS_TYPEMASK, BS_CHECKBOX);
    EXPECT_NE(Style(1021) & BS_LEFTTEXT, 0);
    EXPECT_NE(Style(1021) & WS_GROUP, 0);
    EXPECT_NE(Style(P::kParityEven) & WS_GROUP, 0);
    EXPECT_EQ(Style(P::kParityOdd) & WS_GROUP, 0);
    EXPECT_NE(Style(P::kPortList) & ES_MULTILINE, 0);
    EXPECT_NE(Style(P::kPortList) & ES_READONLY, 0);
    EXPECT_EQ(Style(P::kNewPort) & ES_READONLY, 0);
    // The layout's hint line is the Linux dialog's only.
    EXPECT_EQ(GetDlgItem(dialog, P::kPortHint), nullptr);
}

TEST_F(PortSettingsDialogHostTest, OpensWithTheRequestAndMarksOnlyByTheLogic) {
    char caption[64] = {};
    GetWindowTextA(dialog, caption, sizeof(caption));
    EXPECT_STREQ(caption, "Serial Port Settings");
    EXPECT_EQ(Text(P::kCurrentSettings), "115200,E,8,1");
    EXPECT_EQ(Text(P::kCurrentPort), "7");
    EXPECT_EQ(Text(P::kPortList).substr(0, 28), "001 ___ ___ ___ ___ ___ 007 ");
    EXPECT_TRUE(Checked(P::kPermanently));
    EXPECT_TRUE(Checked(1032));

    Click(1032);  // the marked one stays marked
    EXPECT_TRUE(Checked(1032));
    Click(1025);
    EXPECT_TRUE(Checked(1025));
    EXPECT_FALSE(Checked(1032));
    Click(P::kParityNone);
    EXPECT_TRUE(Checked(P::kParityNone));
    EXPECT_FALSE(Checked(P::kParityEven));
    Click(P::kPermanently);
    EXPECT_FALSE(Checked(P::kPermanently));

    SetDlgItemTextA(dialog, P::kNewPort, "12");
    Click(P::kOk);
    EXPECT_TRUE(host.Ended());
    EXPECT_EQ(Result(), "012_009600_N_8_1_0_");
}

TEST_F(PortSettingsDialogHostTest, ReadOnlyEditsPassTheFocusToTheNewPort) {
    ShowWindow(dialog, SW_SHOW);
    SetForegroundWindow(dialog);
    for (uint16_t id : {P::kPortList, P::kCurrentPort, P::kCurrentSettings}) {
        SetFocus(GetDlgItem(dialog, id));
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, P::kNewPort)) << id;
    }
}

TEST_F(PortSettingsDialogHostTest, TimerRebuildsTheListAndTheCloseBoxIsEscape) {
    EXPECT_EQ(Text(P::kPortList).back(), ' ');
    for (int tick = 0; tick < 10; ++tick) SendMessageA(dialog, WM_TIMER, 873, 0);
    EXPECT_EQ(Text(P::kPortList).back(), '_');

    Click(1021);
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    EXPECT_TRUE(host.Ended());
    EXPECT_EQ(Result(), "007_115200_E_8_1_X_");
}

}  // namespace
