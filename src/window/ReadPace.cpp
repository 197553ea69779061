#include "window/ReadPace.h"

namespace {

constexpr uint32_t kTicksPerSecond = 10;
constexpr uint32_t kTicksPerBudget = 2;
// Budgets in a backlog limit: two ticks each, so a second of the line.
constexpr uint32_t kBudgetsPerBacklog = 5;
constexpr uint16_t kFewestDataBits = 5;
constexpr uint16_t kMostDataBits = 8;

bool HasParityBit(char parity) {
    return parity == 'E' || parity == 'O' || parity == 'M' || parity == 'S';
}

// The narrowest frame the settings can mean, so that the bytes a line carries
// are never underestimated: one and a half stop bits count as one.
uint32_t BitsPerByte(const LineSettings& line) {
    uint16_t dataBits = line.dataBits;
    if (dataBits < kFewestDataBits) dataBits = kFewestDataBits;
    if (dataBits > kMostDataBits) dataBits = kMostDataBits;
    const uint32_t stopBits = line.stopBits == 2 ? 2 : 1;
    return 1 + dataBits + (HasParityBit(line.parity) ? 1 : 0) + stopBits;
}

}  // namespace

ReadPace ReadPace::For(const LineSettings& line) {
    ReadPace pace;
    if (line.baud <= kBaseBaud) return pace;
    const uint64_t perTicks = static_cast<uint64_t>(line.baud) * kTicksPerBudget;
    const uint64_t divisor = static_cast<uint64_t>(BitsPerByte(line)) * kTicksPerSecond;
    uint64_t budget = (perTicks + divisor - 1) / divisor;
    if (budget < kBaseBudget) budget = kBaseBudget;
    if (budget > kReadCapacity) budget = kReadCapacity;
    pace.readBudget = static_cast<uint32_t>(budget);
    uint32_t limit = pace.readBudget * kBudgetsPerBacklog;
    if (limit > kMostBacklog) limit = kMostBacklog;
    pace.backlogLimit = limit > kBaseBacklogLimit ? limit : kBaseBacklogLimit;
    return pace;
}
