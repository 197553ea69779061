// One rebuild of the settings dialog's port list on this machine: 254 probes
// through the Linux port names (sysfs for ttyS, the device node for the
// other families, the ports folder first) and the line that names the device
// of each present port. The dialog does this every 2 s while it is open.
// Nothing is opened; a pty linked as COM33 stands in for a USB adapter.
#include <benchmark/benchmark.h>

#include "LinuxPortNames.h"
#include "PtyPair.h"
#include "ScratchFolder.h"
#include "serial/PortDiscovery.h"

namespace {

constexpr uint16_t kAdapterPort = 33;

void PortListRebuild(benchmark::State& state) {
    ScratchFolder directory;
    PtyPair adapter;
    ScopedPortLink link(directory.Path(), kAdapterPort, adapter.SlavePath());
    if (!directory.Ok() || !adapter.Ok() || !link.Ok()) {
        state.SkipWithError("no pty");
        return;
    }
    const LinuxPortNames names(directory.Path().c_str());
    static char list[kPortListCapacity];
    static char hint[kPortHintCapacity];
    uint8_t blink = 0;
    for (auto _ : state) {
        BuildPortList(names, blink++, list, sizeof(list));
        BuildPortHint(names, list, hint, sizeof(hint));
        benchmark::DoNotOptimize(list);
        benchmark::DoNotOptimize(hint);
    }
}
BENCHMARK(PortListRebuild)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
