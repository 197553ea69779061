#pragma once
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>

#include "FixedClock.h"
#include "PlatformPath.h"
#include "RecordingSink.h"
#include "ScratchFolder.h"

namespace config_test {

inline constexpr const char* kCreateFailed = "ERROR: create IniFile";
inline constexpr const char* kOpenFailed = "ERROR: open IniFile";
inline constexpr const char* kCloseFailed = "ERROR: close IniFile";

inline std::string ReadBytes(const std::string& file) {
    std::string bytes;
    if (std::FILE* f = std::fopen(file.c_str(), "rb")) {
        char block[4096];
        size_t n;
        while ((n = std::fread(block, 1, sizeof(block), f)) > 0) bytes.append(block, n);
        std::fclose(f);
    }
    return bytes;
}

inline bool WriteBytes(const std::string& file, const std::string& bytes) {
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// Joins texts; used instead of chains of operator+, on which mingw-w64 g++ 12
// at -O3 reports a false overlap (-Wrestrict).
inline std::string Cat(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (const std::string_view part : parts) text.append(part.data(), part.size());
    return text;
}

inline std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// How many entries a folder holds: a save must leave no side file behind.
inline size_t EntriesIn(const std::string& folder) {
    size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        (void)entry;
        ++count;
    }
    return count;
}

}  // namespace config_test
