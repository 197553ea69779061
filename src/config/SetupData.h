#pragma once
#include <cstddef>
#include <cstdint>

#include "config/FileSystem.h"
#include "serial/LineSettings.h"

class AppPaths;
class ClockText;
class MessageSink;

inline constexpr int kMacSlots = 8;
// A whole adapter address: twelve hexadecimal digits.
inline constexpr size_t kMacLength = 12;
inline constexpr int kMacSlotCapacity = 14;  // 12 characters and the terminator, with room

// The values that survive from one run to the next (besides the program-wide
// help language, which the caller passes alongside).
struct SetupData {
    LineSettings lineSettings;
    LineSettings startupLineSettings;
    char saveMode = 'P';  // 'P': the settings in use are saved; else the start-up ones
    uint16_t selectedMac = 0;
    char macList[kMacSlots][kMacSlotCapacity] = {};
};

// Writes the whole setup file anew; false on failure (after the message). A help language other
// than 'D' or 'E' becomes 'D'.
bool SaveSetup(AppPaths& paths, ClockText& clock, MessageSink& messages, const SetupData& data,
               char& helpLanguage, FileSystem& files = PlatformFileSystem());
// Reads the setup file into data and helpLanguage; a missing or empty file is
// first written from the values held. False on failure.
bool LoadSetup(AppPaths& paths, ClockText& clock, MessageSink& messages, SetupData& data,
               char& helpLanguage, FileSystem& files = PlatformFileSystem());
