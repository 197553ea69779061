#pragma once
#include <QString>

#include "window/Desktop.h"

class QtMainView;
class QWidget;

// Message boxes and the other modal windows over the main window.
class QtDesktop final : public Desktop {
  public:
    // caption: the executable's base name (Windows-1252).
    QtDesktop(QtMainView& view, const char* caption);

    void ShowMessage(const char* text) override;
    void RunPortSettingsDialog(PortSettingsDialog& dialog) override;
    void RunHelpWindow(HelpWindow& window) override;
    bool CopyToClipboard(const char* text, size_t length) override;

  private:
    QWidget* Owner() const;
    // Typing goes to the port again, as when a modal dialog returns to its
    // owner on Windows; without a window manager nobody else would do it.
    void ActivateMainWindow();

    QtMainView& view;
    QString caption;
};
