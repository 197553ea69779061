#pragma once
#include <QByteArray>
#include <QString>

#include "window/Desktop.h"

class QFileDialog;
class QtMainView;
class QWidget;

// The save dialog set up for a request: filter, folder, proposed name, title,
// default suffix; overwriting asks first. Qt's own dialog, the same on every
// desktop, which refuses a folder that does not exist.
void ConfigureSaveDialog(QFileDialog& dialog, const SaveFileRequest& request);
// The display's bytes as the characters they stand for, with LF line ends.
QString DisplayTextWithLineFeeds(const char* text, size_t length);

// Message boxes and the other modal windows over the main window.
class QtDesktop final : public Desktop {
  public:
    // caption: the executable's base name (Windows-1252).
    QtDesktop(QtMainView& view, const char* caption);

    void ShowMessage(const char* text) override;
    void RunPortSettingsDialog(PortSettingsDialog& dialog) override;
    void RunHelpWindow(HelpWindow& window) override;
    bool CopyToClipboard(const char* text, size_t length) override;
    SaveChoice AskSaveFileName(const SaveFileRequest& request, char* path,
                               size_t capacity) override;
    // UTF-8 with LF line ends, as text files are here.
    // UTF-8 with LF.
    TextForm ScreenshotForm() const override { return TextForm::Utf8Lf; }
    // LogFile.csv in the home folder, UTF-8 with LF.
    LogFileLocation LogFilePlace() const override;

  private:
    QWidget* Owner() const;
    // Typing goes to the port again, as when a modal dialog returns to its
    // owner on Windows; without a window manager nobody else would do it.
    void ActivateMainWindow();

    QtMainView& view;
    QString caption;
    QByteArray logPath;
};
