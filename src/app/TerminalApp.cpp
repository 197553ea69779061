#include "app/TerminalApp.h"

TerminalApp::TerminalApp(const PlatformServices& platform)
    : clockText(platform.timeSource),
      appPaths(platform.modulePath, platform.commandLine, platform.pathSeparator,
               platform.keepModulePathCase),
      serialPort(platform.commDevice) {}

TerminalApp::~TerminalApp() = default;

bool TerminalApp::Start(WindowHost& host) {
    host.RunMainWindow(*this);
    // The window has ended, and with it the program.
    return false;
}
