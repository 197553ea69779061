#pragma once
#include <cstddef>

#include "config/MessageSink.h"

class HelpWindow;
class PortSettingsDialog;

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
};
