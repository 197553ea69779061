// The 100 ms poll tick: reading, the status line, the backlog flush, lost
// and returning ports, the requests it serves, the stream and SyncX.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "WindowRig.h"
#include "terminal/VirtualKeys.h"

namespace {

using namespace window_test;

constexpr char kIdle[] = "RxQue = 0       received = 0       ";
constexpr char kFlush[] = "FLUSH COM PORT ...";
constexpr char kSpecial[] = "==== SPECIAL TEST COMMAND TRANSMITTED ====";
constexpr char kRotorOn[] = "==== TARN ROTOR FUNCTION -ON- ====";
constexpr char kCopied[] = "==== SCREENSHOT COPIED TO CLIPBOARD ====";
constexpr char kNoMac[] = "==== NO MAC ADDRESS SELECTED ! ====";
constexpr char kQuery[] = "AT+BTR?\r";

std::string SpecialCommand() {
    return std::string(255, '\x1B') + "\x1CT";
}

struct Running : WindowRig {
    Running() {
        Start();
        device.ClearCalls();
    }
};

TEST(PollTick, ReadsAtMost1200BytesAndShowsTheCounts) {
    Running rig;
    rig.Tick();
    EXPECT_EQ(rig.view.Status(), kIdle);

    rig.device.FeedRepeated('q', 1500);
    rig.Tick();
    EXPECT_EQ(rig.view.Status(), "RxQueue = 1500    received = 1200    ");
    rig.Tick();
    EXPECT_EQ(rig.view.Status(), "RxQueue = 300     received = 300     ");
    EXPECT_EQ(rig.device.delivered.size(), 1500u);
    EXPECT_EQ(rig.view.display.size(), 1500u + 1500 / 80);
}

TEST(PollTick, ABacklogAbove10000IsPurgedAndThePortKeptWithItsLines) {
    for (size_t waiting : {10000u, 10001u}) {
        Running rig;
        rig.Click(C::kRts);  // the user's choice of lines survives the flush
        rig.device.Feed("keep");
        rig.Tick();
        rig.device.FeedRepeated('b', waiting);
        rig.Tick();
        if (waiting == 10000) {
            EXPECT_EQ(rig.device.delivered.size(), 4u + 1200);
            continue;
        }
        EXPECT_EQ(rig.view.Status(), kFlush);
        EXPECT_EQ(rig.view.display, "");
        EXPECT_TRUE(rig.device.IsOpen());
        EXPECT_TRUE(rig.device.input.empty());
        EXPECT_EQ(rig.device.Count(FakeCall::OpenDevice), 0u);
        EXPECT_TRUE(rig.view.IsChecked(C::kDtr));
        EXPECT_FALSE(rig.view.IsChecked(C::kRts));
        rig.Tick();
        EXPECT_EQ(rig.device.delivered.size(), 4u);
        EXPECT_EQ(rig.view.Status(), kIdle);
        EXPECT_TRUE(rig.desktop.messages.empty());
    }

    // A device that refuses the purge is closed; opening it again drops
    // what waited.
    Running refused;
    refused.device.FailAlways(FakeCall::Purge);
    refused.device.FeedRepeated('b', 10001);
    refused.Tick();
    EXPECT_FALSE(refused.device.IsOpen());
}

// Faster lines carry more than 1200 bytes a tick: the tick reads two ticks of
// the line, and the backlog may grow to a second of it.
TEST(PollTick, AFastLineIsReadAtItsPace) {
    struct Case {
        const char* baud;
        size_t waiting;
        const char* status;
    } const cases[] = {
        {"921600", 30000, "RxQueue = 30000   received = 18432   "},
        {"921600", 92160, "RxQueue = 92160   received = 18432   "},
        {"921600", 92161, kFlush},
        {"115200", 30000, kFlush},
    };
    for (const Case& c : cases) {
        WindowRig rig;
        std::FILE* f = std::fopen(rig.app.appPaths.SetupFilePath(), "wb");
        ASSERT_NE(f, nullptr);
        std::fprintf(f,
                     "[RS232]\r\nCOMPORT=1\r\nCOMBAUD=%s\r\nCOMPARI=N\r\n"
                     "COMBITS=8\r\nCOMSTOP=1\r\n",
                     c.baud);
        std::fclose(f);
        rig.Start();
        rig.device.FeedRepeated('f', c.waiting);
        rig.Tick();
        EXPECT_EQ(rig.view.Status(), c.status) << c.baud << " " << c.waiting;
        EXPECT_TRUE(rig.device.IsOpen());
    }
}

TEST(PollTick, AVanishedAdapterIsClosedRetriedQuietlyAndFoundAgain) {
    Running rig;
    rig.device.Feed("before");
    rig.Tick();
    rig.device.SetGone(true);
    rig.Tick();
    EXPECT_EQ(rig.view.Status(), kFlush);
    EXPECT_FALSE(rig.device.IsOpen());
    EXPECT_FALSE(rig.view.IsChecked(C::kDtr));
    EXPECT_EQ(rig.view.display, "before");

    size_t opens = rig.device.Count(FakeCall::OpenDevice);
    rig.Tick(5);
    EXPECT_EQ(rig.device.Count(FakeCall::OpenDevice), opens + 5);
    EXPECT_EQ(rig.view.Field(C::kSettingsField), " COM1 port error");
    EXPECT_EQ(rig.view.lamp, LampColour::Black);
    EXPECT_EQ(rig.view.Status(), kFlush);
    EXPECT_TRUE(rig.desktop.messages.empty());

    rig.device.SetGone(false);
    rig.device.Feed("after");
    rig.Tick();
    EXPECT_EQ(rig.view.lamp, LampColour::Green);
    EXPECT_EQ(rig.view.Field(C::kSettingsField), " COM1: 115200,E,8,1");
    EXPECT_TRUE(rig.view.IsChecked(C::kDtr));
    rig.device.Feed("after");
    rig.Tick();
    EXPECT_EQ(rig.view.display, "beforeafter");
}

TEST(PollTick, FunctionKeysAreServedOnceEachInTheirOrder) {
    Running rig;
    rig.desktop.logPath = rig.folder.Join("LogFile.csv");
    // Pressed in reverse, F2 twice (key and button).
    for (uint16_t vk : {VirtualKey::kF9, VirtualKey::kF4, VirtualKey::kF3, VirtualKey::kF2}) {
        rig.Press(vk);
    }
    rig.Click(C::kF2);
    rig.Click(C::kSpecial);
    for (uint16_t vk :
         {VirtualKey::kF5, VirtualKey::kF6, VirtualKey::kF7, VirtualKey::kF8, VirtualKey::kF10}) {
        rig.Press(vk);
    }
    rig.device.Feed("dropped by the command");
    rig.view.statusHistory.clear();
    rig.Tick();

    EXPECT_EQ(rig.Written(), SpecialCommand() + kQuery);
    // The special command discards waiting input first.
    EXPECT_EQ(rig.device.input.size(), 0u);
    std::vector<std::string> messages;
    for (const std::string& s : rig.view.statusHistory) {
        if (s.rfind("====", 0) == 0) messages.push_back(s);
    }
    EXPECT_EQ(messages,
              (std::vector<std::string>{kSpecial, kNoMac, kRotorOn, "==== LOG -ON- ===="}));

    rig.view.statusHistory.clear();
    rig.Tick();
    EXPECT_EQ(rig.Written(), SpecialCommand() + kQuery);
    EXPECT_TRUE(rig.view.statusHistory.empty());  // the message is held
}

// The setup file's address list as a user writes it.
void WriteMacSetup(WindowRig& rig, const std::string& selected, const std::string& slot2) {
    std::FILE* f = std::fopen(rig.app.appPaths.SetupFilePath(), "wb");
    ASSERT_NE(f, nullptr);
    const std::string text = "[BLUETOOTH]\r\nSELECTED_MAC=" + selected +
                             "\r\nMAC1=0016A4A0B847\r\nMAC2=" + slot2 + "\r\nMAC9=0016A4A0B849\r\n";
    std::fputs(text.c_str(), f);
    std::fclose(f);
}

TEST(BluetoothCommand, SendsTheQueryThenTheSelectedAddress) {
    struct Case {
        const char* selected;
        const char* slot2;
        std::string written;
        const char* message;
    };
    const Case cases[] = {
        {"2", "0016A4A0B842", std::string(kQuery) + "AT+BTR 0016A4A0B842\r",
         "==== SPECIAL COMMAND MAC[2]=0016A4A0B842 ===="},
        {"1", "", std::string(kQuery) + "AT+BTR 0016A4A0B847\r",
         "==== SPECIAL COMMAND MAC[1]=0016A4A0B847 ===="},
        {"0", "0016A4A0B842", kQuery, kNoMac},
        {"9", "0016A4A0B842", kQuery, kNoMac},  // beyond the eight slots
        {"2", "", kQuery, kNoMac},
        {"2", "0016A4A0B84", kQuery, kNoMac},    // one short
        {"2", "0016A4A0B8421", kQuery, kNoMac},  // one too many
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.selected) + " / " + c.slot2);
        WindowRig rig;
        WriteMacSetup(rig, c.selected, c.slot2);
        rig.Start();
        rig.device.ClearCalls();
        // More than one tick reads: the rest waits when the command goes out.
        rig.device.FeedRepeated('w', 1500);
        rig.Press(VirtualKey::kF3);
        rig.Press(VirtualKey::kF3);
        rig.Tick();
        EXPECT_EQ(rig.Written(), c.written);
        EXPECT_EQ(rig.view.Status(), c.message);
        // The command dropped what the tick's read left waiting.
        EXPECT_EQ(rig.device.input.size(), 0u);
        rig.Tick();
        EXPECT_EQ(std::count(rig.view.display.begin(), rig.view.display.end(), 'w'), 1200);
    }
}

