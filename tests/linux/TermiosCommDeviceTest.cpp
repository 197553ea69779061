#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <vector>
#include <cstring>
#include <fstream>

#include "PtyPort.h"
#include "TermiosCommDevice.h"
#include "LineControl.h"
#include "WaitFor.h"

namespace {

uint32_t QueuedInput(TermiosCommDevice& device) {
    CommStatus status;
    return device.ClearError(status) ? status.inputQueue : 0;
}

termios SlaveTermios(const PtyPort& port) {
    termios t{};
    EXPECT_EQ(tcgetattr(port.pty.SlaveFd(), &t), 0);
    return t;
}

// errno of an open of path by a process without CAP_SYS_ADMIN (0 when it
// succeeds): root passes TIOCEXCL, so as root the open runs in a child that
// has become nobody.
int UnprivilegedOpenError(const std::string& path) {
    auto tryOpen = [&]() {
        const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd < 0) return errno;
        close(fd);
        return 0;
    };
    if (geteuid() != 0) return tryOpen();
    if (chmod(path.c_str(), 0666) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        if (setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(255);
        _exit(tryOpen());
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

class TermiosDeviceTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(port.Ok());
        ASSERT_TRUE(device.OpenDevice(PtyPort::kPort));
    }

    PtyPort port;
    TermiosCommDevice device{port.names};
};

TEST_F(TermiosDeviceTest, SetStateLeavesARawLineWithoutFlowControlAndKeepsImmediateReads) {
    // Start from a cooked tty with flow control, as a previous user may leave it.
    termios cooked = SlaveTermios(port);
    cooked.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
    cooked.c_iflag |= ICRNL | IXON | IXOFF | IGNPAR;
    cooked.c_oflag |= OPOST;
    cooked.c_cflag = (cooked.c_cflag | CRTSCTS) & ~(CLOCAL | CREAD);
    ASSERT_EQ(tcsetattr(port.pty.SlaveFd(), TCSANOW, &cooked), 0);

    ASSERT_TRUE(device.SetImmediateTimeouts());
    ASSERT_TRUE(device.SetState(LineControl(115200, 8, ParityKind::Even, StopBitsKind::One, true)));

    const termios t = SlaveTermios(port);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_iflag & (ICRNL | IXON | IXOFF | IGNPAR), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), tcflag_t{CLOCAL | CREAD});
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_EQ(t.c_cc[VTIME], 0);
    EXPECT_EQ(cfgetospeed(&t), speed_t{B115200});
}

// A pty forces CS8 and clears PARENB whatever it is given (the translation of
// those is covered by the TermiosLine tests); the other line bits stick.
TEST_F(TermiosDeviceTest, LineSettingsReachTheTtyAndReadBack) {
    struct Case {
        ParityKind parity;
        StopBitsKind stopBits;
        bool parityCheck;
        tcflag_t cflag;  // within PARODD | CMSPAR | CSTOPB
    };
    const Case cases[] = {
        {ParityKind::Even, StopBitsKind::One, true, 0},
        {ParityKind::Odd, StopBitsKind::Two, true, PARODD | CSTOPB},
        {ParityKind::Mark, StopBitsKind::One, true, PARODD | CMSPAR},
        {ParityKind::Space, StopBitsKind::OneAndHalf, true, CMSPAR | CSTOPB},
        {ParityKind::None, StopBitsKind::One, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "parity " << int(c.parity) << " stop " << int(c.stopBits));
        ASSERT_TRUE(device.SetState(LineControl(9600, 7, c.parity, c.stopBits, c.parityCheck)));
        const termios t = SlaveTermios(port);
        EXPECT_EQ(t.c_cflag & (PARODD | CMSPAR | CSTOPB), c.cflag);
        EXPECT_EQ((t.c_iflag & INPCK) != 0, c.parityCheck);

        DeviceControl back;
        ASSERT_TRUE(device.GetState(back));
        EXPECT_EQ(back.stopBits, c.stopBits);
        EXPECT_EQ(back.parityCheck, c.parityCheck);
        EXPECT_EQ(back.baudRate, 9600u);
    }
}

