// The main window's parts on their own: the status line's hold, the pending
// requests, the port link and the receive path.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FixedClock.h"
#include "config/ClockText.h"
#include "FakeCommDevice.h"
#include "FakeDesktop.h"
#include "FakeMainView.h"
#include "serial/SerialPort.h"
#include "window/PendingRequests.h"
#include "window/PortLink.h"
#include "terminal/ReceivePath.h"
#include "window/ReadPace.h"
#include "window/StatusLine.h"

namespace {

namespace C = MainControl;

TEST(StatusLine, AHeldMessageOutlastsTheTicksUntilItsHoldRunsOut) {
    FakeMainView view;
    StatusLine status(view);
    status.ShowHeld("==== HELD ====", 2);
    status.ShowUnlessHeld("counts");
    status.Tick();
    status.ShowUnlessHeld("counts");
    EXPECT_EQ(view.Status(), "==== HELD ====");
    status.Tick();
    status.ShowUnlessHeld("counts");
    EXPECT_EQ(view.Status(), "counts");

    // Show always wins and ends a hold; Hold keeps whatever is shown.
    status.ShowHeld("==== HELD ====", 5);
    status.Show("FLUSH");
    status.ShowUnlessHeld("counts");
    EXPECT_EQ(view.Status(), "counts");
    status.Hold(1);
    status.ShowUnlessHeld("later");
    EXPECT_EQ(view.Status(), "counts");
}

TEST(PendingRequests, FunctionKeysAreTakenTogetherAndOthersStay) {
    PendingRequests requests;
    Request request;
    for (uint8_t key : {2, 3, 4, 9}) {
        ASSERT_TRUE(PendingRequests::ForFunctionKey(key, request)) << int(key);
        requests.Set(request);
    }
    for (uint8_t key : {0, 1, 5, 6, 7, 8, 10, 11, 12}) {
        EXPECT_FALSE(PendingRequests::ForFunctionKey(key, request)) << int(key);
    }
    requests.Set(Request::Copy);

    PendingRequests keys = requests.TakeFunctionKeys();
    for (Request r :
         {Request::SpecialCommand, Request::Bluetooth, Request::RecordMode, Request::Log}) {
        EXPECT_TRUE(keys.IsSet(r));
        EXPECT_FALSE(requests.IsSet(r));
    }
    EXPECT_FALSE(keys.IsSet(Request::Copy));
    EXPECT_TRUE(requests.Take(Request::Copy));
    EXPECT_FALSE(requests.Take(Request::Copy));
}

struct PortRig {
    FakeCommDevice device{1};
    SerialPort serialPort{device};
    FakeMainView view;
    FakeDesktop desktop;
    PortLink link{serialPort, view, desktop};
};

TEST(PortLink, OpenShowsTheSettingsAndRaisesBothOutputs) {
    PortRig rig;
    LineSettings line;
    line.baud = 9600;
    line.parity = 'N';
    ASSERT_TRUE(rig.link.OpenPort(line, true));
    EXPECT_TRUE(rig.link.IsOpen());
    EXPECT_EQ(rig.view.Field(C::kSettingsField), " COM1: 9600,N,8,1");
    EXPECT_EQ(rig.view.lamp, LampColour::Green);
    EXPECT_TRUE(rig.device.state.dtrEnable && rig.device.state.rtsEnable);
    EXPECT_TRUE(rig.view.IsChecked(C::kDtr) && rig.view.IsChecked(C::kRts));

    rig.link.ToggleDtr();
    EXPECT_FALSE(rig.device.state.dtrEnable);
    EXPECT_FALSE(rig.view.IsChecked(C::kDtr));

    rig.device.modemBits = kModemDsrOn | kModemRlsdOn;
    rig.link.ShowModemInputs();
    EXPECT_TRUE(rig.view.IsChecked(C::kDsr) && rig.view.IsChecked(C::kRlsd));
    EXPECT_FALSE(rig.view.IsChecked(C::kCts) || rig.view.IsChecked(C::kRi));

    // A status word that cannot be read lights nothing.
    rig.device.modemBits = kModemCtsOn | kModemDsrOn | kModemRingOn | kModemRlsdOn;
    rig.device.FailOnce(FakeCall::GetModemStatus);
    rig.link.ShowModemInputs();
    for (uint16_t id : {C::kCts, C::kDsr, C::kRi, C::kRlsd}) EXPECT_FALSE(rig.view.IsChecked(id));

    rig.link.ClosePort();
    EXPECT_FALSE(rig.link.IsOpen());
    EXPECT_FALSE(rig.device.IsOpen());
    for (uint16_t id : {C::kDtr, C::kRts, C::kDsr, C::kRlsd}) EXPECT_FALSE(rig.view.IsChecked(id));
}

TEST(PortLink, AFailedOpenSaysSoAndLeavesNothingOpen) {
    for (bool showMessage : {true, false}) {
        PortRig rig;
        LineSettings line;
        line.port = 7;  // not present
        EXPECT_FALSE(rig.link.OpenPort(line, showMessage));
        EXPECT_FALSE(rig.link.IsOpen());
        EXPECT_EQ(rig.view.Field(C::kSettingsField), " COM7 port error");
        EXPECT_EQ(rig.view.lamp, LampColour::Black);
        const std::vector<std::string> expected =
            showMessage ? std::vector<std::string>{" COM7 port error !"}
                        : std::vector<std::string>{};
        EXPECT_EQ(rig.desktop.messages, expected);
    }

    // A device that opens but refuses its settings is closed again.
    PortRig refused;
    refused.device.FailAlways(FakeCall::SetState);
    EXPECT_FALSE(refused.link.OpenPort(LineSettings{}, false));
    EXPECT_FALSE(refused.device.IsOpen());
}

struct ReceiveRig {
    FakeMainView view;
    ReceiveDisplay display{view};
    FixedClock clock;
    ClockText clockText{clock};
    ReceiveLog log{clockText};
    ReceivePath path{display, log};
    void Receive(const std::string& bytes) {
        path.ReceiveBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
};

TEST(ReceivePath, SyncXDropsBytesUntilALineStartsOrTenTicksPassed) {
    ReceiveRig rig;
    rig.Receive("old");
    rig.path.RequestSync();
    rig.Receive("xyz");
    EXPECT_EQ(rig.view.display, "old");
    rig.Receive("zzabc");
    EXPECT_EQ(rig.view.display, "abc");

    rig.path.RequestSync();
    for (int tick = 0; tick < 11; ++tick) rig.path.Tick();
    rig.Receive("q");
    EXPECT_EQ(rig.view.display, "q");  // waited long enough: anything starts it
}

TEST(ReceivePath, HaltDropsBytesAndSyncXReleasesIt) {
    ReceiveRig rig;
    rig.path.ToggleHalt();
    EXPECT_TRUE(rig.path.Halted());
    rig.Receive("lost");
    EXPECT_EQ(rig.view.display, "");

    rig.path.RequestSync();
    rig.Receive("a1");
    EXPECT_FALSE(rig.path.Halted());
    EXPECT_EQ(rig.view.display, "a1");

    rig.path.ToggleHex();
    EXPECT_TRUE(rig.path.HexMode());
    EXPECT_EQ(rig.view.display, "");
    rig.Receive("a");
    EXPECT_EQ(rig.view.display, "[61]");
}

// Up to 115200 baud the tick keeps its 1200 bytes and 10000-byte limit; above
// it reads two ticks of the line at the narrowest frame the settings allow,
// up to 4,000,000 baud, and the backlog never reaches the input queue's size.
TEST(ReadPace, FollowsTheLineAbove115200Only) {
    struct Case {
        uint32_t baud;
        char parity;
        uint16_t dataBits;
        uint16_t stopBits;
        uint32_t budget;
        uint32_t limit;
    } const cases[] = {
        {1200, 'E', 8, 1, 1200, 10000},       {115200, 'N', 7, 1, 1200, 10000},
        {128000, 'E', 8, 1, 2328, 11640},     {230400, 'N', 8, 1, 4608, 23040},
        {460800, 'E', 8, 2, 7680, 38400},     {921600, 'N', 8, 1, 18432, 92160},
        {921600, 'N', 7, 1, 20480, 102400},   {921600, 'x', 8, 3, 18432, 92160},
        {3000000, 'N', 8, 1, 60000, 185714},  {4000000, 'N', 8, 1, 80000, 185714},
        {4000000, 'N', 5, 1, 114286, 185714}, {12000000, 'N', 8, 1, 114286, 185714},
    };
    for (const Case& c : cases) {
        const ReadPace pace =
            ReadPace::For(LineSettings{1, c.baud, c.parity, c.dataBits, c.stopBits});
        EXPECT_EQ(pace.readBudget, c.budget) << c.baud;
        EXPECT_EQ(pace.backlogLimit, c.limit) << c.baud;
        EXPECT_LE(pace.readBudget, ReadPace::kReadCapacity);
    }
}

}  // namespace
