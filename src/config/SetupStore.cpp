#include <cstdio>
#include <cstring>

#include "config/AppPaths.h"
#include "config/ClockText.h"
#include "config/FileSystem.h"
#include "config/IniFile.h"
#include "config/MessageSink.h"
#include "config/SetupData.h"
#include "text/Ascii.h"
#include "text/FormatFits.h"

namespace {

// One more than a valid address, so that a longer value is seen as too long.
constexpr size_t kMacLookupLength = 14;

void MacKey(int slot, char (&key)[8]) {
    // A byte-sized number, so that the compiler sees the key fit.
    std::snprintf(key, sizeof(key), "MAC%u", static_cast<unsigned>(static_cast<uint8_t>(slot + 1)));
}

void WriteLineSettings(IniFile& ini, const LineSettings& line) {
    ini.WriteSection("RS232");
    ini.WriteUnsigned("COMPORT", line.port);
    ini.WriteLong("COMBAUD", line.baud);
    ini.WriteChar("COMPARI", line.parity);
    ini.WriteUnsigned("COMBITS", line.dataBits);
    ini.WriteUnsigned("COMSTOP", line.stopBits);
}

void WriteMacList(IniFile& ini, const SetupData& data) {
    ini.WriteSection("BLUETOOTH");
    ini.WriteUnsigned("SELECTED_MAC", data.selectedMac);
    for (int slot = 0; slot < kMacSlots; ++slot) {
        // A slot is bounded by its capacity, terminated or not.
        char value[kMacSlotCapacity + 1];
        std::snprintf(value, sizeof(value), "%.*s", static_cast<int>(kMacSlotCapacity),
                      data.macList[slot]);
        char key[8];
        MacKey(slot, key);
        ini.WriteText(key, value);
    }
}

void ReadMacList(IniFile& ini, SetupData& data) {
    data.selectedMac = 0;
    ini.ReadUnsigned("SELECTED_MAC", data.selectedMac);
    for (int slot = 0; slot < kMacSlots; ++slot) {
        std::memset(data.macList[slot], 0, kMacSlotCapacity);
        char key[8];
        MacKey(slot, key);
        char value[kMacLookupLength + 1];
        if (ini.FindValue(key, value, kMacLookupLength) == kMacLength) {
            std::memcpy(data.macList[slot], value, kMacLength);
        }
    }
}

// Every key a save writes, for telling a setup file from some other file.
constexpr const char* kSetupKeys[] = {
    "COMPORT",     "COMBAUD",  "COMPARI",      "COMBITS", "COMSTOP", "LastAccess",
    "LastCommand", "LANGUAGE", "SELECTED_MAC", "MAC1",    "MAC2",    "MAC3",
    "MAC4",        "MAC5",     "MAC6",         "MAC7",    "MAC8",
};

constexpr char kKeptCopySuffix[] = ".bak";
// How many copies set aside beside the setup file are looked past for a free
// name; beyond that the foreign file stays, and is not written over.
constexpr int kKeptCopyNames = 100;

// A file at the setup file's name in which not one key can be read was
// written by something else, or in a form this program cannot read; it may
// still hold what the user wanted kept. It moves aside to the setup file's
// name with ".bak" (or ".bak2", ".bak3" and so on, when copies set aside
// earlier are there: those are kept too) before a save takes its place.
// False when it could not be moved: it is not written over then.
bool KeepForeignFile(const AppPaths& paths, MessageSink& messages, FileSystem& files) {
    IniFile ini(paths, messages, files);
    if (!ini.OpenForReading()) return true;
    const bool ours = ini.HoldsAnyKey(kSetupKeys, sizeof(kSetupKeys) / sizeof(kSetupKeys[0]));
    ini.Close();
    if (ours) return true;
    char keptPath[AppPaths::kPathCapacity + sizeof(kKeptCopySuffix) + 4];
    for (int copy = 1; copy <= kKeptCopyNames; ++copy) {
        const bool fits = copy == 1 ? FormatFits(keptPath, sizeof(keptPath), "%s%s",
                                                 paths.SetupFilePath(), kKeptCopySuffix)
                                    : FormatFits(keptPath, sizeof(keptPath), "%s%s%d",
                                                 paths.SetupFilePath(), kKeptCopySuffix, copy);
        if (!fits) return false;
        if (files.MoveAside(paths.SetupFilePath(), keptPath)) return true;
    }
    return false;
}

}  // namespace

bool SaveSetup(AppPaths& paths, ClockText& clock, MessageSink& messages, const SetupData& data,
               char& helpLanguage, FileSystem& files) {
    const LineSettings& line = data.saveMode == 'P' ? data.lineSettings : data.startupLineSettings;

    // The program's file name is whatever the user gave it, line ends and
    // all: like any value, its control characters go in the 0x form, so it
    // can never start a line of its own.
    char name[AppPaths::kPathCapacity];
    std::snprintf(name, sizeof(name), "%s", paths.ProgramFileName());
    UpperAsciiText(name);
    char escaped[4 * AppPaths::kPathCapacity];
    EscapeControls(name, escaped, sizeof(escaped));
    char header[sizeof(escaped) + 32];
    std::snprintf(header, sizeof(header), "==[ SETUP FILE FOR %s ]==\r\n", escaped);

    // The user's settings are in a file the program cannot read: LoadSetup
    // said so, and the file stays as it is until the user mends it.
    if (FileUnreadable(paths.SetupFilePath(), files)) return false;

    IniFile ini(paths, messages, files);
    if (!KeepForeignFile(paths, messages, files) || !ini.CreateForWriting(header)) {
        messages.ShowMessage(kIniCreateFailed);
        return false;
    }
    WriteLineSettings(ini, line);

    ini.WriteSection("ACCESS");
    ini.WriteText("LastAccess", clock.TimestampText());
    ini.WriteText("LastCommand", paths.CommandLine());

    ini.WriteSection("HELP");
    if (helpLanguage != 'D' && helpLanguage != 'E') helpLanguage = 'D';
    ini.WriteChar("LANGUAGE", helpLanguage);

    WriteMacList(ini, data);
    return ini.Close();
}

bool LoadSetup(AppPaths& paths, ClockText& clock, MessageSink& messages, SetupData& data,
               char& helpLanguage, FileSystem& files) {
    if (FileUnreadable(paths.SetupFilePath(), files)) {
        // Not a first run: run on what is held, and say so once.
        messages.ShowMessage(kIniOpenFailed);
        return false;
    }
    IniFile ini(paths, messages, files);
    if (!ini.OpenForReading()) {
        // A first run (no file, or an empty one): write what is held and
        // read that back, so that the file exists from now on.
        if (!SaveSetup(paths, clock, messages, data, helpLanguage, files) ||
            !ini.OpenForReading()) {
            messages.ShowMessage(kIniOpenFailed);
            return false;
        }
    }
    LineSettings& line = data.lineSettings;
    ini.ReadUnsigned("COMPORT", line.port);
    ini.ReadLong("COMBAUD", line.baud);
    ini.ReadChar("COMPARI", line.parity);
    ini.ReadUnsigned("COMBITS", line.dataBits);
    ini.ReadUnsigned("COMSTOP", line.stopBits);
    ini.ReadChar("LANGUAGE", helpLanguage);
    ReadMacList(ini, data);
    return ini.Close();
}
