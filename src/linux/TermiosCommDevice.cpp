// The kernel's termios2 interface (TCGETS2/TCSETS2 with BOTHER) is the only way
// to run rates such as 7200 or 256000 baud. Its header clashes with the C
// library's <termios.h>, so this file speaks to the tty through the kernel's
// definitions alone (tcflush is TCFLSH) and never includes <termios.h>.
#include "TermiosCommDevice.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "TermiosLine.h"

namespace {

constexpr size_t kDevicePathCapacity = 4096;

// The kernel itself treats a rate within 2% as the same rate when it picks a
// code for it; a UART pair tolerates about that much.
constexpr uint64_t kRateToleranceDivisor = 50;

// The queues a driver keeps until SetupQueues names others.
constexpr uint32_t kDefaultInputQueue = 300000;
constexpr uint32_t kDefaultOutputQueue = 20000;

uint64_t MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000u +
           static_cast<uint64_t>(now.tv_nsec) / 1000000u;
}

bool IsGoneErrno(int error) {
    return error == EIO || error == ENXIO || error == ENODEV;
}

// The device has no such feature (a pty has no modem lines and no error
// counters), as opposed to a call that failed.
bool IsUnsupportedErrno(int error) {
    return error == ENOTTY || error == EINVAL;
}

bool RateMatches(uint32_t actual, uint32_t wanted) {
    const uint64_t difference = actual > wanted ? actual - wanted : wanted - actual;
    return difference * kRateToleranceDivisor <= wanted;
}

TermiosWords WordsOf(const termios2& t) {
    TermiosWords words;
    words.iflag = t.c_iflag;
    words.oflag = t.c_oflag;
    words.cflag = t.c_cflag;
    words.lflag = t.c_lflag;
    words.ispeed = t.c_ispeed;
    words.ospeed = t.c_ospeed;
    return words;
}

void StoreWords(const TermiosWords& words, termios2& t) {
    t.c_iflag = words.iflag;
    t.c_oflag = words.oflag;
    t.c_cflag = words.cflag;
    t.c_lflag = words.lflag;
    t.c_ispeed = words.ispeed;
    t.c_ospeed = words.ospeed;
}

}  // namespace

TermiosCommDevice::TermiosCommDevice(const LinuxPortNames& portNames) : names(portNames) {}

TermiosCommDevice::~TermiosCommDevice() {
    CloseDevice();
}

bool TermiosCommDevice::OpenDevice(uint16_t port) {
    CloseDevice();
    gone = false;
    char path[kDevicePathCapacity];
    if (!names.DeviceName(port, path, sizeof(path)) || names.IsConsole(port)) return false;
    const int opened = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (opened < 0) return false;
    // The lock keeps a second user out and dies with its holder, however that
    // ends. The tty's own exclusive flag would not: it stays on a pty after
    // a kill and refuses every later open until the far end re-opens. A
    // device someone else holds with that flag is still refused (it stops
    // other opens, but not one with CAP_SYS_ADMIN).
    int heldExclusive = 0;
    const bool refused = isatty(opened) == 0 ||
                         (ioctl(opened, TIOCGEXCL, &heldExclusive) == 0 && heldExclusive != 0) ||
                         flock(opened, LOCK_EX | LOCK_NB) != 0 ||
                         !queues.Start(opened, kDefaultInputQueue, kDefaultOutputQueue);
    if (refused) {
        close(opened);
        return false;
    }
    fd = opened;
    kernelQueueSupported = true;
    remembered = DeviceControl{};
    remembered.dtrEnable = true;  // the kernel raises both lines on open
    remembered.rtsEnable = true;
    modemLinesSupported = true;
    modemInputsSupported = true;
    // Without a first reading every error before this open would count as new.
    countersSupported = true;
    if (!ReadCounters(lastCounters)) countersSupported = false;
    return true;
}

bool TermiosCommDevice::IsOpen() const {
    return fd >= 0;
}

bool TermiosCommDevice::SetupQueues(uint32_t inputBytes, uint32_t outputBytes) {
    if (fd < 0) return false;
    if (inputBytes == queues.InputCapacity() && outputBytes == queues.OutputCapacity()) return true;
    return queues.Start(fd, inputBytes, outputBytes);
}

