#pragma once
#include "config/AppPaths.h"
#include "config/ClockText.h"
#include "config/FileSystem.h"
#include "serial/PortSettingsDialog.h"
#include "serial/SerialPort.h"
#include "window/WindowServices.h"

class CommDevice;
class PortNames;
class TimeSource;

// What the platform hands to the application object.
struct PlatformServices {
    CommDevice& commDevice;
    TimeSource& timeSource;
    const char* modulePath;   // full path of the running executable, or nullptr
    const char* commandLine;  // the process command line as one text, or nullptr
    char pathSeparator;
    bool keepModulePathCase;  // case-sensitive file system
    // Which ports the settings dialog lists; none when not given.
    const PortNames* portNames = nullptr;
    // Where the setup file lies; beside the executable when not given.
    const char* setupDirectory = nullptr;
    // Where the save dialog first opens; the setup folder when not given.
    const char* saveDirectory = nullptr;
    // Where every file is read and written; the platform's when not given.
    FileSystem* fileSystem = nullptr;
};

class TerminalApp;

// The front end's part of running the main window: build the view, construct
// a TerminalWindow on it, run InitWindow, run the modal loop until the window
// ends, then TearDown.
class WindowHost {
  public:
    virtual ~WindowHost() = default;
    virtual void RunMainWindow(TerminalApp& app) = 0;
};

// The application object and the process-wide objects, constructed in this
// order and destroyed in reverse: the timestamp, the paths, the serial channel,
// the port settings dialog.
class TerminalApp {
  public:
    explicit TerminalApp(const PlatformServices& platform);
    ~TerminalApp();

    // Runs the main window until it ends; the process ends with it.
    void Start(WindowHost& host);
    // What the main window works with.
    WindowServices Services();

    ClockText clockText;
    FileSystem& fileSystem;
    AppPaths appPaths;
    SerialPort serialPort;
    PortSettingsDialog portSettingsDialog;
    // 'D' German or 'E' English; program-wide, shared with the help window.
    char helpLanguage = 0;
};
