#include "qt/QtDesktop.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <cstring>
#include <QGuiApplication>
#include <QMessageBox>

#include "qt/Cp1252.h"
#include "qt/QtHelpDialog.h"
#include "qt/QtMainView.h"
#include "qt/QtPortSettingsDialog.h"

namespace {
constexpr char kLogFileName[] = "LogFile.csv";
}

QtDesktop::QtDesktop(QtMainView& view, const char* caption)
    : view(view),
      caption(Cp1252ToQString(caption)),
      logPath(QFile::encodeName(QDir::home().filePath(QString::fromLatin1(kLogFileName)))) {}

QWidget* QtDesktop::Owner() const {
    // Before the window is first shown (a failed open at start-up) the box
    // stands alone rather than on a hidden parent.
    return view.isVisible() ? &view : nullptr;
}

void QtDesktop::ShowMessage(const char* text) {
    view.FlushDisplay();
    QMessageBox box(QMessageBox::Warning, caption, Cp1252ToQString(text), QMessageBox::Ok, Owner());
    box.exec();
}

void QtDesktop::RunPortSettingsDialog(PortSettingsDialog& dialog) {
    view.FlushDisplay();
    QtPortSettingsDialog box(dialog, Owner());
    box.Run();
    ActivateMainWindow();
}

void QtDesktop::RunHelpWindow(HelpWindow& window) {
    view.FlushDisplay();
    QtHelpDialog box(window, Owner());
    box.Run();
    ActivateMainWindow();
}

// Other programs here take text with LF line ends; the bytes stand for the
// Windows-1252 characters they show.
bool QtDesktop::CopyToClipboard(const char* text, size_t length) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) return false;
    clipboard->setText(DisplayTextWithLineFeeds(text, length), QClipboard::Clipboard);
    return true;
}

QString DisplayTextWithLineFeeds(const char* text, size_t length) {
    QString converted = Cp1252ToQString(text, length);
    converted.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    converted.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return converted;
}

void ConfigureSaveDialog(QFileDialog& dialog, const SaveFileRequest& request) {
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setWindowTitle(Cp1252ToQString(request.title));
    dialog.setNameFilters({QStringLiteral("txt (*.txt)"), QStringLiteral("All (*)")});
    dialog.selectNameFilter(QStringLiteral("txt (*.txt)"));
    if (request.folder[0] != '\0') dialog.setDirectory(QFile::decodeName(request.folder));
    dialog.setDefaultSuffix(QString::fromLatin1(request.defaultExtension));
    dialog.selectFile(QFile::decodeName(request.fileName));
}

SaveChoice QtDesktop::AskSaveFileName(const SaveFileRequest& request, char* path, size_t capacity) {
    view.FlushDisplay();
    QFileDialog dialog(Owner());
    ConfigureSaveDialog(dialog, request);
    const bool accepted = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    ActivateMainWindow();
    if (!accepted) return SaveChoice::Cancelled;
    const QByteArray chosen = QFile::encodeName(dialog.selectedFiles().first());
    if (static_cast<size_t>(chosen.size()) >= capacity) return SaveChoice::TooLong;
    std::memcpy(path, chosen.constData(), static_cast<size_t>(chosen.size()) + 1);
    return SaveChoice::Chosen;
}

LogFileLocation QtDesktop::LogFilePlace() const {
    return {logPath.constData(), TextForm::Utf8Lf};
}

void QtDesktop::ActivateMainWindow() {
    if (view.isVisible()) view.activateWindow();
}
