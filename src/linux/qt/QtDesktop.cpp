#include "qt/QtDesktop.h"

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

void QtDesktop::ActivateMainWindow() {
    if (view.isVisible()) view.activateWindow();
}
