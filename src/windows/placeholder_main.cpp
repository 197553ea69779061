#include <cstdio>

#include "ProcessInfo.h"

int main() {
    char path[356];
    ReadModulePath(path, sizeof(path));
    std::printf("quorvant build OK (%s); the main window is not built yet.\n", path);
    return 0;
}
