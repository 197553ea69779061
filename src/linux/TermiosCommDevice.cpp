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

// poll takes an int of milliseconds; longer limits wait in several rounds.
constexpr uint64_t kMaxPollMs = 1000000;

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
    // TIOCEXCL stops other opens, but not one with CAP_SYS_ADMIN; so a device
    // someone else holds exclusively is refused here too, and the lock closes
    // the gap between two opens racing for the same device.
    int heldExclusive = 0;
    const bool refused = isatty(opened) == 0 ||
                         (ioctl(opened, TIOCGEXCL, &heldExclusive) == 0 && heldExclusive != 0) ||
                         flock(opened, LOCK_EX | LOCK_NB) != 0 || ioctl(opened, TIOCEXCL) != 0;
    if (refused) {
        close(opened);
        return false;
    }
    fd = opened;
    writeLimitMs = 0;
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

// The kernel sizes its own queues.
bool TermiosCommDevice::SetupQueues(uint32_t, uint32_t) {
    return IsOpen();
}

bool TermiosCommDevice::Purge(uint32_t flags) {
    if (fd < 0) return false;
    const bool input = (flags & (kPurgeRxAbort | kPurgeRxClear)) != 0;
    const bool output = (flags & (kPurgeTxAbort | kPurgeTxClear)) != 0;
    if (!input && !output) return true;
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
    pollfd p{fd, POLLIN, 0};
    const int ready = poll(&p, 1, 0);
    if (ready > 0 && (p.revents & (POLLHUP | POLLERR)) != 0) {
        gone = true;
        return false;
    }
    int queued = 0;
    // The port reads with VMIN 0, so the tty signals input from its first
    // byte: a quiet line, the usual tick, needs no count.
    if (ready != 0 && ioctl(fd, FIONREAD, &queued) != 0) {
        NoteErrno(errno);
        return false;
    }
    status.inputQueue = queued > 0 ? static_cast<uint32_t>(queued) : 0;
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

bool TermiosCommDevice::ReadBytes(uint8_t* buffer, uint32_t length, uint32_t& bytesRead) {
    bytesRead = 0;
    if (fd < 0 || (buffer == nullptr && length != 0)) return false;
    while (bytesRead < length) {
        const ssize_t n = read(fd, buffer + bytesRead, length - bytesRead);
        if (n > 0) {
            bytesRead += static_cast<uint32_t>(n);
            continue;
        }
        // With VMIN 0 an empty queue reads as 0; without it, as EAGAIN.
        if (n == 0 || errno == EAGAIN) break;
        if (errno == EINTR) continue;
        NoteErrno(errno);
        return false;
    }
    return true;
}

bool TermiosCommDevice::SetWriteLimit(uint32_t limitMs) {
    if (fd < 0) return false;
    writeLimitMs = limitMs;
    return true;
}

bool TermiosCommDevice::WriteBytes(const uint8_t* data, uint32_t length, uint32_t& bytesWritten) {
    bytesWritten = 0;
    if (fd < 0 || (data == nullptr && length != 0)) return false;
    const uint64_t deadline = MonotonicMs() + writeLimitMs;
    while (bytesWritten < length) {
        const ssize_t n = write(fd, data + bytesWritten, length - bytesWritten);
        if (n > 0) {
            bytesWritten += static_cast<uint32_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) {
            NoteErrno(errno);
            return false;
        }
        // The kernel's buffer is full: wait until it takes more, but not past
        // the limit (a peer that stopped reading would hold the thread for
        // ever) and not on a device that has gone. A write cut short is not
        // a failure: the count tells the caller.
        int waitMs = -1;
        if (writeLimitMs != 0) {
            const uint64_t now = MonotonicMs();
            if (now >= deadline) return true;
            waitMs = static_cast<int>(deadline - now < kMaxPollMs ? deadline - now : kMaxPollMs);
        }
        pollfd p{fd, POLLOUT, 0};
        const int ready = poll(&p, 1, waitMs);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (ready == 0) continue;
        if ((p.revents & (POLLHUP | POLLERR)) != 0) {
            gone = true;
            return false;
        }
        if ((p.revents & POLLNVAL) != 0) return false;
    }
    return true;
}

void TermiosCommDevice::CloseDevice() {
    if (fd < 0) return;
    // The exclusive flag lives on the tty, not on this descriptor: a pty's
    // slave keeps it after the close and would refuse the next open.
    ioctl(fd, TIOCNXCL);
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
