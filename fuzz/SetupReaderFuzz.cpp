// Any bytes as the setup file: the lookups must stay inside their buffers and
// return printable values, a load must keep every slot valid, and what a save
// writes must load back as the same values.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FixedClock.h"
#include "RecordingSink.h"
#include "ScratchFolder.h"
#include "config/AppPaths.h"
#include "config/ClockText.h"
#include "config/IniFile.h"
#include "config/SetupData.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

bool AllPrintable(const char* text) {
    for (; *text != '\0'; ++text) {
        if (static_cast<unsigned char>(*text) < 0x20 || static_cast<unsigned char>(*text) > 0x7E) {
            return false;
        }
    }
    return true;
}

// The input's own first word as a key too, so that the fuzzer can steer matches;
// it may exceed the longest key the reader accepts.
std::string KeyFromInput(const uint8_t* data, size_t size) {
    std::string key;
    for (size_t i = 0; i < size && i < 120 && data[i] != '=' && data[i] >= 0x20 && data[i] <= 0x7E;
         ++i) {
        key.push_back(static_cast<char>(data[i]));
    }
    return key;
}

void CheckLookups(IniFile& ini, const std::string& inputKey) {
    const char* keys[] = {"COMPORT", "COMBAUD", "LANGUAGE", "MAC1", "MAC10", inputKey.c_str()};
    for (const char* key : keys) {
        for (const size_t maxLength : {size_t{0}, size_t{1}, size_t{14}, size_t{200}}) {
            char out[201];
            const size_t length = ini.FindValue(key, out, maxLength);
            Check(length <= maxLength && std::strlen(out) == length && AllPrintable(out));
        }
        uint16_t u = 0;
        uint32_t l = 0;
        char c = 0;
        ini.ReadUnsigned(key, u);
        ini.ReadLong(key, l);
        ini.ReadChar(key, c);
    }
}

void CheckSlots(const SetupData& data) {
    for (const auto& slot : data.macList) {
        const size_t length = strnlen(slot, kMacSlotCapacity);
        Check((length == 0 || length == 12) && AllPrintable(slot));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One private folder per fuzzing process: parallel jobs must not share it.
    static ScratchFolder folder;
    static const std::string program = folder.Join("quorvant");
    static AppPaths paths(program.c_str(), "quorvant fuzz", '/', true);
    if (!folder.Ok()) std::abort();
    RecordingSink sink;
    FixedClock time;
    ClockText clock(time);

    std::FILE* file = std::fopen(paths.SetupFilePath(), "wb");
    if (file == nullptr) std::abort();
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    {
        IniFile ini(paths, sink);
        if (ini.OpenForReading()) CheckLookups(ini, KeyFromInput(data, size));
    }

    SetupData loaded;
    char language = 0;
    LoadSetup(paths, clock, sink, loaded, language);
    CheckSlots(loaded);

    Check(SaveSetup(paths, clock, sink, loaded, language));
    Check(language == 'D' || language == 'E');
    SetupData again;
    char languageAgain = 0;
    Check(LoadSetup(paths, clock, sink, again, languageAgain));

    // A parity that is no name character is saved in hexadecimal and comes back as '0'.
    LineSettings expected = loaded.lineSettings;
    const auto parity = static_cast<unsigned char>(expected.parity);
    if (parity < 0x21 || parity > 0x7E) expected.parity = '0';
    Check(again.lineSettings == expected);
    Check(again.selectedMac == loaded.selectedMac && languageAgain == language);
    for (int slot = 0; slot < kMacSlots; ++slot) {
        Check(std::strcmp(again.macList[slot], loaded.macList[slot]) == 0);
    }
    return 0;
}
