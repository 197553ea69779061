#include "qt/ExitSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <utility>

namespace {

constexpr std::array<int, 3> kExitSignals = {SIGTERM, SIGINT, SIGHUP};

// The handler's only state: where it writes. A plain int, since a handler may
// touch nothing else safely.
volatile sig_atomic_t signalWriteEnd = -1;
std::array<struct sigaction, kExitSignals.size()> previousActions{};

// Only async-signal-safe calls: one write, errno kept for the code it
// interrupted. A full pipe already holds a wake-up, so a lost byte is none.
void OnExitSignal(int signalNumber) {
    const int savedErrno = errno;
    const char byte = static_cast<char>(signalNumber);
    if (signalWriteEnd >= 0) {
        [[maybe_unused]] const ssize_t written = write(signalWriteEnd, &byte, 1);
    }
    errno = savedErrno;
}

}  // namespace

ExitSignals::ExitSignals(std::function<void()> callback) : onSignal(std::move(callback)) {
    int ends[2] = {-1, -1};
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
    readEnd = ends[0];
    signalWriteEnd = ends[1];
    notifier = new QSocketNotifier(readEnd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] { Drain(); });

    struct sigaction action {};
    action.sa_handler = OnExitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    installed = true;
    for (size_t i = 0; i < kExitSignals.size(); ++i) {
        if (sigaction(kExitSignals[i], &action, &previousActions[i]) != 0) installed = false;
    }
}

ExitSignals::~ExitSignals() {
    if (readEnd < 0) return;
    for (size_t i = 0; i < kExitSignals.size(); ++i) {
        sigaction(kExitSignals[i], &previousActions[i], nullptr);
    }
    const int writeEnd = signalWriteEnd;
    signalWriteEnd = -1;
    close(writeEnd);
    delete notifier;
    close(readEnd);
}

// However many signals came, the program ends once.
void ExitSignals::Drain() {
    char bytes[16];
    while (read(readEnd, bytes, sizeof(bytes)) > 0) {
    }
    if (onSignal) onSignal();
}
