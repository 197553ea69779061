#pragma once
// One instance of the program's core on a device the test brings, in a
// program folder of its own, with a recording view and desktop.
#include <string>

#include "FakeDesktop.h"
#include "FakeMainView.h"
#include "FixedClock.h"
#include "PlatformPath.h"
#include "app/TerminalApp.h"
#include "window/TerminalWindow.h"

struct WindowStation {
    // folder ends in the separator, as ScratchFolder::Path() gives it.
    WindowStation(CommDevice& device, const std::string& folder)
        : modulePath(folder + kProgramFileName), services{device,
                                                          clock,
                                                          modulePath.c_str(),
                                                          "quorvant",
                                                          kPathSeparator,
                                                          kKeepModulePathCase} {}

    FixedClock clock;
    std::string modulePath;
    PlatformServices services;
    TerminalApp app{services};
    FakeMainView view;
    FakeDesktop desktop;
    TerminalWindow window{app.Services(), view, desktop};
};
