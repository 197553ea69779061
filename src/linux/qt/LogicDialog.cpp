#include "qt/LogicDialog.h"

#include "qt/AppIcon.h"
#include "resources/DialogLayout.h"

LogicDialog::LogicDialog(QWidget* owner, const DialogLayout& layout, Qt::WindowFlags extraFlags)
    : QDialog(owner) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | extraFlags);
    setWindowIcon(AppIcon());
    setModal(true);
    const QFont font = DialogFontOf(layout);
    setFont(font);
    units = BaseUnitsOf(font);
    setFixedSize(DialogSize(layout, units));
    widgets.Build(layout, *this, units,
                  [this](uint16_t id) { Dispatch([this, id] { ClickLogic(id); }); });
}

void LogicDialog::Run() {
    Open();
    if (open) exec();
    Close();
}

void LogicDialog::Open() {
    if (attached) return;
    attached = true;
    open = true;
    InitLogic();
    if (!open) return;
    ShowOpened();
}

void LogicDialog::ShowOpened() {
    show();
    raise();
    activateWindow();
}

void LogicDialog::Close() {
    if (!attached) return;
    attached = false;
    open = false;
    DestroyLogic();
    hide();
}

void LogicDialog::EndRun() {
    open = false;
    done(QDialog::Accepted);
}

// Escape and the close box.
void LogicDialog::reject() {
    if (open) {
        Dispatch([this] { ClickLogic(EscapeId()); });
        return;
    }
    QDialog::reject();
}
