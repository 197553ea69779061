#include "app/TerminalApp.h"

TerminalApp::TerminalApp(const PlatformServices& platform)
    : clockText(platform.timeSource),
      appPaths(platform.modulePath, platform.commandLine, platform.pathSeparator,
               platform.keepModulePathCase),
      serialPort(platform.commDevice) {}

TerminalApp::~TerminalApp() = default;

void TerminalApp::Start(WindowHost& host) {
    host.RunMainWindow(*this);
}

WindowServices TerminalApp::Services() {
    return WindowServices{serialPort, appPaths, clockText, helpLanguage};
}
