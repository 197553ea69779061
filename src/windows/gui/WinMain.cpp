#include <windows.h>

#include "LocalTimeSource.h"
#include "MainWindowHost.h"
#include "MessageBoxDesktop.h"
#include "config/ProcessInfo.h"
#include "Win32CommDevice.h"
#include "Win32PortNames.h"
#include "app/TerminalApp.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    static char modulePath[kModulePathReadCapacity];
    static char commandLine[AppPaths::kCommandLineCapacity];
    const bool hasModulePath = ReadModulePath(modulePath, sizeof(modulePath));
    const bool hasCommandLine = ReadCommandLine(commandLine, sizeof(commandLine));

    Win32CommDevice device;
    Win32PortNames portNames;
    LocalTimeSource clock;
    const PlatformServices platform{device,
                                    clock,
                                    hasModulePath ? modulePath : nullptr,
                                    hasCommandLine ? commandLine : nullptr,
                                    '\\',
                                    false,
                                    &portNames};
    MessageBoxDesktop desktop;
    TerminalApp app(platform);
    MainWindowHost host(instance, desktop);
    app.Start(host);
    return 0;
}
