#pragma once
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "config/MessageSink.h"
#include "config/TimeSource.h"

namespace config_test {

#ifdef _WIN32
inline constexpr char kSeparator = '\\';
inline constexpr bool kKeepModulePathCase = false;
#else
inline constexpr char kSeparator = '/';
inline constexpr bool kKeepModulePathCase = true;
#endif

inline constexpr const char* kCreateFailed = "ERROR: create IniFile";
inline constexpr const char* kOpenFailed = "ERROR: open IniFile";
inline constexpr const char* kCloseFailed = "ERROR: close IniFile";

class RecordingSink : public MessageSink {
  public:
    void ShowMessage(const char* text) override { shown.emplace_back(text); }
    int Count(const std::string& text) const {
        int n = 0;
        for (const auto& s : shown) n += s == text ? 1 : 0;
        return n;
    }
    std::vector<std::string> shown;
};

class FixedClock : public TimeSource {
  public:
    explicit FixedClock(LocalTime at) : now(at) {}
    LocalTime Now() override { return now; }
    LocalTime now;
};

inline LocalTime At(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                    unsigned second) {
    LocalTime t;
    t.year = static_cast<uint16_t>(year);
    t.month = static_cast<uint8_t>(month);
    t.day = static_cast<uint8_t>(day);
    t.hour = static_cast<uint8_t>(hour);
    t.minute = static_cast<uint8_t>(minute);
    t.second = static_cast<uint8_t>(second);
    return t;
}

// A fresh folder under the system's temporary folder, removed with its content.
class TempFolder {
  public:
    TempFolder() {
        std::random_device entropy;
        const auto base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100; ++attempt) {
            path = base / ("quorvant-config-" + std::to_string(entropy()));
            std::error_code ec;
            if (std::filesystem::create_directory(path, ec)) return;
        }
        path.clear();
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path joined with name by the platform's separator.
    std::string Join(const std::string& name) const {
        std::string joined = path.string();
        joined.push_back(kSeparator);
        return joined.append(name);
    }

    std::filesystem::path path;
};

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

}  // namespace config_test
