#pragma once

// Puts the file at from in the place of the file at to in one step: a reader
// of to finds the old file whole or the new one whole at every moment, never
// none, and a crash or power cut at any point leaves one of the two. The new
// file's bytes are on the disk before it takes the name. from is gone
// afterwards. False when the system refuses; then both files are as they were.
// Each platform layer implements it with its own file calls.
bool ReplaceFileInOneStep(const char* from, const char* to);
