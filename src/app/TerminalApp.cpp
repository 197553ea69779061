#include "app/TerminalApp.h"

#include "serial/PortNames.h"

namespace {

// A platform that names no ports: the dialog lists none present.
class NoPortNames final : public PortNames {
  public:
    bool DeviceName(uint16_t, char* out, size_t capacity) const override {
        if (out != nullptr && capacity > 0) out[0] = '\0';
        return false;
    }
    bool Exists(uint16_t) const override { return false; }
};

const PortNames& PortNamesOf(const PlatformServices& platform) {
    static const NoPortNames none;
    return platform.portNames != nullptr ? *platform.portNames : none;
}

}  // namespace

TerminalApp::TerminalApp(const PlatformServices& platform)
    : clockText(platform.timeSource),
      fileSystem(platform.fileSystem != nullptr ? *platform.fileSystem : PlatformFileSystem()),
      appPaths(platform.modulePath, platform.commandLine, platform.pathSeparator,
               platform.keepModulePathCase, platform.setupDirectory, platform.saveDirectory),
      serialPort(platform.commDevice),
      portSettingsDialog(PortNamesOf(platform)) {}

TerminalApp::~TerminalApp() = default;

void TerminalApp::Start(WindowHost& host) {
    host.RunMainWindow(*this);
}

WindowServices TerminalApp::Services() {
    return WindowServices{serialPort,   appPaths,           clockText,
                          helpLanguage, portSettingsDialog, fileSystem};
}
