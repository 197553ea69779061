#pragma once
// A fresh folder under the system's temporary folder, removed with all it
// holds at the end, a part made read-only by a test included.
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#include "PlatformPath.h"

class ScratchFolder {
  public:
    ScratchFolder() {
        std::random_device entropy;
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < kAttempts && path.empty(); ++attempt) {
            const std::filesystem::path candidate =
                base / ("quorvant-test-" + std::to_string(entropy()));
            std::error_code ec;
            if (std::filesystem::create_directory(candidate, ec)) {
                path = candidate.string() + kPathSeparator;
            }
        }
    }
    ~ScratchFolder() {
        if (path.empty()) return;
        // Each folder is opened up before the walk goes into it. Only real
        // folders: a link may lead to a device of the machine.
        std::error_code ec;
        std::filesystem::recursive_directory_iterator entry(path, ec);
        for (; !ec && entry != std::filesystem::recursive_directory_iterator();
             entry.increment(ec)) {
            std::error_code ignored;
            if (entry->symlink_status(ignored).type() != std::filesystem::file_type::directory) {
                continue;
            }
            std::filesystem::permissions(entry->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        }
        std::filesystem::remove_all(path, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool Ok() const { return !path.empty(); }
    // Ends in the separator, as a program directory is given.
    const std::string& Path() const { return path; }
    std::string Join(const std::string& name) const { return path + name; }

  private:
    static constexpr int kAttempts = 100;
    std::string path;
};