TEST_F(TermiosDeviceTest, RefusesByteSizesOutsideFiveToEightAndRateZeroWithoutTouchingTheLine) {
    ASSERT_TRUE(device.SetState(LineControl(9600, 8)));
    const termios before = SlaveTermios(port);
    for (const uint8_t size : {0, 4, 9, 16, 255}) {
        EXPECT_FALSE(device.SetState(LineControl(9600, size))) << int(size);
    }
    EXPECT_FALSE(device.SetState(LineControl(0, 8)));
    const termios after = SlaveTermios(port);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(cfgetospeed(&after), speed_t{B9600});
}

TEST_F(TermiosDeviceTest, TakesEveryDialogRateAndAnyOtherInteger) {
    // The dialog's eighteen rates (seven without a termios code of their own),
    // a few classic ones and integers a hand-edited setup file may bring.
    const uint32_t rates[] = {1200,   2400,   4800,   7200,    9600,    14400,   19200,
                              28800,  38400,  57600,  76800,   115200,  128000,  153600,
                              230400, 256000, 460800, 921600,  50,      110,     300,
                              31250,  123457, 250000, 1000000, 3000000, 12000000};
    for (const uint32_t rate : rates) {
        ASSERT_TRUE(device.SetState(LineControl(rate))) << rate;
        DeviceControl back;
        ASSERT_TRUE(device.GetState(back));
        EXPECT_EQ(back.baudRate, rate);
    }
}

TEST_F(TermiosDeviceTest, OutputLinesOfAPtyAreKeptAsSetAndItsModemInputsReadAsOff) {
    DeviceControl control = LineControl(9600);
    control.dtrEnable = false;
    control.rtsEnable = true;
    ASSERT_TRUE(device.SetState(control));
    DeviceControl back;
    ASSERT_TRUE(device.GetState(back));
    EXPECT_FALSE(back.dtrEnable);
    EXPECT_TRUE(back.rtsEnable);

    for (int reading = 0; reading < 2; ++reading) {
        uint32_t modemBits = 0xFFFFFFFF;
        EXPECT_TRUE(device.GetModemStatus(modemBits)) << "reading " << reading;
        EXPECT_EQ(modemBits, 0u) << "reading " << reading;
    }
}

TEST_F(TermiosDeviceTest, ReportsTheQueueReadsWhatIsThereAndPurgesInput) {
    ASSERT_TRUE(device.SetImmediateTimeouts());
    ASSERT_TRUE(device.SetState(LineControl(115200)));
    const uint8_t sent[100] = {1, 2, 3};
    ASSERT_EQ(port.pty.WriteMaster(sent, sizeof(sent)), sizeof(sent));
    ASSERT_TRUE(WaitFor([&] { return QueuedInput(device) >= 100; }));

    CommStatus status;
    ASSERT_TRUE(device.ClearError(status));
    EXPECT_EQ(status.inputQueue, 100u);
    EXPECT_EQ(status.errors, 0u);  // a pty keeps no error counters

    uint8_t got[200] = {};
    uint32_t count = 0;
    ASSERT_TRUE(device.ReadBytes(got, 40, count));
    EXPECT_EQ(count, 40u);
    EXPECT_EQ(memcmp(got, sent, 40), 0);

    // Asking for more than is queued returns what is there, at once.
    ASSERT_TRUE(device.ReadBytes(got, sizeof(got), count));
    EXPECT_EQ(count, 60u);

    ASSERT_EQ(port.pty.WriteMaster(sent, sizeof(sent)), sizeof(sent));
    ASSERT_TRUE(WaitFor([&] { return QueuedInput(device) >= 100; }));
    ASSERT_TRUE(device.Purge(kPurgeRxClear));
    ASSERT_TRUE(device.ClearError(status));
    EXPECT_EQ(status.inputQueue, 0u);
    ASSERT_TRUE(device.ReadBytes(got, sizeof(got), count));
    EXPECT_EQ(count, 0u);
}

