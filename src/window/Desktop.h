#pragma once
#include <cstddef>

#include "config/MessageSink.h"
#include "window/LogFile.h"

class HelpWindow;

// What the save-file dialog is asked to show. It offers the filter "txt"
// (*.txt) first and "All" (*.*), asks before overwriting a file and before
// creating one, accepts only a folder that exists, and adds the default
// extension to a name typed without one.
struct SaveFileRequest {
    const char* folder;  // where it opens; empty: the platform's choice
    const char* fileName;
    const char* defaultExtension;
    const char* title;
};
class PortSettingsDialog;

// Where the platform keeps the log file, and how text is written there.
struct LogFileLocation {
    const char* path;
    TextForm form;
};

// What opens on top of the main window. Modal: the window's timers keep
// ticking while any of it is shown.
class Desktop : public MessageSink {
  public:
    ~Desktop() override = default;

    // Shows the port settings dialog over the main window and returns when it
    // has closed; its answer is in the dialog's result text. A desktop that
    // cannot show it leaves the request as the answer, as ESCAPE would.
    virtual void RunPortSettingsDialog(PortSettingsDialog& /*dialog*/) {}
    // Shows the help window over the main window and returns when it has
    // closed.
    virtual void RunHelpWindow(HelpWindow& /*window*/) {}
    // Puts the display's text on the platform clipboard: Windows-1252 bytes
    // whose lines end in CR LF, a lone CR or a lone LF. False when nothing
    // was copied.
    virtual bool CopyToClipboard(const char* /*text*/, size_t /*length*/) { return false; }
    // Shows the save-file dialog; true with the whole path chosen in path
    // (zero-terminated), false when the user cancelled or the path did not
    // fit capacity.
    virtual bool AskSaveFileName(const SaveFileRequest& /*request*/, char* /*path*/,
                                 size_t /*capacity*/) {
        return false;
    }
    // Creates or empties the file and writes the display's bytes into it as
    // the platform's text; false when it could not.
    virtual bool WriteTextFile(const char* /*path*/, const char* /*text*/, size_t /*length*/) {
        return false;
    }
    // The log file's fixed place; a desktop without one names none, and
    // opening it fails.
    virtual LogFileLocation LogFilePlace() const { return {"", TextForm::Windows1252CrLf}; }
};
