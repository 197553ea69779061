#include "qt/QtHelpDialog.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

#include "help/HelpWindow.h"
#include "qt/Cp1252.h"
#include "resources/ReadableText.h"

namespace H = HelpControl;

namespace {

constexpr char kTitle[] = "help window";

}  // namespace

QtHelpDialog::QtHelpDialog(HelpWindow& logic, QWidget* owner)
    : LogicDialog(owner, HelpDialogLayout(), {}), logic(logic) {
    setWindowTitle(kTitle);
    if (QWidget* hint = widgets.Control(H::kHint)) hint->installEventFilter(this);
}

QtHelpDialog::~QtHelpDialog() {
    Close();
}

void QtHelpDialog::InitLogic() {
    logic.InitDialog(*this);
}

void QtHelpDialog::DestroyLogic() {
    logic.OnDestroy();
}

void QtHelpDialog::ClickLogic(uint16_t controlId) {
    logic.OnClicked(controlId);
}

uint16_t QtHelpDialog::EscapeId() const {
    return H::kEscape;
}

void QtHelpDialog::ShowOpened() {
    LogicDialog::ShowOpened();
    // The hint line is the only tab stop; its focus renders the text.
    if (QWidget* hint = widgets.Control(H::kHint)) hint->setFocus(Qt::TabFocusReason);
}

QPlainTextEdit* QtHelpDialog::HelpTextControl() const {
    return qobject_cast<QPlainTextEdit*>(widgets.Control(H::kText));
}

// --- HelpView -------------------------------------------------------------------------

void QtHelpDialog::ShowHelpText(const char* text, Rgb background) {
    QPlainTextEdit* area = HelpTextControl();
    if (area == nullptr) return;
    QPalette palette = area->palette();
    palette.setColor(QPalette::Base, QColor(background.red, background.green, background.blue));
    const Rgb textColour = TextColourOn(background);
    palette.setColor(QPalette::Text, QColor(textColour.red, textColour.green, textColour.blue));
    area->setPalette(palette);
    area->setPlainText(Cp1252ToQString(text));
    area->moveCursor(QTextCursor::Start);
    area->verticalScrollBar()->setValue(0);
}

void QtHelpDialog::SetHintText(const char* text) {
    auto* hint = qobject_cast<QLineEdit*>(widgets.Control(H::kHint));
    if (hint == nullptr) return;
    hint->setText(Cp1252ToQString(text));
    hint->setCursorPosition(0);
}

void QtHelpDialog::SetChecked(uint16_t controlId, bool checked) {
    if (QAbstractButton* button = widgets.Button(controlId)) button->setChecked(checked);
}

void QtHelpDialog::FocusHelpText() {
    // Not inside the focus change that asked for it: Qt finishes that one
    // after the handler returns.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (QPlainTextEdit* area = HelpTextControl()) area->setFocus(Qt::OtherFocusReason);
        },
        Qt::QueuedConnection);
}

void QtHelpDialog::CopyHelpText() {
    QPlainTextEdit* area = HelpTextControl();
    if (area == nullptr) return;
    QGuiApplication::clipboard()->setText(area->toPlainText());
    area->moveCursor(QTextCursor::End);
}

void QtHelpDialog::EndDialog() {
    EndRun();
}

// --- Qt events ------------------------------------------------------------------------

void QtHelpDialog::keyPressEvent(QKeyEvent* event) {
    // The help text takes Return itself; what reaches the dialog came from
    // elsewhere, where Return is the dialog's default: closing.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Dispatch([this] { logic.OnClicked(H::kOk); });
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool QtHelpDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && widgets.IdOf(watched) == H::kHint) {
        Dispatch([this] { logic.OnFocus(H::kHint); });
    }
    return QDialog::eventFilter(watched, event);
}
