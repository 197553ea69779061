#pragma once
#include <cstddef>

// Where the Linux program keeps its setup file and ports/ folder: beside
// itself when it runs from a build or an unpacked folder, in the user's
// configuration folder when it is installed (the choice itself is
// ChooseSetupDirectory's). Reads the facts about programDirectory and the
// environment, writes the folder, ending in '/', to out, and creates it when
// it is not the program's own. A folder that cannot be created is left to the
// setup file's own error message, which names what went wrong. An empty
// ports/ folder is made in it when there is none, so that a port can be
// linked there by hand at once.
void LocateSetupFolder(const char* programDirectory, char* out, size_t capacity);

// Where the save dialog first opens. A program beside its own files keeps
// them together and proposes its setup folder (out empty: no choice of the
// platform's). An installed one would propose a hidden configuration folder
// nobody looks into, so it proposes the home folder instead (ending in '/').
void LocateSaveFolder(const char* programDirectory, const char* setupDirectory, char* out,
                      size_t capacity);
