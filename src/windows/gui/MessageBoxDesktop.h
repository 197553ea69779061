#pragma once
#include <windows.h>

#include <string>

#include "window/Desktop.h"

// What opens on top of the main window, as Win32 modal windows. Message boxes
// carry the executable's base name as the system reports it.
class MessageBoxDesktop : public Desktop {
  public:
    MessageBoxDesktop();

    // The window that owns what opens; none before the main window exists.
    void SetOwner(HWND window) { owner = window; }

    void ShowMessage(const char* text) override;
    void RunPortSettingsDialog(PortSettingsDialog& dialog) override;
    void RunHelpWindow(HelpWindow& window) override;
    bool CopyToClipboard(const char* text, size_t length) override;
    SaveChoice AskSaveFileName(const SaveFileRequest& request, char* path,
                               size_t capacity) override;
    // Windows-1252 with CR LF line ends.
    // C:\LogFile.csv, Windows-1252 with CR LF; LogFile.csv in the user's
    // Documents folder when that cannot be made.
    LogFileLocation LogFilePlace() const override;

    const char* Caption() const { return captionText; }

  private:
    HWND owner = nullptr;
    char captionText[MAX_PATH] = {};
    // Found when the log is first asked for; empty when the system names no
    // Documents folder.
    mutable char documentsLogPath[MAX_PATH] = {};
};

// The text with every line end (CR LF, lone CR, lone LF) as CR LF, as the
// clipboard's text format has them.
std::string WithCrLf(const char* text, size_t length);

// The file name without folder and extension: "C:\a\Tool.v2.exe" -> "Tool.v2".
void BaseNameOf(const char* path, char* out, size_t capacity);
