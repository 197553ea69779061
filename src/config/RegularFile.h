#pragma once
#include <cstdio>

// Opens the file at path for writing in binary, created when missing and
// emptied when it is there, but only when what stands at that name is a
// plain file: a symbolic link (or, on Windows, any reparse point) planted at
// the name is refused rather than followed, so its target stays untouched,
// as is a hard link (a file with a second name), and a FIFO, a device or a
// folder is refused without waiting for a reader.
// nullptr when the file cannot be had that way. Each platform layer
// implements it with its own file calls.
std::FILE* CreateRegularFile(const char* path);