// The input queue holds what the design's driver holds, far beyond the 4095
// bytes a tty shows; what does not fit is lost and reported as an overflow.
TEST_F(TermiosDeviceTest, TheInputQueueHoldsThreeHundredThousandBytesAndReportsOverflow) {
    ASSERT_TRUE(device.SetupQueues(300000, 20000));
    ASSERT_TRUE(device.SetState(LineControl(921600)));
    std::vector<uint8_t> stream(310000);
    for (size_t i = 0; i < stream.size(); ++i) stream[i] = static_cast<uint8_t>(i % 251);
    ASSERT_EQ(port.pty.WriteMaster(stream.data(), 100000), 100000u);
    ASSERT_TRUE(WaitFor([&] { return QueuedInput(device) >= 100000; }));

    std::vector<uint8_t> got(310000);
    uint32_t count = 0;
    ASSERT_TRUE(device.ReadBytes(got.data(), 1000, count));
    ASSERT_EQ(count, 1000u);
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + 1000, stream.begin()));

    ASSERT_EQ(port.pty.WriteMaster(stream.data() + 100000, 210000, 5000), 210000u);
    CommStatus status;
    ASSERT_TRUE(WaitFor([&] {
        return device.ClearError(status) && (status.errors & kLineErrorBufferOverrun) != 0;
    }));
    EXPECT_EQ(status.inputQueue, 300000u);
    ASSERT_TRUE(device.ReadBytes(got.data(), 300000, count));
    ASSERT_EQ(count, 300000u);
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + 300000, stream.begin() + 1000))
        << "the queue keeps the oldest bytes in order; the newest are the lost ones";
    ASSERT_TRUE(device.ClearError(status));
    EXPECT_EQ(status.errors, 0u) << "an overflow is reported once";
}

// A peer that stops reading fills the kernel's buffer, then the output
// queue; a write never waits for it, and the queue empties once it reads.
TEST_F(TermiosDeviceTest, AWriteToAStalledPeerQueuesAndReturnsAtOnce) {
    ASSERT_TRUE(device.SetState(LineControl(921600)));
    static uint8_t block[1 << 20];
    std::memset(block, 'x', sizeof(block));
    uint32_t written = 0;
    size_t total = 0;
    uint32_t slowest = 0;
    const uint32_t start = device.TickCount();
    while (device.TickCount() - start < 300) {
        const uint32_t before = device.TickCount();
        EXPECT_TRUE(device.WriteBytes(block, sizeof(block), written));
        slowest = std::max(slowest, device.TickCount() - before);
        total += written;
        usleep(1000);
    }
    EXPECT_LT(slowest, 50u);
    EXPECT_GT(total, 20000u) << "the kernel's buffer and the queue both took bytes";

    CommStatus status;
    EXPECT_TRUE(device.ClearError(status));
    EXPECT_GE(status.outputQueue, 20000u);
    EXPECT_FALSE(device.DeviceGone());

    size_t drained = 0;
    uint8_t sink[65536];
    ASSERT_TRUE(WaitFor(
        [&] {
            drained += port.pty.ReadMaster(sink, sizeof(sink), 10);
            return drained == total;
        },
        5000));
    EXPECT_TRUE(device.ClearError(status));
    EXPECT_EQ(status.outputQueue, 0u);
}

