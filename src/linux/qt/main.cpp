#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "LinuxPortNames.h"
#include "SetupFolder.h"
#include "config/ProcessInfo.h"
#include "TermiosCommDevice.h"
#include "Version.h"
#include "app/TerminalApp.h"
#include "config/AppPaths.h"
#include "qt/LocalTimeSource.h"
#include "qt/QtWindowHost.h"

namespace {

constexpr char kPathSeparator = '/';
constexpr const char* kHelpText =
    "Usage: quorvant [--help | --version]\n"
    "A small interactive serial terminal for commissioning serial links and\n"
    "serial devices: one window on one serial port, every key sent as one byte.\n"
    "\n"
    "  --help     print this text and exit\n"
    "  --version  print the version and exit\n"
    "\n"
    "Any other command line starts the program; it is not read, only kept in the\n"
    "setup file (LastCommand).\n"
    "\n"
    "Files:\n"
    "  quorvant.ini   the setup file, written anew at every start\n"
    "  ports/comN     a symlink naming the device of port N (COMN); without it\n"
    "                 COM1-32 are /dev/ttyS0-31, COM33-64 /dev/ttyUSB0-31,\n"
    "                 COM65-96 /dev/ttyACM0-31, COM97-128 /dev/rfcomm0-31,\n"
    "                 COM129-160 /dev/ttyAMA0-31\n"
    "  Both lie beside the program when it runs from its build folder or an\n"
    "  unpacked folder. An installed program (in a folder the user cannot write,\n"
    "  or in a bin/ beside share/quorvant/) keeps them in $XDG_CONFIG_HOME/quorvant/\n"
    "  (~/.config/quorvant/ when XDG_CONFIG_HOME is not set).\n";

enum class Request { Run, Help, Version };

// Only a command line that is exactly one of the two options is one; anything
// else stays a record for the setup file, as it always was.
Request ReadRequest(int argc, char** argv) {
    if (argc != 2) return Request::Run;
    if (std::strcmp(argv[1], "--help") == 0) return Request::Help;
    if (std::strcmp(argv[1], "--version") == 0) return Request::Version;
    return Request::Run;
}

}  // namespace

int main(int argc, char** argv) {
    // Before anything else, and before Qt looks for a display: these two must
    // work on any console and leave no file behind.
    switch (ReadRequest(argc, argv)) {
        case Request::Help:
            std::fputs(kHelpText, stdout);
            return EXIT_SUCCESS;
        case Request::Version:
            std::printf("quorvant %u.%u\n", static_cast<unsigned>(kVersionMajor),
                        static_cast<unsigned>(kVersionMinor));
            return EXIT_SUCCESS;
        case Request::Run:
            break;
    }

    QApplication qtApp(argc, argv);
    // The window logic ends the program; a closed message box must not.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setStyle(QStringLiteral("Fusion"));

    static char modulePath[kModulePathReadCapacity];
    static char commandLine[AppPaths::kCommandLineCapacity];
    const bool haveModulePath = ReadModulePath(modulePath, sizeof(modulePath));
    const bool haveCommandLine = ReadCommandLine(commandLine, sizeof(commandLine));

    // The setup folder and the port names need the program's folder before the
    // application object (which owns its own paths) can be built on the
    // device that uses them.
    const AppPaths programPaths(haveModulePath ? modulePath : nullptr,
                                haveCommandLine ? commandLine : nullptr, kPathSeparator, true);
    static char setupDirectory[AppPaths::kPathCapacity];
    LocateSetupFolder(programPaths.ProgramDirectory(), setupDirectory, sizeof(setupDirectory));
    static char saveDirectory[AppPaths::kPathCapacity];
    LocateSaveFolder(programPaths.ProgramDirectory(), setupDirectory, saveDirectory,
                     sizeof(saveDirectory));

    LinuxPortNames portNames(setupDirectory);
    TermiosCommDevice commDevice(portNames);
    LocalTimeSource timeSource;

    const PlatformServices services{commDevice,
                                    timeSource,
                                    haveModulePath ? modulePath : nullptr,
                                    haveCommandLine ? commandLine : nullptr,
                                    kPathSeparator,
                                    true,
                                    &portNames,
                                    setupDirectory,
                                    saveDirectory};
    TerminalApp app(services);
    QtWindowHost host;
    app.Start(host);
    return 0;
}