TEST(BluetoothCommand, TheSpecialButtonDoesAsF3AndItsMessageHolds80Ticks) {
    Running rig;
    rig.Click(C::kSpecial);
    rig.Tick();
    EXPECT_EQ(rig.Written(), kQuery);
    for (int tick = 1; tick < 80; ++tick) {
        rig.device.Feed("x");
        rig.Tick();
        ASSERT_EQ(rig.view.Status(), kNoMac) << tick;
    }
    rig.Tick();
    EXPECT_EQ(rig.view.Status(), kIdle);
}

TEST(Copy, TakesTheDisplayFromItsFirstVisibleLineAndSaysSoOnlyWhenDone) {
    Running rig;
    // Bytes beyond ASCII reach the clipboard as the display holds them.
    rig.device.Feed("first\r\nsecond\rthird\n\xE4\xFC\x80 end");
    rig.Tick();
    struct Case {
        size_t firstVisibleCharacter;
        bool clipboardWorks;
        const char* copied;
    };
    const Case cases[] = {
        {0, true, "first\r\nsecond\r\nthird\xE4\xFC\x80 end"},
        {6, true, "second\r\nthird\xE4\xFC\x80 end"},
        {13, true, "third\xE4\xFC\x80 end"},
        {0, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firstVisibleCharacter);
        rig.view.firstVisibleCharacter = c.firstVisibleCharacter;
        rig.desktop.clipboardWorks = c.clipboardWorks;
        rig.desktop.clipboard.clear();
        rig.Tick(25);  // any earlier message has gone
        rig.Click(C::kCopy);
        rig.Tick();
        EXPECT_EQ(rig.desktop.clipboard, c.copied);
        EXPECT_EQ(rig.view.Status() == kCopied, c.clipboardWorks);
    }
}