bool TermiosCommDevice::Purge(uint32_t flags) {
    if (fd < 0) return false;
    const bool input = (flags & (kPurgeRxAbort | kPurgeRxClear)) != 0;
    const bool output = (flags & (kPurgeTxAbort | kPurgeTxClear)) != 0;
    if (!input && !output) return true;
    if (input) queues.PurgeInput();
    if (output) queues.PurgeOutput();
    const int queue = input && output ? TCIOFLUSH : (input ? TCIFLUSH : TCOFLUSH);
    if (ioctl(fd, TCFLSH, queue) != 0) {
        NoteErrno(errno);
        return false;
    }
    return true;
}

bool TermiosCommDevice::SetImmediateTimeouts() {
    if (fd < 0) return false;
    termios2 t{};
    if (ioctl(fd, TCGETS2, &t) != 0) {
        NoteErrno(errno);
        return false;
    }
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (ioctl(fd, TCSETS2, &t) != 0) {
        NoteErrno(errno);
        return false;
    }
    return true;
}

bool TermiosCommDevice::GetState(DeviceControl& control) {
    if (fd < 0) return false;
    termios2 t{};
    if (ioctl(fd, TCGETS2, &t) != 0) {
        NoteErrno(errno);
        return false;
    }
    DeviceControl reading = remembered;
    DecodeLine(WordsOf(t), reading);
    if (modemLinesSupported) {
        int lines = 0;
        if (ioctl(fd, TIOCMGET, &lines) == 0) {
            reading.dtrEnable = (lines & TIOCM_DTR) != 0;
            reading.rtsEnable = (lines & TIOCM_RTS) != 0;
        } else if (IsUnsupportedErrno(errno)) {
            modemLinesSupported = false;
        } else {
            NoteErrno(errno);
            return false;
        }
    }
    control = reading;
    return true;
}

bool TermiosCommDevice::SetState(const DeviceControl& control) {
    if (fd < 0) return false;
    termios2 t{};
    if (ioctl(fd, TCGETS2, &t) != 0) {
        NoteErrno(errno);
        return false;
    }
    TermiosWords words = WordsOf(t);
    if (!EncodeLine(control, words)) return false;
    StoreWords(words, t);
    if (ioctl(fd, TCSETS2, &t) != 0) {
        NoteErrno(errno);
        return false;
    }
    // A driver that cannot run a rate does not fail the call: it falls back
    // to another rate and reports that one. Read it back, so that the line
    // never runs silently at a rate nobody asked for.
    termios2 check{};
    if (ioctl(fd, TCGETS2, &check) != 0) {
        NoteErrno(errno);
        return false;
    }
    if (!RateMatches(LineRate(WordsOf(check)), control.baudRate)) return false;
    if (!ApplyModemLines(control.dtrEnable, control.rtsEnable)) return false;
    remembered = control;
    return true;
}

bool TermiosCommDevice::ApplyModemLines(bool dtr, bool rts) {
    if (!modemLinesSupported) return true;
    int raise = (dtr ? TIOCM_DTR : 0) | (rts ? TIOCM_RTS : 0);
    int drop = (dtr ? 0 : TIOCM_DTR) | (rts ? 0 : TIOCM_RTS);
    const bool ok = (raise == 0 || ioctl(fd, TIOCMBIS, &raise) == 0) &&
                    (drop == 0 || ioctl(fd, TIOCMBIC, &drop) == 0);
    if (ok) return true;
    if (IsUnsupportedErrno(errno)) {
        modemLinesSupported = false;
        return true;
    }
    NoteErrno(errno);
    return false;
}

bool TermiosCommDevice::GetModemStatus(uint32_t& modemBits) {
    modemBits = 0;
    if (fd < 0) return false;
    // A pty has no modem lines: its inputs read as off, as on a port with
    // nothing plugged in. Asking again on every poll tick would only cost a
    // call that fails the same way, and each failure a status query more.
    if (!modemInputsSupported) return true;
    int lines = 0;
    if (ioctl(fd, TIOCMGET, &lines) != 0) {
        if (IsUnsupportedErrno(errno)) {
            modemInputsSupported = false;
            return true;
        }
        NoteErrno(errno);
        return false;
    }
    if ((lines & TIOCM_CTS) != 0) modemBits |= kModemCtsOn;
    if ((lines & TIOCM_DSR) != 0) modemBits |= kModemDsrOn;
    if ((lines & TIOCM_RNG) != 0) modemBits |= kModemRingOn;
    if ((lines & TIOCM_CAR) != 0) modemBits |= kModemRlsdOn;
    return true;
}

