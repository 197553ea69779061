#include "qt/QtDesktop.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>

#include "qt/Cp1252.h"
#include "qt/QtHelpDialog.h"
#include "qt/QtMainView.h"
#include "qt/QtPortSettingsDialog.h"

QtDesktop::QtDesktop(QtMainView& view, const char* caption)
    : view(view), caption(Cp1252ToQString(caption)) {}

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
    QString copied = Cp1252ToQString(text, length);
    copied.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    copied.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    clipboard->setText(copied, QClipboard::Clipboard);
    return true;
}

void QtDesktop::ActivateMainWindow() {
    if (view.isVisible()) view.activateWindow();
}
