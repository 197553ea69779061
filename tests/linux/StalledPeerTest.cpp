// The window core on a pty whose far end stopped reading, the way a stalled
// radio link or a full adapter looks: the window must go on answering.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

#include "FakeDesktop.h"
#include "FakeMainView.h"
#include "FixedClock.h"
#include "LinuxPortNames.h"
#include "PtyPair.h"
#include "ScratchFolder.h"
#include "TermiosCommDevice.h"
#include "app/TerminalApp.h"
#include "resources/DialogLayout.h"
#include "terminal/VirtualKeys.h"
#include "window/TerminalWindow.h"
#include "WindowStation.h"

namespace {

namespace C = MainControl;
using Clock = std::chrono::steady_clock;

constexpr auto kAnswerWithin = std::chrono::milliseconds(1000);
// Without a bounded write the window would hang for good; the watchdog then
// starts reading the line, so that the test fails on the time it took
// instead of hanging the run.
constexpr auto kWatchdogAfter = std::chrono::seconds(5);

class Watchdog {
  public:
    explicit Watchdog(int masterFd)
        : worker([this, masterFd] {
              std::unique_lock<std::mutex> lock(mutex);
              if (wake.wait_for(lock, kWatchdogAfter, [this] { return done; })) return;
              lock.unlock();
              Drain(masterFd);
          }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            done = true;
        }
        wake.notify_all();
        worker.join();
    }

  private:
    void Drain(int fd) {
        char sink[4096];
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (done) return;
            }
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 50) > 0 && ::read(fd, sink, sizeof(sink)) < 0) return;
        }
    }

    std::mutex mutex;
    std::condition_variable wake;
    bool done = false;
    std::thread worker;
};

Clock::duration Timed(const std::function<void()>& action) {
    const Clock::time_point start = Clock::now();
    action();
    return Clock::now() - start;
}

KeyMessage KeyDown(uint16_t virtualKey) {
    KeyMessage key;
    key.kind = KeyKind::KeyDown;
    key.virtualKey = virtualKey;
    return key;
}

// The program's own setup file, written once with the defaults, with the
// line rate changed to baud.
bool WriteSetupAt(CommDevice& device, const std::string& folder, const std::string& baud) {
    {
        WindowStation first(device, folder);
        first.window.InitWindow();
        first.window.TearDown();
    }
    const std::string path = folder + "quorvant.ini";
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    std::string setup = text.str();
    const size_t at = setup.find("115200");
    if (at == std::string::npos) return false;
    setup.replace(at, 6, baud);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << setup;
    return true;
}

void SendXStopsAndTheWindowStillAnswers(const std::string& baud) {
    ScratchFolder folder;
    PtyPair pty;
    ASSERT_TRUE(folder.Ok() && pty.Ok());
    ScopedPortLink link(folder.Path(), 1, pty.SlavePath());
    ASSERT_TRUE(link.Ok());
    LinuxPortNames names(folder.Path().c_str());
    TermiosCommDevice device(names);
    ASSERT_TRUE(WriteSetupAt(device, folder.Path(), baud));

    WindowStation station(device, folder.Path());
    TerminalWindow& window = station.window;
    window.InitWindow();
    ASSERT_EQ(station.view.Field(C::kSettingsField), " COM1: " + baud + ",E,8,1");
    Watchdog watchdog(pty.MasterFd());

    // Nobody reads the line: the bursts fill the kernel's buffer and the
    // output queue until one finds no room or the queue has stood still for
    // a second, and SendX goes off instead of piling the next behind it.
    window.OnClicked(C::kSendX);
    ASSERT_TRUE(station.view.IsChecked(C::kSendX));
    // At 300 baud SendX sends one line every 32 ticks, so filling the
    // buffer takes thousands of ticks; with no timer between them they pass
    // in about a second.
    constexpr int kTickCap = 50000;
    int ticks = 0;
    for (; ticks < kTickCap && station.view.IsChecked(C::kSendX); ++ticks) {
        EXPECT_LT(Timed([&] { window.PollTick(); }), kAnswerWithin) << "tick " << ticks;
    }
    EXPECT_FALSE(station.view.IsChecked(C::kSendX)) << "SendX still on after " << ticks;

    KeyboardState keyboard;
    keyboard.unshiftedChar = 'a';
    EXPECT_LT(Timed([&] { window.KeyFilter(KeyDown('A'), keyboard); }), kAnswerWithin);
    EXPECT_LT(Timed([&] { window.PollTick(); }), kAnswerWithin);

    // Esc still stops a stream switched on again over the stalled line.
    window.OnClicked(C::kSendX);
    EXPECT_LT(Timed([&] { window.PollTick(); }), kAnswerWithin);
    EXPECT_LT(Timed([&] { window.KeyFilter(KeyDown(VirtualKey::kEscape), KeyboardState{}); }),
              kAnswerWithin);
    EXPECT_FALSE(station.view.IsChecked(C::kSendX));
    EXPECT_FALSE(station.view.ended);
    window.TearDown();
}

// The fastest rate the settings offer fills the line's buffer at once; the
// slowest the setup file accepts needs seconds for one burst, which no write
// may wait for.
TEST(StalledPeer, SendXStopsAndTheWindowStillAnswersKeysAndEscape) {
    for (const char* baud : {"921600", "300"}) {
        SCOPED_TRACE(baud);
        SendXStopsAndTheWindowStillAnswers(baud);
    }
}

}  // namespace
