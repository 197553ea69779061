#include "serial/PortDiscovery.h"

#include <cstdio>
#include <cstring>

#include "text/FormatFits.h"

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

namespace {

constexpr char kHintCut[] = "\n...";  // the longest form of the mark
constexpr size_t kDescriptionCapacity = 512;

// The port of list entry index, or 0 when the entry shows an absent port.
uint16_t ListedPort(const char* entry) {
    uint16_t port = 0;
    for (size_t i = 0; i + 1 < kEntryLength; ++i) {
        if (entry[i] < '0' || entry[i] > '9') return 0;
        port = static_cast<uint16_t>(port * 10 + (entry[i] - '0'));
    }
    return port;
}

}  // namespace

int BuildPortHint(const PortNames& names, const char* portList, char* out, size_t capacity) {
    if (out == nullptr || capacity == 0) return 0;
    out[0] = '\0';
    if (portList == nullptr || std::strlen(portList) < kPortListLength) return 0;
    // Keeps room for the mark that says lines were left out.
    if (capacity <= sizeof(kHintCut)) return 0;
    const size_t room = capacity - sizeof(kHintCut) + 1;
    size_t used = 0;
    int lines = 0;
    for (uint16_t index = 0; index < kPortListHighest; ++index) {
        uint16_t port = ListedPort(portList + index * kEntryLength);
        // The console is listed absent, but the user looking for it learns
        // why it is not there.
        const uint16_t entryPort = static_cast<uint16_t>(index + 1);
        if (port == 0 && names.Withheld(entryPort)) port = entryPort;
        char description[kDescriptionCapacity];
        if (port == 0 || !names.Describe(port, description, sizeof(description))) continue;
        if (!FormatFits(out + used, room - used, "%sCOM%u = %s", lines > 0 ? "\n" : "",
                        static_cast<unsigned>(port), description)) {
            std::snprintf(out + used, capacity - used, "%s...", lines > 0 ? "\n" : "");
            break;
        }
        used += std::strlen(out + used);
        ++lines;
    }
    return lines;
}
