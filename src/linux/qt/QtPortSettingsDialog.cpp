#include "qt/QtPortSettingsDialog.h"

#include <QAbstractButton>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>

#include "qt/Cp1252.h"
#include "serial/PortSettingsDialog.h"

namespace P = PortControl;

namespace {

// The read-only edits whose focus the logic passes on to the new port.
constexpr uint16_t kFocusNoticeControls[] = {P::kCurrentSettings, P::kCurrentPort, P::kPortList};

void ReplaceText(QWidget* control, const QString& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(text);
    } else if (auto* area = qobject_cast<QPlainTextEdit*>(control)) {
        area->setPlainText(text);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    }
}

}  // namespace

QtPortSettingsDialog::QtPortSettingsDialog(PortSettingsDialog& logic, QWidget* owner)
    : LogicDialog(owner, PortDialogLayoutWithHint(), Qt::WindowStaysOnTopHint), logic(logic) {
    for (uint16_t id : kFocusNoticeControls) widgets.Control(id)->installEventFilter(this);
    timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] { Dispatch([this] { this->logic.OnTimer(); }); });
}

QtPortSettingsDialog::~QtPortSettingsDialog() {
    Close();
}

void QtPortSettingsDialog::InitLogic() {
    logic.InitDialog(*this);
}

void QtPortSettingsDialog::DestroyLogic() {
    logic.OnDestroy();
}

void QtPortSettingsDialog::ClickLogic(uint16_t controlId) {
    logic.OnClicked(controlId);
}

uint16_t QtPortSettingsDialog::EscapeId() const {
    return P::kEscape;
}

void QtPortSettingsDialog::ShowOpened() {
    CentreOnScreen();
    LogicDialog::ShowOpened();
}

void QtPortSettingsDialog::CentreOnScreen() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

// --- PortSettingsView -----------------------------------------------------------------

void QtPortSettingsDialog::SetText(uint16_t controlId, const char* text) {
    if (controlId == P::kPortHint) {
        ShowPortHint(text);
        return;
    }
    ReplaceText(widgets.Control(controlId), Cp1252ToQString(text));
}

// The line under the list shows what fits; the list's tooltip shows it all.
void QtPortSettingsDialog::ShowPortHint(const char* text) {
    const QString hint = Cp1252ToQString(text);
    ReplaceText(widgets.Control(P::kPortHint), hint);
    if (QWidget* list = widgets.Control(P::kPortList)) list->setToolTip(hint);
}

void QtPortSettingsDialog::GetText(uint16_t controlId, char* out, size_t capacity) {
    if (out == nullptr || capacity == 0) return;
    out[0] = '\0';
    auto* edit = qobject_cast<QLineEdit*>(widgets.Control(controlId));
    if (edit == nullptr) return;
    const QString text = edit->text();
    size_t length = 0;
    for (QChar c : text) {
        if (length + 1 >= capacity) break;
        out[length++] = static_cast<char>(UnicodeToCp1252(c.unicode()));
    }
    out[length] = '\0';
}

void QtPortSettingsDialog::SetChecked(uint16_t controlId, bool checked) {
    if (QAbstractButton* button = widgets.Button(controlId)) button->setChecked(checked);
}

bool QtPortSettingsDialog::IsChecked(uint16_t controlId) const {
    const QAbstractButton* button = widgets.Button(controlId);
    return button != nullptr && button->isChecked();
}

void QtPortSettingsDialog::Focus(uint16_t controlId) {
    QWidget* control = widgets.Control(controlId);
    if (control == nullptr) return;
    // Not inside the focus change that asked for it: Qt finishes that one
    // after the handler returns.
    QMetaObject::invokeMethod(
        this,
        [this, controlId] {
            if (QWidget* target = widgets.Control(controlId))
                target->setFocus(Qt::OtherFocusReason);
        },
        Qt::QueuedConnection);
}

void QtPortSettingsDialog::SetCaption(const char* caption) {
    setWindowTitle(Cp1252ToQString(caption));
}

void QtPortSettingsDialog::StartTimer(uint16_t, uint32_t periodMs) {
    timer->start(static_cast<int>(periodMs));
}

void QtPortSettingsDialog::StopTimer(uint16_t) {
    timer->stop();
}

void QtPortSettingsDialog::EndDialog() {
    EndRun();
}

// --- Qt events ------------------------------------------------------------------------

void QtPortSettingsDialog::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            Dispatch([this] { logic.OnClicked(P::kOk); });
            event->accept();
            return;
        }
    }
    // Escape reaches reject().
    QDialog::keyPressEvent(event);
}

bool QtPortSettingsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        const uint16_t id = widgets.IdOf(watched);
        if (id != kNoId) Dispatch([this, id] { logic.OnFocus(id); });
    }
    return QDialog::eventFilter(watched, event);
}
