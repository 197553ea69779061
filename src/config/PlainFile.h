#pragma once
#include <cstdio>

// The two ways the setup file's save and load open files by name. Each
// platform layer implements them with its own file calls.

// Opens the file at path for reading only when it is a regular file, and
// without waiting on it: a FIFO, a device or a folder standing there gives
// nullptr at once, as does a file that cannot be read.
std::FILE* OpenPlainFileForReading(const char* path);

// Opens a file at path for writing that this call has just created: a stale
// file or a link standing at that name is removed first, never followed, and
// the create refuses anything that appears there in between. nullptr when the
// folder refuses; errno is EACCES or EPERM when it refuses new files.
std::FILE* CreateFreshFile(const char* path);
