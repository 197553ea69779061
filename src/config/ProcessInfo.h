#pragma once
#include <cstddef>

// What AppPaths is built from: the running executable's full path and the
// process command line, as the operating system reports them; false when it
// reports nothing. Declared here for both platform layers, each of which
// implements them in its own ProcessInfo.cpp.
bool ReadModulePath(char* out, size_t capacity);

// Room for the module path as it is read: far more than AppPaths keeps, so
// that a path too long for it arrives longer than it can hold (cut here, if
// at all, at a length the guard still sees) and is recognised as too long,
// instead of arriving cut to a length that names some other file.
inline constexpr size_t kModulePathReadCapacity = 4096;
bool ReadCommandLine(char* out, size_t capacity);
