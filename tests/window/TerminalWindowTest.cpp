// Start-up, the buttons, the keys and closing of the main window.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "WindowRig.h"
#include "terminal/VirtualKeys.h"

namespace {

using namespace window_test;

size_t IndexOf(const std::vector<std::string>& events, const std::string& event) {
    auto it = std::find(events.begin(), events.end(), event);
    return it == events.end() ? events.size() : static_cast<size_t>(it - events.begin());
}

TEST(StartUp, OpensThePortWritesTheSetupFileAndStartsBothTimers) {
    WindowRig rig;
    ASSERT_FALSE(std::filesystem::exists(rig.app.appPaths.SetupFilePath()));
    std::vector<std::string> journal;
    rig.view.journal = &journal;
    rig.Start();

    EXPECT_TRUE(std::filesystem::exists(rig.app.appPaths.SetupFilePath()));
    EXPECT_EQ(rig.view.caption, "QUORVANTVIEW   quorvant   V.2.17");
    EXPECT_TRUE(rig.view.alwaysOnTop);
    EXPECT_TRUE(rig.view.shown);
    EXPECT_EQ(rig.view.Field(C::kSettingsField), " COM1: 115200,E,8,1");
    EXPECT_EQ(rig.view.lamp, LampColour::Green);
    EXPECT_TRUE(rig.view.IsChecked(C::kDtr));
    EXPECT_TRUE(rig.view.IsChecked(C::kRts));
    EXPECT_TRUE(rig.device.state.dtrEnable && rig.device.state.rtsEnable);
    EXPECT_EQ(rig.device.lastSet.baudRate, 115200u);
    EXPECT_EQ(rig.view.background.green, 255);
    EXPECT_TRUE(rig.desktop.messages.empty());
    EXPECT_EQ(rig.app.helpLanguage, 'D');

    size_t poll = IndexOf(journal, "timer 999 100"), clock = IndexOf(journal, "timer 998 1000");
    EXPECT_LT(IndexOf(journal, "show"), poll);
    EXPECT_LT(poll, clock);
    EXPECT_LT(clock, journal.size());
}

TEST(StartUp, APortThatCannotOpenIsReportedBeforeTheTimersRun) {
    WindowRig rig({});
    std::vector<std::string> journal;
    rig.view.journal = &journal;
    rig.desktop.journal = &journal;
    rig.Start();

    ASSERT_EQ(rig.desktop.messages, std::vector<std::string>{" COM1 port error !"});
    EXPECT_EQ(rig.view.Field(C::kSettingsField), " COM1 port error");
    EXPECT_EQ(rig.view.lamp, LampColour::Black);
    EXPECT_FALSE(rig.view.IsChecked(C::kDtr));
    size_t message = IndexOf(journal, "message  COM1 port error !");
    EXPECT_LT(message, IndexOf(journal, "lamp 136"));
    EXPECT_LT(IndexOf(journal, "lamp 136"), IndexOf(journal, "show"));
    EXPECT_LT(IndexOf(journal, "show"), IndexOf(journal, "timer 999 100"));
    EXPECT_TRUE(std::filesystem::exists(rig.app.appPaths.SetupFilePath()));
}

TEST(StartUp, TakesTheLineSettingsFromTheSetupFile) {
    WindowRig rig({3});
    std::filesystem::path file = rig.app.appPaths.SetupFilePath();
    {
        std::FILE* f = std::fopen(file.string().c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs(
            "[RS232]\r\nCOMPORT=3\r\nCOMBAUD=9600\r\nCOMPARI=N\r\nCOMBITS=8\r\nCOMSTOP=1\r\n", f);
        std::fclose(f);
    }
    rig.Start();
    EXPECT_EQ(rig.view.Field(C::kSettingsField), " COM3: 9600,N,8,1");
    EXPECT_EQ(rig.device.openPort, 3);
}

TEST(ClockTick, ShowsDateAndTimeAndReturnsTheFocus) {
    WindowRig rig;
    rig.Start();
    size_t focus = rig.view.focusCount;
    rig.window.OnTimer(kClockTimerId);
    EXPECT_EQ(rig.view.Field(C::kClock), "06.12.26 06:10:00 ");
    EXPECT_EQ(rig.view.focusCount, focus + 1);
    rig.window.OnTimer(997);  // not ours: nothing happens
    EXPECT_EQ(rig.view.focusCount, focus + 1);
}

TEST(Buttons, LatchedButtonsFollowTheirFlagsAndEveryButtonReturnsTheFocus) {
    WindowRig rig;
    rig.Start();
    rig.device.Feed("old");
    rig.Tick();
    ASSERT_EQ(rig.view.display, "old");

    // X clears the display both ways.
    rig.Click(C::kHex);
    EXPECT_TRUE(rig.view.IsChecked(C::kHex));
    EXPECT_EQ(rig.view.display, "");
    rig.device.Feed("A");
    rig.Tick();
    EXPECT_EQ(rig.view.display, "[41]");
    rig.Click(C::kHex);
    EXPECT_FALSE(rig.view.IsChecked(C::kHex));
    EXPECT_EQ(rig.view.display, "");

    // Input indicators keep what the port says.
    rig.device.modemBits = kModemCtsOn;
    rig.Tick();
    size_t focus = rig.view.focusCount;
    for (uint16_t id : {C::kCts, C::kDsr, C::kRi, C::kRlsd}) rig.Click(id);
    EXPECT_TRUE(rig.view.IsChecked(C::kCts));
    EXPECT_FALSE(rig.view.IsChecked(C::kDsr));
    EXPECT_EQ(rig.view.focusCount, focus + 4);

    for (uint16_t id : {C::kSyncX, C::kSendX, C::kSendX, C::kDisplayHalt, C::kDisplayHalt,
                        C::kDisplayClear, C::kCopy, C::kSave, C::kDtr, C::kRts}) {
        size_t before = rig.view.focusCount;
        rig.Click(id);
        EXPECT_GT(rig.view.focusCount, before) << id;
    }
}

TEST(Buttons, DtrAndRtsToggleTheLineAndTheMark) {
    WindowRig rig;
    rig.Start();
    rig.Click(C::kDtr);
    EXPECT_FALSE(rig.view.IsChecked(C::kDtr));
    EXPECT_FALSE(rig.device.state.dtrEnable);
    EXPECT_TRUE(rig.device.state.rtsEnable);
    rig.Click(C::kDtr);
    EXPECT_TRUE(rig.view.IsChecked(C::kDtr));
    EXPECT_TRUE(rig.device.state.dtrEnable);
    rig.Click(C::kRts);
    EXPECT_FALSE(rig.device.state.rtsEnable);

    // Closed: only the mark moves.
    WindowRig closed({});
    closed.Start();
    closed.Click(C::kDtr);
    EXPECT_TRUE(closed.view.IsChecked(C::kDtr));
    EXPECT_EQ(closed.device.Count(FakeCall::SetState), 0u);
}

TEST(Keys, TypedKeysGoOutOneByteEachAtOnce) {
    WindowRig rig;
    rig.Start();
    EXPECT_EQ(rig.Press(VirtualKey::kLetterA, 'A'), KeyResult::Handled);
    rig.Press('3', '3', true);
    // No character: nothing at all, not a NUL byte.
    EXPECT_EQ(rig.Press(VirtualKey::kF11), KeyResult::Handled);
    rig.Press(VirtualKey::kEnter, 0x0D);
    rig.Press(VirtualKey::kEscape, 0x1B);
    EXPECT_EQ(rig.Written(), "a\xA7\r\x1B");
    EXPECT_EQ(rig.Press(VirtualKey::kBackspace, 0x08), KeyResult::PassOn);  // the dialog's
    EXPECT_EQ(rig.Written().size(), 4u);
}

TEST(Keys, EnterAndEscapeOnlyStopARunningStream) {
    for (uint16_t key : {VirtualKey::kEnter, VirtualKey::kEscape}) {
        WindowRig rig;
        rig.Start();
        rig.Click(C::kSendX);
        EXPECT_EQ(rig.Press(key, static_cast<uint8_t>(key)), KeyResult::Handled);
        EXPECT_FALSE(rig.view.IsChecked(C::kSendX));
        rig.Tick();
        EXPECT_EQ(rig.Written(), "") << key;
        EXPECT_EQ(rig.view.lamp, LampColour::Green);
    }
}

TEST(Keys, AltCClearsAtTheNextTickAndAltXCloses) {
    WindowRig rig;
    rig.Start();
    rig.device.Feed("text");
    rig.Tick();
    EXPECT_EQ(rig.PressAlt(VirtualKey::kLetterC), KeyResult::Handled);
    EXPECT_EQ(rig.view.display, "text");
    rig.Tick();
    EXPECT_EQ(rig.view.display, "");
    EXPECT_EQ(rig.PressAlt(VirtualKey::kLetterA), KeyResult::Handled);
    EXPECT_FALSE(rig.view.ended);

    rig.PressAlt(VirtualKey::kLetterX);
    EXPECT_TRUE(rig.view.ended);
    EXPECT_FALSE(rig.device.IsOpen());
}

TEST(Closing, DropsBothOutputsBeforeTheDeviceClosesThenTearDownStopsThePollTimer) {
    WindowRig rig;
    rig.Start();
    rig.Click(C::kSendX);
    rig.device.Feed("data");
    rig.device.ClearCalls();
    rig.window.CloseWindow();

    std::vector<FakeCall> calls = rig.device.CallKinds();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), FakeCall::CloseDevice);
    EXPECT_EQ(rig.device.Count(FakeCall::SetState), 2u);
    EXPECT_FALSE(rig.device.state.dtrEnable || rig.device.state.rtsEnable);
    EXPECT_TRUE(rig.view.ended);
    for (uint16_t id : {C::kDtr, C::kRts, C::kCts, C::kDsr, C::kRi, C::kRlsd}) {
        EXPECT_FALSE(rig.view.IsChecked(id));
    }
    EXPECT_TRUE(rig.desktop.messages.empty());

    rig.window.TearDown();
    EXPECT_EQ(rig.view.timers.count(kPollTimerId), 0u);
    EXPECT_EQ(rig.view.timers.count(kClockTimerId), 1u);
}

TEST(Help, PausesThePollCycleAndSavesTheSetupAfterwards) {
    WindowRig rig;
    rig.Start();
    rig.Click(C::kSendX);
    std::filesystem::remove(rig.app.appPaths.SetupFilePath());
    rig.Click(C::kHelp);
    EXPECT_FALSE(rig.view.IsChecked(C::kSendX));
    EXPECT_TRUE(std::filesystem::exists(rig.app.appPaths.SetupFilePath()));
    rig.Tick();  // not paused any more, the stream stays off
    EXPECT_EQ(rig.Written(), "");
    EXPECT_EQ(rig.view.Status(), "RxQue = 0       received = 0       ");

    std::filesystem::remove(rig.app.appPaths.SetupFilePath());
    rig.window.OnHelpRequest();  // F1 takes the same road
    EXPECT_TRUE(std::filesystem::exists(rig.app.appPaths.SetupFilePath()));
}

}  // namespace