TEST(PollTick, AMessageHoldsTheStatusLineFor20Ticks) {
    Running rig;
    rig.Click(C::kF2);
    rig.Tick();
    ASSERT_EQ(rig.view.Status(), kSpecial);
    for (int tick = 1; tick < 20; ++tick) {
        rig.device.Feed("x");
        rig.Tick();
        ASSERT_EQ(rig.view.Status(), kSpecial) << tick;
    }
    EXPECT_EQ(rig.view.display, std::string(19, 'x'));  // data still shows
    rig.Tick();
    EXPECT_EQ(rig.view.Status(), kIdle);
}

TEST(PollTick, RequestsWaitWhileThePortCannotOpen) {
    WindowRig rig({});
    rig.Start();
    rig.Click(C::kF2);
    rig.Press(VirtualKey::kF4);
    rig.Click(C::kCopy);
    rig.Click(C::kDisplayClear);
    rig.Tick(3);
    EXPECT_EQ(rig.view.Status(), kFlush);
    EXPECT_EQ(rig.Written(), "");
    EXPECT_EQ(rig.desktop.messages.size(), 1u);  // only the one at start-up

    rig.device.names.present.insert(1);
    rig.view.statusHistory.clear();
    rig.Tick();
    EXPECT_EQ(rig.Written(), SpecialCommand());
    EXPECT_EQ(rig.view.statusHistory,
              (std::vector<std::string>{kFlush, "", kIdle, kSpecial, kRotorOn, kCopied}));
    EXPECT_EQ(rig.view.lamp, LampColour::Green);
}

