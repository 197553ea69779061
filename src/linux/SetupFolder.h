#pragma once
#include <cstddef>

// Where the Linux program keeps its setup file and ports/ folder: beside
// itself when it runs from a build or an unpacked folder, in the user's
// configuration folder when it is installed (the choice itself is
// ChooseSetupDirectory's). Reads the facts about programDirectory and the
// environment, writes the folder, ending in '/', to out, and creates it when
// it is not the program's own. A folder that cannot be created is left to the
// setup file's own error message, which names what went wrong.
void LocateSetupFolder(const char* programDirectory, char* out, size_t capacity);
