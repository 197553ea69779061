#pragma once
// A pseudo-terminal pair for tests that need a real tty: the code under test
// opens the slave by its path, the test plays the far end of the line on the
// master. Linux only.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace pty_detail {

inline int RemainingMs(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

inline bool MakeRaw(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) return false;
    cfmakeraw(&t);
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

}  // namespace pty_detail

class PtyPair {
  public:
    // Both ends raw. The pair keeps its own slave descriptor open, so that the
    // master does not see a hang-up while the code under test closes and
    // re-opens the slave; CloseSlave drops it when a test needs that.
    PtyPair() {
        char name[128] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
            master = slave = -1;
            return;
        }
        slavePath = name;
        const int flags = fcntl(master, F_GETFL);
        valid = pty_detail::MakeRaw(master) && pty_detail::MakeRaw(slave) && flags >= 0 &&
                fcntl(master, F_SETFL, flags | O_NONBLOCK) == 0;
    }
    ~PtyPair() {
        CloseMaster();
        CloseSlave();
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ok() const { return valid; }
    const std::string& SlavePath() const { return slavePath; }
    int MasterFd() const { return master; }
    // The pair's own slave descriptor: shares termios and the input queue with
    // every other open of the slave, so tests can inspect both through it.
    int SlaveFd() const { return slave; }

    // Writes into the line towards the slave; returns how many bytes went in
    // before the deadline.
    size_t WriteMaster(const void* data, size_t length, int timeoutMs = 2000) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        const auto* bytes = static_cast<const uint8_t*>(data);
        size_t done = 0;
        while (done < length && master >= 0) {
            const ssize_t n = ::write(master, bytes + done, length - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR) break;
            if (!WaitMaster(POLLOUT, deadline)) break;
        }
        return done;
    }

    // Reads what the slave side sent until length bytes arrived or the
    // deadline passed; returns the count.
    size_t ReadMaster(void* out, size_t length, int timeoutMs = 2000) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        auto* bytes = static_cast<uint8_t*>(out);
        size_t done = 0;
        while (done < length && master >= 0) {
            const ssize_t n = ::read(master, bytes + done, length - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR) break;
            if (!WaitMaster(POLLIN, deadline)) break;
        }
        return done;
    }

    // Bytes waiting to be read on the slave side.
    int SlaveQueued() const {
        int queued = 0;
        return slave >= 0 && ioctl(slave, FIONREAD, &queued) == 0 ? queued : -1;
    }

    // Bytes written into the master reach the slave's queue through a kernel
    // worker, not at once; tests that count them wait here first.
    bool WaitSlaveQueued(int atLeast, int timeoutMs = 2000) const {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (SlaveQueued() >= atLeast) return true;
            if (pty_detail::RemainingMs(deadline) == 0) return false;
            usleep(1000);
        }
    }

    // Closing the master hangs up the line for every open of the slave.
    void CloseMaster() {
        if (master >= 0) ::close(master);
        master = -1;
    }
    void CloseSlave() {
        if (slave >= 0) ::close(slave);
        slave = -1;
    }

  private:
    bool WaitMaster(short events, std::chrono::steady_clock::time_point deadline) {
        const int left = pty_detail::RemainingMs(deadline);
        if (left == 0) return false;
        pollfd p{master, events, 0};
        const int r = poll(&p, 1, left);
        return r > 0 && (p.revents & events) != 0;
    }

    int master = -1;
    int slave = -1;
    bool valid = false;
    std::string slavePath;
};

// <programDirectory>ports/com<port> as a symlink to target (a pty slave, say)
// for as long as the object lives. A link left behind by an earlier run is
// replaced; tests that run in parallel must use different port numbers or
// directories.
class ScopedPortLink {
  public:
    ScopedPortLink(const std::string& programDirectory, uint16_t port, const std::string& target) {
        std::string directory = programDirectory;
        if (!directory.empty() && directory.back() != '/') directory += '/';
        directory += "ports";
        if (mkdir(directory.c_str(), 0755) != 0 && errno != EEXIST) return;
        const std::string link = directory + "/com" + std::to_string(port);
        unlink(link.c_str());
        if (symlink(target.c_str(), link.c_str()) == 0) linkPath = link;
    }
    ~ScopedPortLink() {
        if (!linkPath.empty()) unlink(linkPath.c_str());
    }
    ScopedPortLink(const ScopedPortLink&) = delete;
    ScopedPortLink& operator=(const ScopedPortLink&) = delete;

    bool Ok() const { return !linkPath.empty(); }
    const std::string& LinkPath() const { return linkPath; }

  private:
    std::string linkPath;
};
