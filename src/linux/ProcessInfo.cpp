#include "config/ProcessInfo.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

namespace {

// Appends one argument to out, in double quotes when it holds a blank or is
// empty (so that it still shows), the way a Windows command line shows it;
// cuts at capacity.
size_t AppendArgument(char* out, size_t used, size_t capacity, const char* arg, size_t length) {
    const bool quoted = length == 0 || memchr(arg, ' ', length) != nullptr;
    auto put = [&](char c) {
        if (used + 1 < capacity) out[used++] = c;
    };
    if (used > 0) put(' ');
    if (quoted) put('"');
    for (size_t i = 0; i < length; ++i) put(arg[i]);
    if (quoted) put('"');
    out[used] = '\0';
    return used;
}

}  // namespace

bool ReadModulePath(char* out, size_t capacity) {
    if (capacity == 0) return false;
    const ssize_t n = readlink("/proc/self/exe", out, capacity - 1);
    if (n <= 0) {
        out[0] = '\0';
        return false;
    }
    out[n] = '\0';
    return true;
}

bool ReadCommandLine(char* out, size_t capacity) {
    if (capacity == 0) return false;
    out[0] = '\0';
    const int fd = open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char raw[4096];
    size_t total = 0;
    for (;;) {
        const ssize_t n = ::read(fd, raw + total, sizeof(raw) - total);
        if (n <= 0) break;
        total += static_cast<size_t>(n);
        if (total == sizeof(raw)) break;
    }
    close(fd);
    if (total == 0) return false;
    size_t used = 0;
    size_t start = 0;
    for (size_t i = 0; i <= total; ++i) {
        if (i == total || raw[i] == '\0') {
            if (i > start || i < total)
                used = AppendArgument(out, used, capacity, raw + start, i - start);
            start = i + 1;
            if (i + 1 >= total) break;
        }
    }
    return true;
}
