// The port settings dialog's logic against a recording view: what it shows
// when it opens, the radio marks, the OK, ESCAPE and preset answers, the
// focus forwarding and the timer's port-list rebuilds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeCommDevice.h"
#include "FakePortSettingsView.h"
#include "serial/PortSettingsDialog.h"

namespace {

namespace P = PortControl;

const std::vector<uint16_t> kBaudIds = {1021, 1022, 1023, 1024, 1025, 1026, 1027, 1028, 1029,
                                        1030, 1031, 1032, 1033, 1034, 1035, 1036, 1055, 1056};
const std::vector<uint16_t> kAllRadioIds = [] {
    std::vector<uint16_t> ids = kBaudIds;
    for (uint16_t id = P::kParityEven; id <= P::kStopBits2; ++id) ids.push_back(id);
    return ids;
}();

const LineSettings kUsual{5, 115200, 'E', 8, 1};

struct DialogRig {
    explicit DialogRig(const LineSettings& request = kUsual) { Open(request); }

    void Open(const LineSettings& request) {
        view = FakePortSettingsView{};
        dialog.SetRequest(request);
        dialog.InitDialog(view);
    }
    void Ticks(int count) {
        for (int i = 0; i < count; ++i) dialog.OnTimer();
    }
    void Click(uint16_t id) { dialog.OnClicked(id); }
    std::string Result() const { return dialog.ResultText().text; }
    std::vector<uint16_t> Marked() const { return view.Marked(kAllRadioIds); }