// The lock dies with its holder, however it ends, so a killed instance
// leaves nothing behind that refuses the next open; the tty's exclusive
// flag would, on a pty whose far end stays open.
TEST_F(TermiosDeviceTest, OpenIsExclusiveWhileHeldAndFreeAfterAKill) {
    TermiosCommDevice other(port.names);
    EXPECT_FALSE(other.OpenDevice(PtyPort::kPort));
    EXPECT_FALSE(other.IsOpen());
    device.CloseDevice();
    EXPECT_TRUE(other.OpenDevice(PtyPort::kPort));
    other.CloseDevice();

    for (const int signal : {SIGKILL, SIGQUIT}) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t child = fork();
        if (child == 0) {
            const rlimit noCore{0, 0};
            setrlimit(RLIMIT_CORE, &noCore);
            TermiosCommDevice held(port.names);
            const char opened = held.OpenDevice(PtyPort::kPort) ? 'y' : 'n';
            (void)!write(ready[1], &opened, 1);
            pause();
            _exit(0);
        }
        char opened = 0;
        ASSERT_EQ(read(ready[0], &opened, 1), 1);
        close(ready[0]);
        close(ready[1]);
        ASSERT_EQ(opened, 'y');
        EXPECT_FALSE(other.OpenDevice(PtyPort::kPort)) << "held by a live process";
        kill(child, signal);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_EQ(UnprivilegedOpenError(port.pty.SlavePath()), 0) << signal;
        EXPECT_TRUE(other.OpenDevice(PtyPort::kPort)) << signal;
        other.CloseDevice();
    }
}

TEST_F(TermiosDeviceTest, AHungUpLineIsGoneUntilTheNextOpen) {
    PtyPair second;
    ScopedPortLink secondLink(port.directory.Path(), 2, second.SlavePath());
    ASSERT_TRUE(second.Ok() && secondLink.Ok());

    port.pty.CloseMaster();
    CommStatus status;
    EXPECT_FALSE(device.ClearError(status));
    EXPECT_TRUE(device.DeviceGone());
    // A write to a vanished line fails instead of waiting for room for ever.
    const uint8_t data[64] = {};
    uint32_t written = 0;
    EXPECT_FALSE(device.WriteBytes(data, sizeof(data), written));

    ASSERT_TRUE(device.OpenDevice(2));
    EXPECT_FALSE(device.DeviceGone());
    EXPECT_TRUE(device.ClearError(status));
}

TEST(TermiosDevice, OpenFailsWithoutATty) {
    ScratchFolder directory;
    ASSERT_TRUE(directory.Ok());
    ScopedPortLink dangling(directory.Path(), 7, directory.Path() + "no-such-tty");
    const std::string plainFile = directory.Path() + "plain-file";
    std::ofstream(plainFile) << "not a tty";
    ScopedPortLink regular(directory.Path(), 8, plainFile);
    ASSERT_TRUE(dangling.Ok() && regular.Ok());
    LinuxPortNames names(directory.Path().c_str());
    TermiosCommDevice device(names);

    // Port 200 has no override and no table entry; port 0 does not exist.
    for (const uint16_t port : {7, 8, 200, 0}) {
        EXPECT_FALSE(device.OpenDevice(port)) << port;
        EXPECT_FALSE(device.IsOpen());
    }
}

TEST(TermiosDevice, EveryCallOnAClosedDeviceFails) {
    LinuxPortNames names("");
    TermiosCommDevice device(names);
    DeviceControl control = LineControl(9600);
    CommStatus status;
    uint32_t bits = 0;
    uint32_t count = 0;
    uint8_t byte = 0;
    EXPECT_FALSE(device.IsOpen());
    EXPECT_FALSE(device.SetupQueues(300000, 20000));
    EXPECT_FALSE(device.Purge(kPurgeRxClear | kPurgeTxClear));
    EXPECT_FALSE(device.SetImmediateTimeouts());
    EXPECT_FALSE(device.GetState(control));
    EXPECT_FALSE(device.SetState(control));
    EXPECT_FALSE(device.GetModemStatus(bits));
    EXPECT_FALSE(device.ClearError(status));
    EXPECT_FALSE(device.ReadBytes(&byte, 1, count));
    EXPECT_FALSE(device.WriteBytes(&byte, 1, count));
    EXPECT_FALSE(device.DeviceGone());
    device.CloseDevice();  // harmless
}

TEST(TermiosDevice, TickCountFollowsTheClockInMilliseconds) {
    LinuxPortNames names("");
    TermiosCommDevice device(names);
    const uint32_t start = device.TickCount();
    usleep(50 * 1000);
    const uint32_t elapsed = device.TickCount() - start;
    EXPECT_GE(elapsed, 50u);
    EXPECT_LT(elapsed, 2000u);
}

}  // namespace