TEST(PollTick, TheLampAndTheStreamFollowSendX) {
    Running rig;
    rig.Click(C::kSendX);
    rig.Click(C::kSendX);
    rig.Tick();
    EXPECT_EQ(rig.Written(), "");  // twice between ticks: no burst

    rig.Click(C::kSendX);
    rig.Tick();
    EXPECT_EQ(rig.view.lamp, LampColour::Magenta);
    EXPECT_EQ(rig.Written().size(), 12u * 80);
    EXPECT_EQ(rig.Written().substr(0, 38), "abcdefghijklmnopqrstuvwxyz--LINE=00000");
    rig.Tick();
    EXPECT_EQ(rig.Written().substr(12 * 80 + 33, 5), "00012");

    rig.Click(C::kSendX);
    rig.Tick();
    EXPECT_EQ(rig.view.lamp, LampColour::Green);
    EXPECT_EQ(rig.Written().size(), 24u * 80);
}

// Below 9600 baud one line takes longer than a tick to send: the stream waits
// for the line instead of stacking writes behind it.
TEST(SendX, SlowLinesGetOneLineEveryFewTicks) {
    for (const char* baud : {"1200", "9600"}) {
        WindowRig rig;
        std::FILE* f = std::fopen(rig.app.appPaths.SetupFilePath(), "wb");
        ASSERT_NE(f, nullptr);
        std::fprintf(f,
                     "[RS232]\r\nCOMPORT=1\r\nCOMBAUD=%s\r\nCOMPARI=E\r\n"
                     "COMBITS=8\r\nCOMSTOP=1\r\n",
                     baud);
        std::fclose(f);
        rig.Start();
        rig.Click(C::kSendX);
        rig.Tick(17);
        // At once, then after every 8 ticks at 1200 baud; every tick at 9600.
        EXPECT_EQ(rig.Written().size(), std::string(baud) == "1200" ? 3u * 80 : 17u * 80) << baud;
    }
}

TEST(SendX, AWriteCutShortStopsTheStreamAndSaysSo) {
    Running rig;
    rig.device.writeLimit = 100;
    rig.Click(C::kSendX);
    rig.Tick();
    EXPECT_FALSE(rig.view.IsChecked(C::kSendX));
    EXPECT_EQ(rig.view.Status(), "==== SENDX STOPPED: WRITE TIMED OUT ====");
    rig.Tick(19);
    EXPECT_EQ(rig.view.Status(), "==== SENDX STOPPED: WRITE TIMED OUT ====");
    EXPECT_EQ(rig.Written().size(), 100u);
}

TEST(PollTick, ModemInputsAreMirroredOnEveryTick) {
    Running rig;
    rig.device.modemBits = kModemCtsOn | kModemRingOn;
    rig.Tick();
    EXPECT_TRUE(rig.view.IsChecked(C::kCts));
    EXPECT_FALSE(rig.view.IsChecked(C::kDsr));
    EXPECT_TRUE(rig.view.IsChecked(C::kRi));
    EXPECT_FALSE(rig.view.IsChecked(C::kRlsd));
    rig.device.modemBits = kModemDsrOn | kModemRlsdOn;
    rig.Tick();
    EXPECT_FALSE(rig.view.IsChecked(C::kCts));
    EXPECT_TRUE(rig.view.IsChecked(C::kDsr));
    EXPECT_TRUE(rig.view.IsChecked(C::kRlsd));
}