bool TermiosCommDevice::ReadCounters(ErrorCounters& counters) {
    if (!countersSupported) return false;
    serial_icounter_struct raw{};
    if (ioctl(fd, TIOCGICOUNT, &raw) != 0) {
        if (IsUnsupportedErrno(errno)) {
            countersSupported = false;
        } else {
            NoteErrno(errno);
        }
        return false;
    }
    counters.frame = static_cast<uint32_t>(raw.frame);
    counters.parity = static_cast<uint32_t>(raw.parity);
    counters.overrun = static_cast<uint32_t>(raw.overrun);
    counters.brk = static_cast<uint32_t>(raw.brk);
    counters.bufferOverrun = static_cast<uint32_t>(raw.buf_overrun);
    return true;
}

// The counters only ever grow, so an error is "pending" exactly until the
// first query that sees the new count; that query reports it, the next one
// does not, as a device that clears its error state when it reports it.
bool TermiosCommDevice::ClearError(CommStatus& status) {
    status = CommStatus{};
    if (fd < 0) return false;
    const TtyQueues::Counts counts = queues.TakeCounts();
    if (counts.hungUp || HungUpNow()) {
        gone = true;
        return false;
    }
    status.inputQueue = counts.input;
    status.outputQueue = counts.output + KernelOutputQueue();
    if (counts.overflowed) status.errors |= kLineErrorBufferOverrun;
    // The device answers: an earlier failure did not mean it went away.
    gone = false;
    ErrorCounters now;
    if (ReadCounters(now)) {
        if (now.bufferOverrun != lastCounters.bufferOverrun)
            status.errors |= kLineErrorBufferOverrun;
        if (now.overrun != lastCounters.overrun) status.errors |= kLineErrorOverrun;
        if (now.parity != lastCounters.parity) status.errors |= kLineErrorParity;
        if (now.frame != lastCounters.frame) status.errors |= kLineErrorFrame;
        if (now.brk != lastCounters.brk) status.errors |= kLineErrorBreak;
        lastCounters = now;
    }
    return true;
}

// Asked here as well as by the queues' thread, so that a line hung up the
// moment before is seen by the very next call.
bool TermiosCommDevice::HungUpNow() const {
    pollfd p{fd, 0, 0};
    return poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR)) != 0;
}

// What the kernel holds beyond the queue has not gone out either: a UART's
// buffer takes seconds of a slow line.
uint32_t TermiosCommDevice::KernelOutputQueue() {
    if (!kernelQueueSupported) return 0;
    int pending = 0;
    if (ioctl(fd, TIOCOUTQ, &pending) != 0) {
        kernelQueueSupported = false;
        return 0;
    }
    return pending > 0 ? static_cast<uint32_t>(pending) : 0;
}

bool TermiosCommDevice::ReadBytes(uint8_t* buffer, uint32_t length, uint32_t& bytesRead) {
    bytesRead = 0;
    if (fd < 0 || (buffer == nullptr && length != 0)) return false;
    bytesRead = queues.Read(buffer, length);
    return true;
}

bool TermiosCommDevice::WriteBytes(const uint8_t* data, uint32_t length, uint32_t& bytesWritten) {
    bytesWritten = 0;
    if (fd < 0 || (data == nullptr && length != 0)) return false;
    if (queues.HungUp() || HungUpNow()) {
        gone = true;
        return false;
    }
    bytesWritten = queues.Write(data, length);
    return true;
}

void TermiosCommDevice::CloseDevice() {
    if (fd < 0) return;
    queues.Stop();
    close(fd);
    fd = -1;
}

uint32_t TermiosCommDevice::TickCount() {
    return static_cast<uint32_t>(MonotonicMs());
}

bool TermiosCommDevice::DeviceGone() const {
    return gone;
}

void TermiosCommDevice::NoteErrno(int error) {
    if (IsGoneErrno(error)) gone = true;
}
