// Throughput of SerialPort over the termios device on a pty pair. The far end
// runs in a thread that drains (for writes) or feeds (for reads) the master
// as fast as it can, so the figures are those of the channel and the kernel.
// For scale: the test stream at 921600 baud is 7,680 bytes per 100 ms tick.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "LinuxPortNames.h"
#include "PtyPair.h"
#include "ScratchFolder.h"
#include "TermiosCommDevice.h"
#include "serial/SerialPort.h"

namespace {

constexpr uint16_t kPort = 1;
// What the poll cycle fetches per tick at most.
constexpr uint32_t kReadPerTick = 1200;

struct Channel {
    ScratchFolder directory;
    PtyPair pty;
    ScopedPortLink link{directory.Path(), kPort, pty.SlavePath()};
    LinuxPortNames names{directory.Path().c_str()};
    TermiosCommDevice device{names};
    SerialPort serial{device};

    bool Open() {
        return directory.Ok() && pty.Ok() && link.Ok() && serial.Open(kPort, 921600, 'N', 8, 1);
    }
};

// Runs body on the master until stopped; body returns false when it made no
// progress, and the thread then waits briefly for the line to move.
template <typename Body>
std::thread FarEnd(std::atomic<bool>& stop, int masterFd, short events, Body body) {
    return std::thread([&stop, masterFd, events, body]() mutable {
        while (!stop.load(std::memory_order_relaxed)) {
            if (!body()) {
                pollfd p{masterFd, events, 0};
                poll(&p, 1, 10);
            }
        }
    });
}

void BM_Write(benchmark::State& state) {
    Channel channel;
    if (!channel.Open()) {
        state.SkipWithError("no pty channel");
        return;
    }
    const auto block = static_cast<uint16_t>(state.range(0));
    std::vector<uint8_t> data(block);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i);

    std::atomic<bool> stop{false};
    const int master = channel.pty.MasterFd();
    std::thread drain = FarEnd(stop, master, POLLIN, [master]() {
        uint8_t sink[16384];
        return ::read(master, sink, sizeof(sink)) > 0;
    });
    for (auto _ : state) {
        if (channel.serial.Write(data.data(), block, 0) != WriteResult::Ok) {
            state.SkipWithError("write failed");
            break;
        }
    }
    stop = true;
    drain.join();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * block);
}

void BM_Read(benchmark::State& state) {
    Channel channel;
    if (!channel.Open()) {
        state.SkipWithError("no pty channel");
        return;
    }
    const auto block = static_cast<uint32_t>(state.range(0));
    std::atomic<bool> stop{false};
    const int master = channel.pty.MasterFd();
    std::thread feed = FarEnd(stop, master, POLLOUT, [master]() {
        static const std::vector<uint8_t> source(8192, 0x55);
        return ::write(master, source.data(), source.size()) > 0;
    });
    uint8_t buffer[kReadPerTick];
    for (auto _ : state) {
        // As the poll cycle does: ask what is queued, read no more than that.
        uint32_t remaining = block;
        while (remaining > 0) {
            const uint32_t queued = channel.serial.GetInputQueueCount();
            if (queued == 0) continue;
            const auto take = static_cast<uint16_t>(std::min({queued, kReadPerTick, remaining}));
            if (channel.serial.Read(buffer, take, 0) != ReadResult::Ok(take)) {
                state.SkipWithError("read failed");
                break;
            }
            remaining -= take;
        }
        benchmark::DoNotOptimize(buffer);
    }
    stop = true;
    feed.join();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * block);
}

BENCHMARK(BM_Write)->Arg(1)->Arg(960)->Arg(7680)->UseRealTime();
BENCHMARK(BM_Read)->Arg(960)->Arg(7680)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
