#include <QApplication>

#include "LinuxPortNames.h"
#include "config/ProcessInfo.h"
#include "TermiosCommDevice.h"
#include "app/TerminalApp.h"
#include "config/AppPaths.h"
#include "qt/LocalTimeSource.h"
#include "qt/QtWindowHost.h"

namespace {
constexpr char kPathSeparator = '/';
}

int main(int argc, char** argv) {
    QApplication qtApp(argc, argv);
    // The window logic ends the program; a closed message box must not.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setStyle(QStringLiteral("Fusion"));

    static char modulePath[kModulePathReadCapacity];
    static char commandLine[AppPaths::kCommandLineCapacity];
    const bool haveModulePath = ReadModulePath(modulePath, sizeof(modulePath));
    const bool haveCommandLine = ReadCommandLine(commandLine, sizeof(commandLine));

    // The port names need the program's folder before the application object
    // (which owns its own paths) can be built on the device that uses them.
    const AppPaths portPaths(haveModulePath ? modulePath : nullptr,
                             haveCommandLine ? commandLine : nullptr, kPathSeparator, true);
    LinuxPortNames portNames(portPaths.ProgramDirectory());
    TermiosCommDevice commDevice(portNames);
    LocalTimeSource timeSource;

    const PlatformServices services{commDevice,
                                    timeSource,
                                    haveModulePath ? modulePath : nullptr,
                                    haveCommandLine ? commandLine : nullptr,
                                    kPathSeparator,
                                    true,
                                    &portNames};
    TerminalApp app(services);
    QtWindowHost host;
    app.Start(host);
    return 0;
}
