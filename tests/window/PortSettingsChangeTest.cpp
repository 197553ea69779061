// A click into the settings field: the port closes, the port settings dialog
// runs, and its answer decides the settings in use, the setup file and the
// port opened again.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "WindowRig.h"

namespace {

using namespace window_test;
namespace P = PortControl;

// The RS232 values of the setup file, as "port,baud,parity,bits,stop".
std::string SavedLine(WindowRig& rig) {
    std::ifstream file(rig.app.appPaths.SetupFilePath(), std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    const std::string text = content.str();
    std::string line;
    for (const char* key : {"COMPORT=", "COMBAUD=", "COMPARI=", "COMBITS=", "COMSTOP="}) {
        const size_t at = text.find(key);
        if (at == std::string::npos) return "<no " + std::string(key) + ">";
        const size_t from = at + std::string(key).size();
        if (!line.empty()) line += ",";
        line += text.substr(from, text.find('\r', from) - from);
    }
    return line;
}

// Plays one dialog: the clicks in order, then OK (after unticking
// "permanently" unless permanent) or ESCAPE.
void Answer(WindowRig& rig, std::vector<uint16_t> clicks, bool permanent, uint16_t end = P::kOk) {
    rig.desktop.portDialogScript = [=](PortSettingsDialog& dialog, FakePortSettingsView&) {
        for (uint16_t id : clicks) dialog.OnClicked(id);
        if (!permanent) dialog.OnClicked(P::kPermanently);
        dialog.OnClicked(end);
    };
    rig.window.OnFocus(C::kSettingsField);
}

TEST(PortSettingsChange, EscapeReopensTheSettingsInUseAndSavesTheStartUpOnes) {
    WindowRig rig;
    rig.Start();
    rig.desktop.portDialogScript = [&](PortSettingsDialog& dialog, FakePortSettingsView&) {
        // Closed before the dialog opens, both outputs down.
        EXPECT_FALSE(rig.device.IsOpen());
        EXPECT_FALSE(rig.view.IsChecked(C::kDtr));
        EXPECT_FALSE(rig.device.state.dtrEnable);
        EXPECT_STREQ(dialog.InputText().text, "001_115200_E_8_1_X_");
        dialog.OnClicked(1025);
        dialog.OnClicked(P::kEscape);
    };
    rig.window.OnFocus(C::kSettingsField);

    EXPECT_EQ(rig.desktop.portDialogRuns, 1);
    EXPECT_TRUE(rig.device.IsOpen());
    EXPECT_EQ(rig.device.lastSet.baudRate, 115200u);
    EXPECT_EQ(rig.view.Field(C::kSettingsField), " COM1: 115200,E,8,1");
    EXPECT_TRUE(rig.view.IsChecked(C::kDtr) && rig.view.IsChecked(C::kRts));
    EXPECT_TRUE(rig.desktop.messages.empty());
    EXPECT_EQ(SavedLine(rig), "1,115200,E,8,1");
}

TEST(PortSettingsChange, PermanentlyDecidesWhichSettingsTheSetupFileKeeps) {
    WindowRig rig;
    rig.Start();

    // Not permanently: used at once, the file keeps the start-up settings.
    Answer(rig, {1025, P::kParityNone}, false);
    EXPECT_EQ(rig.view.Field(C::kSettingsField), " COM1: 9600,N,8,1");
    EXPECT_EQ(rig.device.lastSet.baudRate, 9600u);
    EXPECT_EQ(rig.device.lastSet.parity, ParityKind::None);
    EXPECT_EQ(SavedLine(rig), "1,115200,E,8,1");

    // Permanently: the settings of this moment go into the file.
    Answer(rig, {1027}, true);
    EXPECT_EQ(rig.view.Field(C::kSettingsField), " COM1: 19200,N,8,1");
    EXPECT_EQ(SavedLine(rig), "1,19200,N,8,1");

    // Not permanently again: the start-up settings go back into the file.
    Answer(rig, {1029}, false);
    EXPECT_EQ(rig.view.Field(C::kSettingsField), " COM1: 38400,N,8,1");
    EXPECT_EQ(SavedLine(rig), "1,115200,E,8,1");

    // ESCAPE keeps the settings in use and the start-up ones in the file.
    Answer(rig, {1021}, true, P::kEscape);
    EXPECT_EQ(rig.view.Field(C::kSettingsField), " COM1: 38400,N,8,1");
    EXPECT_EQ(rig.device.lastSet.baudRate, 38400u);
    EXPECT_EQ(SavedLine(rig), "1,115200,E,8,1");
    EXPECT_TRUE(rig.desktop.messages.empty());
}

TEST(PortSettingsChange, SendXStopsAndTheTicksGoOnWhileTheDialogIsOpen) {
    WindowRig rig;
    rig.Start();
    rig.Click(C::kSendX);
    rig.Tick();
    ASSERT_FALSE(rig.Written().empty());

    rig.desktop.portDialogScript = [&](PortSettingsDialog& dialog, FakePortSettingsView&) {
        EXPECT_FALSE(rig.view.IsChecked(C::kSendX));
        const size_t sent = rig.device.written.size();
        // The poll tick opens the port again with the settings in use,
        // quietly, and sends no stream.
        rig.Tick(3);
        EXPECT_TRUE(rig.device.IsOpen());
        EXPECT_EQ(rig.device.lastSet.baudRate, 115200u);
        EXPECT_EQ(rig.device.written.size(), sent);
        rig.window.OnTimer(kClockTimerId);
        dialog.OnClicked(1025);
        dialog.OnClicked(P::kOk);
    };
    rig.window.OnFocus(C::kSettingsField);

    EXPECT_EQ(rig.device.lastSet.baudRate, 9600u);
    EXPECT_EQ(rig.view.Field(C::kSettingsField), " COM1: 9600,E,8,1");
    const size_t sent = rig.device.written.size();
    rig.Tick(5);
    EXPECT_EQ(rig.device.written.size(), sent);
    EXPECT_FALSE(rig.view.IsChecked(C::kSendX));
    EXPECT_EQ(rig.view.lamp, LampColour::Green);
    EXPECT_TRUE(rig.desktop.messages.empty());
}

TEST(PortSettingsChange, SettingsTheDeviceRefusesStayAndAreRetriedQuietly) {
    WindowRig rig;
    rig.Start();
    rig.desktop.portDialogScript = [&](PortSettingsDialog& dialog, FakePortSettingsView&) {
        dialog.OnClicked(P::kDataBits7);
        // From now on the device refuses its configuration.
        rig.device.FailAlways(FakeCall::SetState);
        dialog.OnClicked(P::kOk);
    };
    // The ticks under the error box find the port closed: no green lamp, and
    // no inputs read from a device that is not there.
    rig.device.modemBits = kModemCtsOn | kModemDsrOn | kModemRingOn | kModemRlsdOn;
    std::vector<std::string> underTheBox;
    rig.desktop.messageScript = [&] {
        rig.Tick(2);
        for (uint16_t id : {C::kCts, C::kDsr, C::kRi, C::kRlsd}) {
            if (rig.view.IsChecked(id)) underTheBox.push_back("input " + std::to_string(id));
        }
        if (rig.view.lamp == LampColour::Green) underTheBox.push_back("green lamp");
    };
    rig.window.OnFocus(C::kSettingsField);
    EXPECT_EQ(underTheBox, std::vector<std::string>{});

    EXPECT_EQ(rig.desktop.messages, std::vector<std::string>{" COM1 port error !"});
    EXPECT_EQ(rig.view.Field(C::kSettingsField), " COM1 port error");
    EXPECT_EQ(rig.view.lamp, LampColour::Black);
    EXPECT_FALSE(rig.device.IsOpen());
    EXPECT_EQ(SavedLine(rig), "1,115200,E,7,1");

    const size_t opens = rig.device.Count(FakeCall::OpenDevice);
    rig.Tick(5);
    EXPECT_EQ(rig.device.Count(FakeCall::OpenDevice), opens + 5);
    EXPECT_EQ(rig.desktop.messages.size(), 1u);

    rig.device.Heal(FakeCall::SetState);
    rig.Tick();
    EXPECT_TRUE(rig.device.IsOpen());
    EXPECT_EQ(rig.device.lastSet.byteSize, 7);
    EXPECT_EQ(rig.view.Field(C::kSettingsField), " COM1: 115200,E,7,1");
}

TEST(PortSettingsChange, APortThatVanishesWhileTheDialogIsOpenIsFoundAgainLater) {
    WindowRig rig;
    rig.Start();
    rig.desktop.portDialogScript = [&](PortSettingsDialog& dialog, FakePortSettingsView& view) {
        rig.device.SetGone(true);
        rig.Tick(3);
        EXPECT_FALSE(rig.device.IsOpen());
        view.Type("2");
        dialog.OnClicked(P::kOk);
    };
    rig.window.OnFocus(C::kSettingsField);

    EXPECT_EQ(rig.desktop.messages, std::vector<std::string>{" COM2 port error !"});
    EXPECT_EQ(SavedLine(rig), "2,115200,E,8,1");
    rig.device.SetGone(false);
    rig.Tick();
    EXPECT_FALSE(rig.device.IsOpen());  // COM2 is not there yet
    rig.device.names.present.insert(2);
    rig.Tick();
    EXPECT_TRUE(rig.device.IsOpen());
    EXPECT_EQ(rig.device.openPort, 2);
    EXPECT_EQ(rig.view.Field(C::kSettingsField), " COM2: 115200,E,8,1");
    EXPECT_EQ(rig.desktop.messages.size(), 1u);
}

}  // namespace