    FakePortNames names{1, 3};
    PortSettingsDialog dialog{names};
    FakePortSettingsView view;
};

TEST(PortSettingsDialog, OpensWithTheRequestShownAndMarked) {
    DialogRig rig;
    const FakePortSettingsView& view = rig.view;
    EXPECT_EQ(view.Text(P::kCurrentSettings), "115200,E,8,1");
    EXPECT_EQ(view.Text(P::kCurrentPort), "5");
    EXPECT_EQ(view.Text(P::kNewPort), "");
    EXPECT_EQ(view.Text(P::kPortList).substr(0, 16), "001 ___ 003 ___ ");
    EXPECT_EQ(view.Text(P::kPortList).back(), ' ');  // the opening list has blink 0
    EXPECT_TRUE(view.IsChecked(P::kPermanently));
    EXPECT_EQ(view.timers, (std::map<uint16_t, uint32_t>{{873, 500}}));
    EXPECT_EQ(view.caption, "Serial Port Settings");
    EXPECT_EQ(rig.Marked(),
              (std::vector<uint16_t>{1032, P::kParityEven, P::kDataBits8, P::kStopBits1}));
    // Until the user answers, the answer is the request.
    EXPECT_EQ(rig.Result(), "005_115200_E_8_1_X_");
    EXPECT_EQ(rig.dialog.ListCountdown(), 9);
    EXPECT_EQ(rig.dialog.BlinkCounter(), 1);
    // The focus goes to the new port number with the first tick.
    EXPECT_TRUE(view.focused.empty());
    rig.Ticks(1);
    EXPECT_EQ(view.focused, std::vector<uint16_t>{P::kNewPort});
    rig.Ticks(1);
    EXPECT_EQ(view.focused.size(), 1u);
}

TEST(PortSettingsDialog, OkTakesATypedPortOnlyFromOneTo198) {
    const struct {
        const char* typed;
        const char* result;
    } cases[] = {
        {"", "005_115200_E_8_1_P_"},     {"1", "001_115200_E_8_1_P_"},
        {"198", "198_115200_E_8_1_P_"},  {"0", "005_115200_E_8_1_P_"},
        {"199", "005_115200_E_8_1_P_"},  {"7", "007_115200_E_8_1_P_"},
        {"0012", "001_115200_E_8_1_P_"}, {"12345", "123_115200_E_8_1_P_"},
        {"COM5", "005_115200_E_8_1_P_"}, {"-5", "005_115200_E_8_1_P_"},
        {" 12", "012_115200_E_8_1_P_"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("typed \"") + c.typed + "\"");
        DialogRig rig;
        rig.view.Type(c.typed);
        rig.Click(P::kOk);
        EXPECT_EQ(rig.Result(), c.result);
        EXPECT_EQ(rig.view.ends, 1);
    }
}

TEST(PortSettingsDialog, RadioClicksChangeTheAnswerAndOnlyTheLogicMarks) {
    DialogRig rig;
    for (uint16_t id : {uint16_t{1025}, P::kParityNone, P::kDataBits7, P::kStopBits2}) {
        rig.Click(id);
    }
    EXPECT_EQ(rig.Marked(),
              (std::vector<uint16_t>{1025, P::kParityNone, P::kDataBits7, P::kStopBits2}));
    rig.Click(P::kPermanently);
    EXPECT_FALSE(rig.view.IsChecked(P::kPermanently));
    rig.Click(P::kOk);
    EXPECT_EQ(rig.Result(), "005_009600_N_7_2_0_");

    // Every baud button stores its own rate.
    const uint32_t rates[] = {1200,  2400,  4800,   7200,   9600,   14400,  19200,  28800,  38400,
                              57600, 76800, 115200, 128000, 153600, 230400, 256000, 460800, 921600};
    for (size_t i = 0; i < kBaudIds.size(); ++i) {
        rig.Click(kBaudIds[i]);
        EXPECT_EQ(rig.dialog.WorkingSettings().baud, rates[i]);
        EXPECT_EQ(rig.view.Marked(kBaudIds), std::vector<uint16_t>{kBaudIds[i]});
    }
}

TEST(PortSettingsDialog, EscapeAfterRadioClicksHandsBackTheRequest) {
    DialogRig rig;
    rig.Click(1025);
    rig.Click(P::kParityOdd);
    rig.view.Type("9");
    rig.Click(P::kEscape);
    EXPECT_EQ(rig.Result(), "005_115200_E_8_1_X_");
    EXPECT_EQ(rig.view.ends, 1);
}

TEST(PortSettingsDialog, PresetEndsLikeOkWithTheTypedPortAndTheTick) {
    DialogRig rig({5, 9600, 'N', 7, 2});
    rig.view.Type("3");
    rig.Click(P::kPermanently);
    rig.Click(P::kPreset);
    EXPECT_EQ(rig.Result(), "003_115200_E_8_1_0_");
    EXPECT_EQ(rig.Marked(),
              (std::vector<uint16_t>{1032, P::kParityEven, P::kDataBits8, P::kStopBits1}));
    EXPECT_EQ(rig.view.ends, 1);
}

TEST(PortSettingsDialog, AValueWithoutAButtonLeavesItsGroupUnmarkedAndPassesThrough) {
    DialogRig rig({5, 300, 'x', 8, 1});
    EXPECT_EQ(rig.Marked(), (std::vector<uint16_t>{P::kDataBits8, P::kStopBits1}));
    rig.Click(P::kStopBits2);  // another group changes; these two stay
    rig.Click(P::kOk);
    EXPECT_EQ(rig.Result(), "005_000300_x_8_2_P_");
}

TEST(PortSettingsDialog, PermanentlyIsTickedAtEveryOpening) {
    DialogRig rig;
    rig.Click(P::kPermanently);
    EXPECT_EQ(rig.view.focused.back(), P::kNewPort);
    rig.Click(P::kOk);
    EXPECT_EQ(rig.Result()[17], '0');
    rig.dialog.OnDestroy();
    rig.Open(kUsual);
    EXPECT_TRUE(rig.view.IsChecked(P::kPermanently));
    EXPECT_EQ(rig.Result(), "005_115200_E_8_1_X_");
}

TEST(PortSettingsDialog, ReadOnlyEditsPassTheFocusToTheNewPort) {
    DialogRig rig;
    for (uint16_t id : {P::kCurrentSettings, P::kCurrentPort, P::kPortList}) {
        rig.dialog.OnFocus(id);
        EXPECT_EQ(rig.view.focused.back(), P::kNewPort) << id;
    }
    const size_t forwarded = rig.view.focused.size();
    for (uint16_t id : {P::kNewPort, P::kOk, P::kPermanently, uint16_t{1025}}) {
        rig.dialog.OnFocus(id);
    }
    EXPECT_EQ(rig.view.focused.size(), forwarded);
}

TEST(PortSettingsDialog, TimerRebuildsTheListOnTenthTickThenEveryFourth) {
    DialogRig rig;
    const auto rebuilds = [&] { return rig.view.textWrites[P::kPortList] - 1; };
    rig.Ticks(9);
    EXPECT_EQ(rebuilds(), 0);
    rig.Ticks(1);
    EXPECT_EQ(rebuilds(), 1);
    const std::string first = rig.view.Text(P::kPortList);
    EXPECT_EQ(first.back(), '_');  // blink 1
    rig.Ticks(3);
    EXPECT_EQ(rebuilds(), 1);
    rig.Ticks(1);
    EXPECT_EQ(rebuilds(), 2);
    const std::string second = rig.view.Text(P::kPortList);
    EXPECT_EQ(second.back(), ' ');
    EXPECT_EQ(first.substr(0, first.size() - 1), second.substr(0, second.size() - 1));

    // A radio click puts the next rebuild ten ticks away again.
    rig.Ticks(2);
    rig.Click(P::kParityOdd);
    rig.Ticks(9);
    EXPECT_EQ(rebuilds(), 2);
    rig.Ticks(1);
    EXPECT_EQ(rebuilds(), 3);
    EXPECT_EQ(rig.dialog.BlinkCounter(), 4);
}

TEST(PortSettingsDialog, TheListFollowsPortsThatComeAndGo) {
    DialogRig rig;
    rig.names.present = {3, 33};
    rig.Ticks(10);
    std::string list = rig.view.Text(P::kPortList);
    EXPECT_EQ(list.substr(0, 12), "___ ___ 003 ");
    EXPECT_EQ(list.substr(32 * 4, 4), "033 ");
    rig.names.present.clear();
    rig.Ticks(4);
    list = rig.view.Text(P::kPortList);
    EXPECT_EQ(list.find_first_of("0123456789"), std::string::npos);
}

TEST(PortSettingsDialog, AfterItClosesTheTimerStopsAndLateEventsAreIgnored) {
    DialogRig rig;
    rig.Click(P::kOk);
    rig.dialog.OnDestroy();
    EXPECT_TRUE(rig.view.timers.empty());
    const std::string answer = rig.Result();
    rig.Ticks(20);
    rig.Click(P::kPreset);
    rig.dialog.OnFocus(P::kPortList);
    EXPECT_EQ(rig.Result(), answer);
    EXPECT_EQ(rig.view.ends, 1);
    EXPECT_EQ(rig.view.textWrites[P::kPortList], 1);
}

}  // namespace
