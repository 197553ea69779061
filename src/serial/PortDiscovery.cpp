#include "serial/PortDiscovery.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr char kAbsentEntry[] = "___ ";
constexpr char kListTail[] = " = available COM ports ";
constexpr size_t kEntryLength = sizeof(kAbsentEntry) - 1;

}  // namespace

int ProbePort(const PortNames& names, uint16_t port) {
    return names.Exists(port) ? 1 : 0;
}

int BuildPortList(const PortNames& names, uint8_t blink, char* out, size_t capacity) {
    if (out == nullptr) return -1;
    if (capacity < kPortListCapacity) {
        if (capacity > 0) out[0] = '\0';
        return -1;
    }
    size_t used = 0;
    for (uint16_t port = 1; port <= kPortListHighest; ++port) {
        if (ProbePort(names, port) == 1) {
            std::snprintf(out + used, capacity - used, "%03u ", static_cast<unsigned>(port));
        } else {
            std::memcpy(out + used, kAbsentEntry, kEntryLength);
        }
        used += kEntryLength;
    }
    std::memcpy(out + used, kListTail, sizeof(kListTail) - 1);
    used += sizeof(kListTail) - 1;
    out[used++] = (blink & 1) != 0 ? '_' : ' ';
    out[used] = '\0';
    return 0;
}
