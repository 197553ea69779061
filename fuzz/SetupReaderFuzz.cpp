// Any bytes as the setup file: the lookups must stay inside their buffers and
// return printable values, the same text saved as UTF-16 must give the same
// values, a load must keep every slot valid, and what a save writes must load
// back as the same values.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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

// What each key of the set finds, one value after the other.
std::string CheckLookups(IniFile& ini, const std::string& inputKey) {
    const char* keys[] = {"COMPORT", "COMBAUD", "LANGUAGE", "MAC1", "MAC10", inputKey.c_str()};
    std::string found;
    for (const char* key : keys) {
        for (const size_t maxLength : {size_t{0}, size_t{1}, size_t{14}, size_t{200}}) {
            char out[201];
            const size_t length = ini.FindValue(key, out, maxLength);
            Check(length <= maxLength && std::strlen(out) == length && AllPrintable(out));
            found.append(out, length);
            found.push_back('\n');
        }
        uint16_t u = 0;
        uint32_t l = 0;
        char c = 0;
        ini.ReadUnsigned(key, u);
        ini.ReadLong(key, l);
        ini.ReadChar(key, c);
    }
    return found;
}

bool AllAscii(const uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        if (data[i] >= 0x80) return false;
    }
    return true;
}

// The input as an editor saves it in UTF-16, byte-order mark first; the
// input's length picks the byte order.
std::string AsUtf16(const uint8_t* data, size_t size) {
    const bool littleEndian = size % 2 == 0;
    std::string text = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
    for (size_t i = 0; i < size; ++i) {
        const char unit[2] = {static_cast<char>(data[i]), '\0'};
        text.push_back(littleEndian ? unit[0] : unit[1]);
        text.push_back(littleEndian ? unit[1] : unit[0]);
    }
    return text;
}

void WriteFile(const char* path, const void* bytes, size_t size) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) std::abort();
    std::fwrite(bytes, 1, size, file);
    std::fclose(file);
}

void CheckSlots(const SetupData& data) {
    for (const auto& slot : data.macList) {
        const size_t length = strnlen(slot, kMacSlotCapacity);
        Check((length == 0 || length == 12) && AllPrintable(slot));
    }
}

void RemoveKeptCopies(const std::string& folder) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.path().filename().string().rfind("quorvant.ini.bak", 0) == 0) {
            std::filesystem::remove(entry.path(), error);
        }
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
    // A foreign file is set aside under a name of its own, and only so many
    // names are tried: each input starts without the copies of the last.
    RemoveKeptCopies(folder.Path());

    const std::string inputKey = KeyFromInput(data, size);
    if (AllAscii(data, size) && size > 0) {
        std::string asBytes;
        std::string asUtf16;
        WriteFile(paths.SetupFilePath(), data, size);
        {
            IniFile ini(paths, sink);
            if (ini.OpenForReading()) asBytes = CheckLookups(ini, inputKey);
        }
        const std::string utf16 = AsUtf16(data, size);
        WriteFile(paths.SetupFilePath(), utf16.data(), utf16.size());
        {
            IniFile ini(paths, sink);
            if (ini.OpenForReading()) asUtf16 = CheckLookups(ini, inputKey);
        }
        Check(asBytes == asUtf16);
    }

    WriteFile(paths.SetupFilePath(), data, size);
    {
        IniFile ini(paths, sink);
        if (ini.OpenForReading()) CheckLookups(ini, inputKey);
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

    Check(again.lineSettings == loaded.lineSettings);
    Check(again.selectedMac == loaded.selectedMac && languageAgain == language);
    for (int slot = 0; slot < kMacSlots; ++slot) {
        Check(std::strcmp(again.macList[slot], loaded.macList[slot]) == 0);
    }
    return 0;
}
