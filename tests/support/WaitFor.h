#pragma once
#include <unistd.h>

#include <chrono>

// Polls condition every millisecond until it holds or timeoutMs have passed:
// a device's own thread moves bytes between the tty and its queues, so what
// a test put on the line shows in the queue a moment later.
template <class Condition>
bool WaitFor(Condition condition, int timeoutMs = 2000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        usleep(1000);
    }
}
