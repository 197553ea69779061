// Prints what the process-information hooks report for this process, one per
// line, so that a test can start it with chosen arguments.
#include <cstdio>

#include "config/ProcessInfo.h"

int main() {
    char path[4096];
    char line[4096];
    const bool havePath = ReadModulePath(path, sizeof(path));
    const bool haveLine = ReadCommandLine(line, sizeof(line));
    std::printf("%s\n%s\n", havePath ? path : "(none)", haveLine ? line : "(none)");
    return 0;
}
