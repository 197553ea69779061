#pragma once
// A full disk as a test can have one: while it lives, the process may not
// write a file past a number of bytes, and SIGXFSZ is ignored so that such a
// write fails instead of ending the process. POSIX only.
#include <sys/resource.h>

#include <csignal>
#include <cstddef>

class FileSizeLimit {
  public:
    explicit FileSizeLimit(size_t bytes) : oldHandler(std::signal(SIGXFSZ, SIG_IGN)) {
        held = getrlimit(RLIMIT_FSIZE, &old) == 0;
        rlimit small = old;
        small.rlim_cur = static_cast<rlim_t>(bytes);
        held = held && setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit() {
        if (held) setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool Held() const { return held; }

  private:
    void (*oldHandler)(int);
    rlimit old{};
    bool held = false;
};
