#pragma once
#include <cstddef>

// The running executable's full path and the process command line, as the
// platform reports them; false when it reports nothing.
bool ReadModulePath(char* out, size_t capacity);
bool ReadCommandLine(char* out, size_t capacity);
