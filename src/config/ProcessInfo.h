#pragma once
#include <cstddef>

// What AppPaths is built from: the running executable's full path and the
// process command line, as the operating system reports them; false when it
// reports nothing. Declared here for both platform layers, each of which
// implements them in its own ProcessInfo.cpp.
bool ReadModulePath(char* out, size_t capacity);
bool ReadCommandLine(char* out, size_t capacity);
