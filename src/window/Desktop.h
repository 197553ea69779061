#pragma once
#include <cstddef>
#include <cstdint>

#include "config/MessageSink.h"
#include "terminal/LogFile.h"

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
// sparePath, when not empty, is where the log goes when path cannot be made
// (a user who may not write the place every user shares).
struct LogFileLocation {
    const char* path;
    TextForm form;
    const char* sparePath = "";
};

// What the user did in the save-file dialog.
enum class SaveChoice : uint8_t {
    Cancelled,
    Chosen,
    TooLong,  // confirmed, but the path is longer than the program can hold
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
    // Shows the save-file dialog; Chosen with the whole path chosen in path
    // (zero-terminated), TooLong when the user confirmed a path that does
    // not fit capacity (or the dialog's own buffer).
    virtual SaveChoice AskSaveFileName(const SaveFileRequest& /*request*/, char* /*path*/,
                                       size_t /*capacity*/) {
        return SaveChoice::Cancelled;
    }
    // How the platform writes the screenshot, a text for people.
    virtual TextForm ScreenshotForm() const { return TextForm::Windows1252CrLf; }
    // The log file's fixed place; a desktop without one names none, and
    // opening it fails.
    virtual LogFileLocation LogFilePlace() const { return {"", TextForm::Windows1252CrLf}; }
};
