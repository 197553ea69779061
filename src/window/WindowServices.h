#pragma once

class AppPaths;
class ClockText;
class FileSystem;
class PortSettingsDialog;
class SerialPort;

// The process-wide objects the main window works with; they outlive it.
struct WindowServices {
    SerialPort& serialPort;
    AppPaths& appPaths;
    ClockText& clockText;
    // 'D' German or 'E' English; program-wide, saved with the setup file.
    char& helpLanguage;
    PortSettingsDialog& portSettingsDialog;
    FileSystem& fileSystem;
};
