#pragma once
#include <cstddef>
#include <cstdint>

#include "serial/PortNames.h"

// The settings dialog lists ports 1 to 254 as one line of text.
inline constexpr uint16_t kPortListHighest = 254;
inline constexpr size_t kPortListLength = 1040;
inline constexpr size_t kPortListCapacity = kPortListLength + 1;

// 1 when port n exists on this machine, else 0. Never opens the device, so a
// port in use by another program counts as present.
int ProbePort(const PortNames& names, uint16_t port);

// Writes the port list: "%03u " for each present port and "___ " for each
// absent one, in port order, then " = available COM ports " and a marker that
// alternates with the lowest bit of blink ('_' odd, ' ' even) so that the
// user sees the list is live. Returns 0; -1 (and an empty text when there is
// room for one) when out cannot hold kPortListCapacity characters.
int BuildPortList(const PortNames& names, uint8_t blink, char* out, size_t capacity);

// Room for the descriptions of the ports of one list; what does not fit is
// left out, and "..." says so.
inline constexpr size_t kPortHintCapacity = 2048;

// One line "COMn = <description>" for each port that portList (a text of
// BuildPortList) shows present, or that the names withhold, and that the
// names can describe, in port order, separated by '\n'. Empty when none can
// be described. The list says which ports are there; only the ports it shows
// absent are asked whether they are withheld. Returns the number of lines.
int BuildPortHint(const PortNames& names, const char* portList, char* out, size_t capacity);
