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

  private:
    QWidget* Owner() const;

    QtMainView& view;
    QString caption;
};
