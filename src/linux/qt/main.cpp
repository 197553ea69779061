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
    "Usage: quorvant [--help | -h | -? | --version]\n"
    "A small interactive serial terminal for commissioning serial links and\n"
    "serial devices: one window on one serial port, every key sent as one byte.\n"
    "\n"
    "  --help, -h, -?  print this text and exit\n"
    "  --version       print the version and exit\n"
    "\n"
    "Any other command line starts the program; it is not read, only kept in the\n"
    "setup file (LastCommand). The port is picked in the window: click the\n"
    "settings field at the top left for the port settings dialog.\n"
    "\n"
    "Files:\n"
    "  quorvant.ini   the setup file, written anew at every start\n"
    "  ports/comN     a symlink naming the device of port N (COMN); without it\n"
    "                 COM1-32 are /dev/ttyS0-31, COM33-64 /dev/ttyUSB0-31,\n"
    "                 COM65-96 /dev/ttyACM0-31, COM97-128 /dev/rfcomm0-31,\n"
    "                 COM129-160 /dev/ttyAMA0-31, COM161-198 only by the link\n"
    "  Both lie beside the program when it runs from its build folder or an\n"
    "  unpacked folder. An installed program (in a folder the user cannot write,\n"
    "  or in a bin/ beside share/quorvant/) keeps them in $XDG_CONFIG_HOME/quorvant/\n"
    "  (~/.config/quorvant/ when XDG_CONFIG_HOME is not set).\n";

enum class Request { Run, Help, Version };

struct StartRequest {
    Request request = Request::Run;
    // An argument that names a serial device, which the program does not
    // read from its command line; nullptr when there is none.
    const char* portArgument = nullptr;
};

bool LooksLikePort(const char* argument) {
    if (std::strncmp(argument, "/dev/", 5) == 0) return true;
    const bool com = (argument[0] == 'C' || argument[0] == 'c') &&
                     (argument[1] == 'O' || argument[1] == 'o') &&
                     (argument[2] == 'M' || argument[2] == 'm');
    if (!com || argument[3] == '\0') return false;
    for (const char* p = argument + 3; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') return false;
    }
    return true;
}

// Only a command line that is exactly one of the options is one; anything
// else stays a record for the setup file, as it always was.
StartRequest ReadCommandLine(int argc, char** argv) {
    StartRequest start;
    if (argc == 2) {
        const char* option = argv[1];
        if (std::strcmp(option, "--help") == 0 || std::strcmp(option, "-h") == 0 ||
            std::strcmp(option, "-?") == 0) {
            start.request = Request::Help;
        } else if (std::strcmp(option, "--version") == 0) {
            start.request = Request::Version;
        }
    }
    for (int i = 1; i < argc && start.request == Request::Run; ++i) {
        if (LooksLikePort(argv[i])) {
            start.portArgument = argv[i];
            break;
        }
    }
    return start;
}

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

// Qt without any platform to show its window on ends the process with an
// abort and a hint at reinstalling; the cause deserves one plain line.
bool HasDisplay() {
    return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") || IsSet("QT_QPA_PLATFORM");
}

}  // namespace

int main(int argc, char** argv) {
    // Before anything else, and before Qt looks for a display: these two must
    // work on any console and leave no file behind.
    const StartRequest start = ReadCommandLine(argc, argv);
    switch (start.request) {
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
    if (!HasDisplay()) {
        std::fputs(
            "quorvant: no display to show the window on: neither DISPLAY nor "
            "WAYLAND_DISPLAY is set\n",
            stderr);
        return EXIT_FAILURE;
    }
    if (start.portArgument != nullptr) {
        std::fprintf(stderr,
                     "quorvant: %.200s is not read; pick the port in the port settings dialog "
                     "(click the settings field) or link it as ports/comN\n",
                     start.portArgument);
    }

    // The command line is the user's, not the toolkit's: Qt gets none of it,
    // so that "-platform offscreen" or "-display" cannot start an instance
    // nobody sees that holds the port.
    static int toolkitArgc = 1;
    static char* toolkitArgv[] = {argv[0], nullptr};
    QApplication qtApp(toolkitArgc, toolkitArgv);
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
