// Two window cores at the two ends of one pty line, the way two instances
// test a cable: one sends the test stream, the other aligns it with SyncX.
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "ExpectedStreamLine.h"
#include "FakeDesktop.h"
#include "FakeMainView.h"
#include "FixedClock.h"
#include "LinuxPortNames.h"
#include "PtyPair.h"
#include "ScratchFolder.h"
#include "TermiosCommDevice.h"
#include "app/TerminalApp.h"
#include "resources/DialogLayout.h"
#include "window/TerminalWindow.h"
#include "WaitFor.h"
#include "WindowStation.h"

namespace {

namespace C = MainControl;

// The master of the pty as the far end's serial device. A master has no path
// of its own to open, so this end is handed the descriptor the test holds.
class PtyMasterDevice final : public CommDevice {
  public:
    explicit PtyMasterDevice(PtyPair& line) : pty(line) {}

    bool OpenDevice(uint16_t) override { return opened = pty.MasterFd() >= 0; }
    bool IsOpen() const override { return opened; }
    bool SetupQueues(uint32_t, uint32_t) override { return opened; }
    bool Purge(uint32_t flags) override {
        uint8_t scratch[256];
        while (opened && (flags & kPurgeRxClear) != 0 &&
               ::read(pty.MasterFd(), scratch, sizeof(scratch)) > 0) {
        }
        return opened;
    }
    bool SetImmediateTimeouts() override { return opened; }
    bool GetState(DeviceControl& control) override {
        control = state;
        return opened;
    }
    bool SetState(const DeviceControl& control) override {
        state = control;
        return opened;
    }
    bool GetModemStatus(uint32_t& bits) override {
        bits = 0;
        return opened;
    }
    bool ClearError(CommStatus& status) override {
        int queued = 0;
        if (!opened || ioctl(pty.MasterFd(), FIONREAD, &queued) != 0) return false;
        status.errors = 0;
        status.inputQueue = static_cast<uint32_t>(queued);
        return true;
    }
    bool ReadBytes(uint8_t* buffer, uint32_t length, uint32_t& bytesRead) override {
        ssize_t n = opened ? ::read(pty.MasterFd(), buffer, length) : -1;
        bytesRead = n > 0 ? static_cast<uint32_t>(n) : 0;
        return n >= 0;
    }
    bool WriteBytes(const uint8_t* data, uint32_t length, uint32_t& bytesWritten) override {
        bytesWritten = opened ? static_cast<uint32_t>(pty.WriteMaster(data, length)) : 0;
        return opened;
    }
    void CloseDevice() override { opened = false; }
    uint32_t TickCount() override {
        return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now().time_since_epoch())
                                         .count());
    }
    bool DeviceGone() const override { return false; }

  private:
    PtyPair& pty;
    bool opened = false;
    DeviceControl state;
};

TEST(TwoWindowsOnOnePty, SyncXShowsTheStreamOneWholeLinePerDisplayLine) {
    ScratchFolder receiverFolder, senderFolder;
    PtyPair pty;
    ASSERT_TRUE(receiverFolder.Ok() && senderFolder.Ok() && pty.Ok());
    ScopedPortLink link(receiverFolder.Path(), 1, pty.SlavePath());
    ASSERT_TRUE(link.Ok());
    LinuxPortNames names(receiverFolder.Path().c_str());
    TermiosCommDevice slaveEnd(names);
    PtyMasterDevice masterEnd(pty);

    WindowStation receiver(slaveEnd, receiverFolder.Path());
    WindowStation sender(masterEnd, senderFolder.Path());
    receiver.window.InitWindow();
    sender.window.InitWindow();
    ASSERT_EQ(receiver.view.Field(C::kSettingsField), " COM1: 115200,E,8,1");
    ASSERT_EQ(receiver.view.lamp, LampColour::Green);

    // Typed bytes ahead of the stream would shift every line without SyncX.
    for (char c : std::string("JUNK")) {
        KeyMessage key;
        key.kind = KeyKind::KeyDown;
        key.virtualKey = static_cast<uint16_t>(c);
        KeyboardState keyboard;
        keyboard.unshiftedChar = static_cast<uint8_t>(c);
        sender.window.KeyFilter(key, keyboard);
    }
    receiver.window.OnClicked(C::kSyncX);
    sender.window.OnClicked(C::kSendX);
    constexpr int kRounds = 12;
    constexpr int kBurst = 12 * 80;
    std::string firstTick;
    // What waits at the receiving end, in its channel's own queue.
    auto receiverQueued = [&slaveEnd] {
        CommStatus status;
        return slaveEnd.ClearError(status) ? status.inputQueue : 0u;
    };
    for (int round = 0; round < kRounds; ++round) {
        const uint32_t before = receiverQueued();
        sender.window.PollTick();
        ASSERT_TRUE(WaitFor([&] { return receiverQueued() >= before + kBurst; })) << round;
        receiver.window.PollTick();
        if (round == 0) firstTick = receiver.view.display;
    }
    sender.window.OnClicked(C::kSendX);
    for (int drain = 0; drain < 20 && receiverQueued() != 0; ++drain) {
        receiver.window.PollTick();
    }
    receiver.window.PollTick();

    EXPECT_EQ(firstTick.substr(0, 38), "abcdefghijklmnopqrstuvwxyz--LINE=00000");
    const std::string& shown = receiver.view.display;
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), '\n');
    // The display keeps its newest text only: skip a line cut at its front.
    size_t pos = shown.find('\n') + 1;
    unsigned expectedNumber = kRounds * 12 - static_cast<unsigned>((shown.size() - pos) / 81);
    int wholeLines = 0;
    for (; pos + 81 <= shown.size(); pos += 81, ++expectedNumber, ++wholeLines) {
        ASSERT_EQ(shown.substr(pos, 81), ExpectedStreamLine(expectedNumber) + "\n") << wholeLines;
    }
    EXPECT_EQ(pos, shown.size());
    EXPECT_GE(wholeLines, 25);
    EXPECT_EQ(expectedNumber, static_cast<unsigned>(kRounds * 12));
}

}  // namespace