TEST(PollTick, TheDisplayIsCutAbove2300CharactersAtTheTicksEnd) {
    // n printable bytes show as n characters and a break after every 80th.
    for (size_t bytes : {2272u, 2273u}) {
        Running rig;
        std::string sent;
        for (size_t i = 0; i < bytes; ++i) sent += static_cast<char>('a' + i % 26);
        rig.device.Feed(sent);
        rig.Tick(2);
        std::string full;
        for (size_t i = 0; i < bytes; ++i) {
            full += sent[i];
            if (i % 80 == 79) full += '\n';
        }
        ASSERT_EQ(full.size(), bytes == 2272 ? 2300u : 2301u);
        EXPECT_EQ(rig.view.display, full.size() > 2300 ? full.substr(full.size() - 2160) : full);
        EXPECT_GE(rig.view.undoClears, 2u);
    }
}

TEST(DisplayHalt, BytesReadWhileHaltedAreLost) {
    Running rig;
    rig.Click(C::kDisplayHalt);
    rig.device.Feed("lost");
    rig.Tick();
    EXPECT_EQ(rig.device.input.size(), 0u);
    rig.Click(C::kDisplayHalt);
    rig.device.Feed("seen");
    rig.Tick();
    EXPECT_EQ(rig.view.display, "seen");
}

TEST(SyncX, WaitsUpTo10TicksForTheFirstLineStart) {
    Running rig;
    rig.device.Feed("old text");
    rig.Tick();
    rig.Click(C::kSyncX);
    rig.Tick(2);  // a silent line leaves the display alone
    EXPECT_EQ(rig.view.display, "old text");

    rig.device.Feed("xyz-");
    rig.Tick();
    EXPECT_EQ(rig.view.display, "old text");
    rig.device.Feed("noise abc");
    rig.Tick();
    EXPECT_EQ(rig.view.display, "abc");
    rig.device.Feed("d");
    rig.Tick();
    EXPECT_EQ(rig.view.display, "abcd");

    // After the 10th tick any byte starts the display.
    Running late;
    late.Click(C::kSyncX);
    late.Tick(9);
    late.device.Feed("q");
    late.Tick();  // the 10th tick still waits for 'a'
    EXPECT_EQ(late.view.display, "");
    late.device.Feed("qr");
    late.Tick();
    EXPECT_EQ(late.view.display, "qr");
}

TEST(SyncX, TheFirstByteReleasesDisplayHalt) {
    Running rig;
    rig.Click(C::kDisplayHalt);
    rig.Click(C::kSyncX);
    rig.Tick();
    EXPECT_TRUE(rig.view.IsChecked(C::kDisplayHalt));
    rig.device.Feed("za");
    rig.Tick();
    EXPECT_FALSE(rig.view.IsChecked(C::kDisplayHalt));
    EXPECT_EQ(rig.view.display, "a");
}

TEST(RecordMode, F4SwitchesItWithoutClearingAndHexWins) {
    Running rig;
    rig.device.Feed("plain");
    rig.Tick();
    rig.Press(VirtualKey::kF4);
    rig.Tick();
    EXPECT_EQ(rig.view.Status(), kRotorOn);
    EXPECT_EQ(rig.view.display, "plain");
    rig.device.Feed("outside any record");
    rig.Tick();
    EXPECT_EQ(rig.view.display, "plain");

    rig.Click(C::kHex);
    rig.device.Feed("#");
    rig.Tick();
    EXPECT_EQ(rig.view.display, "[23]");
    rig.Click(C::kHex);
    rig.Press(VirtualKey::kF4);
    rig.Tick();
    EXPECT_EQ(rig.view.Status(), "==== TARN ROTOR FUNCTION -OFF- ====");
}

}  // namespace
