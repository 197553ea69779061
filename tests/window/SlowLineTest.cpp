// The window on a line whose output queue drains at the line's speed, as a
// real driver's does: nothing waits for the line, everything goes out whole
// and in order, and what does not go out is said.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "ExpectedStreamLine.h"
#include "WindowRig.h"
#include "terminal/VirtualKeys.h"

namespace {

using namespace window_test;

constexpr char kTransmitted[] = "==== SPECIAL TEST COMMAND TRANSMITTED ====";
constexpr char kNotTransmitted[] = "==== SPECIAL TEST COMMAND NOT TRANSMITTED ====";
constexpr char kSendXStopped[] = "==== SENDX STOPPED: WRITE TIMED OUT ====";

// Bytes a second at 8E1: eleven bits a byte.
uint32_t BytesPerSecond(uint32_t baud) {
    return baud / 11;
}

struct SlowLineRig : WindowRig {
    explicit SlowLineRig(uint32_t baud, const std::string& extraSetup = "") {
        std::FILE* f = std::fopen(app.appPaths.SetupFilePath(), "wb");
        EXPECT_NE(f, nullptr);
        std::fprintf(f,
                     "[RS232]\r\nCOMPORT=1\r\nCOMBAUD=%lu\r\nCOMPARI=E\r\nCOMBITS=8\r\n"
                     "COMSTOP=1\r\n%s",
                     static_cast<unsigned long>(baud), extraSetup.c_str());
        std::fclose(f);
        device.lineBytesPerSecond = BytesPerSecond(baud);
        Start();
    }
    // Poll ticks 100 ms apart on the device's clock.
    void Run(int ticks) {
        for (int i = 0; i < ticks; ++i) {
            device.now += kPollPeriodMs;
            Tick();
        }
    }
    void TypeKey(char c) { Press(static_cast<uint16_t>(c), static_cast<uint8_t>(c)); }
};

// A key typed while a stream line is on the line follows that line: it
// waits for no more than the line's rest and one tick, and never splits a
// line at the peer.
TEST(SlowLine, SendXSendsEveryLineWholeAndInOrderAndKeysFollowTheLineInProgress) {
    for (const uint32_t baud : {1200u, 2400u}) {
        SCOPED_TRACE(baud);
        SlowLineRig rig(baud);
        rig.Click(C::kSendX);
        rig.Run(50);
        rig.TypeKey(' ');
        const int lineTicks = static_cast<int>(80 * 1000 / BytesPerSecond(baud) / kPollPeriodMs);
        int waited = 0;
        while (rig.device.SentText().find(' ') == std::string::npos && waited <= lineTicks + 1) {
            rig.Run(1);
            ++waited;
        }
        EXPECT_LE(waited, lineTicks + 1);
        EXPECT_EQ(rig.device.SentText().find(' ') % 80, 0u);
        rig.Run(50);
        rig.Click(C::kSendX);
        rig.Run(20);

        std::string sent = rig.device.SentText();
        sent.erase(sent.find(' '), 1);
        ASSERT_GE(sent.size(), 10u * 80);
        ASSERT_EQ(sent.size() % 80, 0u);
        for (size_t line = 0; line < sent.size() / 80; ++line) {
            ASSERT_EQ(sent.substr(line * 80, 80), ExpectedStreamLine(static_cast<unsigned>(line)))
                << "line " << line;
        }
        EXPECT_EQ(rig.device.OutputQueued(), 0u);
    }
}

// F2 at 9600 baud takes about 300 ms on the line: it goes out whole, FS 'T'
// last, and says so once it has.
TEST(SlowLine, SpecialCommandGoesOutWholeAndIsReportedWhenSent) {
    SlowLineRig rig(9600);
    rig.Press(VirtualKey::kF2);
    rig.Run(1);
    EXPECT_NE(rig.view.Status(), kTransmitted) << "not on the line yet";
    rig.Run(4);
    const std::string sent = rig.device.SentText();
    ASSERT_EQ(sent.size(), 257u);
    EXPECT_EQ(sent.substr(0, 255), std::string(255, '\x1B'));
    EXPECT_EQ(sent.substr(255), "\x1CT");
    EXPECT_EQ(rig.view.Status(), kTransmitted);
}

TEST(SlowLine, BluetoothSetCommandGoesOutWholeAtThreeHundredBaud) {
    SlowLineRig rig(300, "[BLUETOOTH]\r\nSELECTED_MAC=1\r\nMAC1=0016A4A0B847\r\n");
    rig.Press(VirtualKey::kF3);
    rig.Run(15);
    EXPECT_EQ(rig.device.SentText(), "AT+BTR?\rAT+BTR 0016A4A0B847\r");
    EXPECT_EQ(rig.view.Status(), "==== SPECIAL COMMAND MAC[1]=0016A4A0B847 ====");
}

// A peer holding flow control: nothing leaves the queue. SendX stops with its
// message after a second, keys never wait, F2 does not claim success.
TEST(SlowLine, AQueueThatStopsDrainingStopsSendXAndNothingClaimsSuccess) {
    SlowLineRig rig(9600);
    rig.Click(C::kSendX);
    rig.Run(3);
    rig.device.holdOutput = true;
    rig.Run(9);
    EXPECT_TRUE(rig.view.IsChecked(C::kSendX));
    rig.Run(3);
    EXPECT_FALSE(rig.view.IsChecked(C::kSendX));
    EXPECT_EQ(rig.view.Status(), kSendXStopped);
    EXPECT_EQ(rig.device.OutputQueued(), 0u) << "what waited was dropped";

    rig.Run(25);
    rig.Press(VirtualKey::kF2);
    rig.Run(15);
    EXPECT_EQ(rig.view.Status(), kNotTransmitted);
    EXPECT_EQ(rig.device.SentText().find('\x1C'), std::string::npos);

    // 30000 keys into the stalled queue: none waits, the queue takes what
    // fits, the status line says once that the rest was dropped.
    rig.Run(25);
    for (int i = 0; i < 30000; ++i) rig.TypeKey('k');
    EXPECT_EQ(rig.device.OutputQueued(), 20000u);
    EXPECT_EQ(rig.view.Status(), "==== OUTPUT QUEUE FULL: KEYS DROPPED ====");
    rig.Run(11);
    EXPECT_EQ(rig.view.Status(), "==== LINE STALLED: 20000 BYTES NOT SENT ====");
}

// The bytes F2 drops before it goes out were received: the log has them,
// the display does not.
TEST(SlowLine, InputDroppedBeforeACommandReachesTheLogNotTheDisplay) {
    SlowLineRig rig(115200);
    rig.desktop.logPath = rig.folder.Join("LogFile.csv");
    rig.Press(VirtualKey::kF9);
    rig.Run(1);
    std::string lines;
    for (int i = 0; i < 500; ++i) lines += "line " + std::to_string(i) + "\r\n";
    rig.device.Feed(lines);
    rig.Press(VirtualKey::kF2);
    rig.Run(2);
    rig.Press(VirtualKey::kF9);
    rig.Run(1);

    EXPECT_EQ(rig.view.display.find("line 499"), std::string::npos);
    std::FILE* f = std::fopen(rig.desktop.logPath.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::string log;
    char block[4096];
    for (size_t n; (n = std::fread(block, 1, sizeof block, f)) > 0;) log.append(block, n);
    std::fclose(f);
    size_t from = 0;
    for (int i = 0; i < 500; ++i) {
        const std::string row = ";line " + std::to_string(i) + "\n";
        from = log.find(row, from);
        ASSERT_NE(from, std::string::npos) << "line " << i;
    }
}

}  // namespace
