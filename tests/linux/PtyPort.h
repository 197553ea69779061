#pragma once
#include <cstdint>

#include "LinuxPortNames.h"
#include "PtyPair.h"
#include "ScratchFolder.h"

// A pty pair wired in as port kPort of a temporary program directory, the way
// a user wires a virtual line into the program.
struct PtyPort {
    static constexpr uint16_t kPort = 1;

    ScratchFolder directory;
    PtyPair pty;
    ScopedPortLink link{directory.Path(), kPort, pty.SlavePath()};
    LinuxPortNames names{directory.Path().c_str()};

    bool Ok() const { return directory.Ok() && pty.Ok() && link.Ok(); }
};
