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
#include "qt/AppIcon.h"
#include "qt/Cp1252.h"

namespace H = HelpControl;

namespace {

constexpr char kTitle[] = "help window";

}  // namespace

QtHelpDialog::QtHelpDialog(HelpWindow& logic, QWidget* owner) : QDialog(owner), logic(logic) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowIcon(AppIcon());
    setWindowTitle(kTitle);
    setModal(true);
    const DialogLayout& layout = HelpDialogLayout();
    const QFont font = DialogFontOf(layout);
    setFont(font);
    units = BaseUnitsOf(font);
    setFixedSize(DialogSize(layout, units));
    widgets.Build(layout, *this, units,
                  [this](uint16_t id) { Dispatch([this, id] { this->logic.OnClicked(id); }); });
    if (QWidget* hint = widgets.Control(H::kHint)) hint->installEventFilter(this);
}

QtHelpDialog::~QtHelpDialog() {
    Close();
}

void QtHelpDialog::Run() {
    Open();
    if (open) exec();
    Close();
}

void QtHelpDialog::Open() {
    if (attached) return;
    attached = true;
    open = true;
    logic.InitDialog(*this);
    show();
    raise();
    activateWindow();
    // The hint line is the only tab stop; its focus renders the text.
    if (QWidget* hint = widgets.Control(H::kHint)) hint->setFocus(Qt::TabFocusReason);
}

void QtHelpDialog::Close() {
    if (!attached) return;
    attached = false;
    open = false;
    logic.OnDestroy();
    hide();
}

template <typename Call>
void QtHelpDialog::Dispatch(Call call) {
    if (open) call();
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
    open = false;
    done(QDialog::Accepted);
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

void QtHelpDialog::reject() {
    if (open) {
        Dispatch([this] { logic.OnClicked(H::kEscape); });
        return;
    }
    QDialog::reject();
}

bool QtHelpDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && widgets.IdOf(watched) == H::kHint) {
        Dispatch([this] { logic.OnFocus(H::kHint); });
    }
    return QDialog::eventFilter(watched, event);
}
