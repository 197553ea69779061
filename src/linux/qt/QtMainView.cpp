#include "qt/QtMainView.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

#include "qt/AppIcon.h"
#include "qt/Cp1252.h"

namespace {

// A push-like check box: only the program sets its state, a click merely
// reports itself.
class LatchedButton final : public QPushButton {
  public:
    explicit LatchedButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
        setCheckable(true);
    }

  protected:
    void nextCheckState() override {}
};

// A radio-style line indicator whose mark only the program sets.
class IndicatorButton final : public QRadioButton {
  public:
    explicit IndicatorButton(const QString& text, QWidget* parent) : QRadioButton(text, parent) {
        setAutoExclusive(false);
        // The text stands left of the mark.
        setLayoutDirection(Qt::RightToLeft);
    }

  protected:
    void nextCheckState() override {}
};

constexpr int kDisplayMargin = 2;

QColor ToColor(Rgb colour) {
    return QColor(colour.red, colour.green, colour.blue);
}

Qt::FocusPolicy FocusPolicyOf(const ControlLayout& layout) {
    return (layout.style & kStyleTabStop) != 0 ? Qt::StrongFocus : Qt::ClickFocus;
}

bool IsFocusNoticeControl(uint16_t id) {
    return id == MainControl::kSettingsField || id == MainControl::kStatusLine;
}

// Focus that the user moved; a window merely becoming active again gives the
// focus back to where it was and is no notice.
bool IsUserFocus(Qt::FocusReason reason) {
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

}  // namespace

QtMainView::QtMainView() : QWidget(nullptr) {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(AppIcon());
    const QFont font = DialogFont();
    setFont(font);
    units = BaseUnitsOf(font);
    setFixedSize(DialogSize(MainDialogLayout(), units));
    BuildControls();
}

QtMainView::~QtMainView() {
    if (editOpen) editCursor.endEditBlock();
}

void QtMainView::Attach(ViewEvents* events_) {
    events = events_;
}

void QtMainView::BuildControls() {
    const DialogLayout& layout = MainDialogLayout();
    for (size_t i = 0; i < layout.controlCount; ++i) {
        const ControlLayout& control = layout.controls[i];
        QWidget* widget = MakeControl(control);
        widget->setGeometry(DialogRect(control, units));
        if (control.id != kNoId) Bind(control.id, widget);
    }
}

QWidget* QtMainView::MakeControl(const ControlLayout& layout) {
    const QString caption = Cp1252ToQString(layout.caption);
    const uint16_t id = layout.id;
    switch (layout.kind) {
        case ControlKind::ReadOnlyEdit: {
            auto* edit = new QLineEdit(this);
            edit->setReadOnly(true);
            edit->setFrame((layout.style & kStyleBorder) != 0);
            if ((layout.style & kStyleCentred) != 0) edit->setAlignment(Qt::AlignCenter);
            edit->setFocusPolicy(FocusPolicyOf(layout));
            if (IsFocusNoticeControl(id)) edit->installEventFilter(this);
            return edit;
        }
        case ControlKind::ImageStatic: {
            lamp = new QWidget(this);
            lamp->setAutoFillBackground(true);
            SetLamp(LampColour::Black);
            return lamp;
        }
        case ControlKind::PushButton:
        case ControlKind::LatchedButton: {
            QPushButton* button = layout.kind == ControlKind::LatchedButton
                                      ? new LatchedButton(caption, this)
                                      : new QPushButton(caption, this);
            button->setAutoDefault(false);
            button->setDefault(false);
            button->setFocusPolicy(FocusPolicyOf(layout));
            connect(button, &QAbstractButton::clicked, this,
                    [this, id] { Dispatch([this, id] { events->OnClicked(id); }); });
            return button;
        }
        case ControlKind::GroupFrame: {
            auto* frame = new QFrame(this);
            frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
            return frame;
        }
        case ControlKind::GreyLabel: {
            auto* label = new QLabel(caption, this);
            label->setEnabled(false);
            return label;
        }
        case ControlKind::Indicator: {
            auto* indicator = new IndicatorButton(caption, this);
            indicator->setFocusPolicy(FocusPolicyOf(layout));
            connect(indicator, &QAbstractButton::clicked, this,
                    [this, id] { Dispatch([this, id] { events->OnClicked(id); }); });
            return indicator;
        }
        case ControlKind::RichDisplay: {
            display = new QPlainTextEdit(this);
            display->setReadOnly(true);
            display->setUndoRedoEnabled(false);
            display->setTabChangesFocus(true);
            display->setLineWrapMode(QPlainTextEdit::WidgetWidth);
            display->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
            display->setFrameShape((layout.style & kStyleBorder) != 0 ? QFrame::StyledPanel
                                                                      : QFrame::NoFrame);
            display->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            display->setFocusPolicy(FocusPolicyOf(layout));
            display->document()->setDocumentMargin(kDisplayMargin);
            editCursor = QTextCursor(display->document());
            return display;
        }
    }
    return new QWidget(this);
}

void QtMainView::Bind(uint16_t id, QWidget* widget) {
    if (controlCount < kMaxControls) controls[controlCount++] = {id, widget};
}

QWidget* QtMainView::Control(uint16_t controlId) const {
    for (size_t i = 0; i < controlCount; ++i) {
        if (controls[i].id == controlId) return controls[i].widget;
    }
    return nullptr;
}

QAbstractButton* QtMainView::Button(uint16_t controlId) const {
    return qobject_cast<QAbstractButton*>(Control(controlId));
}

template <typename Call>
void QtMainView::Dispatch(Call call) {
    if (events == nullptr) return;
    call();
    FlushDisplay();
}

KeyResult QtMainView::DeliverKey(const KeyMessage& message, const KeyboardState& keyboard) {
    KeyResult result = KeyResult::PassOn;
    Dispatch([&] { result = events->OnKey(message, keyboard); });
    return result;
}

// --- fields -------------------------------------------------------------------

void QtMainView::SetFieldText(uint16_t controlId, const char* text) {
    if (auto* edit = qobject_cast<QLineEdit*>(Control(controlId))) {
        edit->setText(Cp1252ToQString(text));
    }
}

// --- display ------------------------------------------------------------------

QTextCursor& QtMainView::EditCursor() {
    if (!editOpen) {
        editCursor.beginEditBlock();
        editOpen = true;
    }
    return editCursor;
}

void QtMainView::FlushDisplay() {
    if (editOpen) {
        editCursor.endEditBlock();
        editOpen = false;
    }
    if (scrollPending && display != nullptr) {
        scrollPending = false;
        display->moveCursor(QTextCursor::End);
        display->ensureCursorVisible();
    }
}

void QtMainView::DisplayClear() {
    QTextCursor& cursor = EditCursor();
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    scrollPending = true;
}

void QtMainView::DisplayAppend(const char* text, size_t length) {
    if (text == nullptr || length == 0) return;
    QTextCursor& cursor = EditCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(Cp1252ToQString(text, length));
    scrollPending = true;
}

void QtMainView::DisplayDeleteFront(size_t count) {
    // The document counts one more character than it shows: the separator
    // after its last block.
    const size_t shown = static_cast<size_t>(display->document()->characterCount() - 1);
    QTextCursor& cursor = EditCursor();
    cursor.setPosition(0);
    cursor.setPosition(static_cast<int>(count < shown ? count : shown), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    scrollPending = true;
}

void QtMainView::DisplayClearUndo() {
    // Undo is off for the display; this only drops what another path left.
    display->document()->clearUndoRedoStacks();
}

size_t QtMainView::DisplayFirstVisibleCharacter() {
    FlushDisplay();
    QTextCursor top = display->cursorForPosition(QPoint(0, 0));
    top.movePosition(QTextCursor::StartOfLine);
    return static_cast<size_t>(top.position());
}

void QtMainView::SetDisplayBackground(Rgb colour) {
    QPalette palette = display->palette();
    palette.setColor(QPalette::Base, ToColor(colour));
    display->setPalette(palette);
}

// --- lamp, buttons, indicators --------------------------------------------------

void QtMainView::SetLamp(LampColour colour) {
    lampColour = colour;
    QPalette palette = lamp->palette();
    palette.setColor(QPalette::Window, ToColor(LampRgb(colour)));
    lamp->setPalette(palette);
}

void QtMainView::SetChecked(uint16_t controlId, bool checked) {
    if (QAbstractButton* button = Button(controlId)) button->setChecked(checked);
}

bool QtMainView::IsChecked(uint16_t controlId) const {
    const QAbstractButton* button = Button(controlId);
    return button != nullptr && button->isChecked();
}

// --- window -----------------------------------------------------------------------

void QtMainView::SetCaption(const char* caption) {
    setWindowTitle(Cp1252ToQString(caption));
}

void QtMainView::SetAlwaysOnTop() {
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    // Changing the flags hides a shown window.
    if (wasVisible) show();
}

void QtMainView::FocusDisplay() {
    display->setFocus(Qt::OtherFocusReason);
}

void QtMainView::CentreOnScreen() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void QtMainView::ShowAndRaise() {
    if (!centred) {
        CentreOnScreen();
        centred = true;
    }
    showNormal();
    raise();
    activateWindow();
}

void QtMainView::Redraw() {
    update();
}

void QtMainView::StartTimer(uint16_t timerId, uint32_t periodMs) {
    BoundTimer* slot = nullptr;
    for (BoundTimer& timer : timers) {
        if (timer.timer != nullptr && timer.id == timerId) {
            slot = &timer;
            break;
        }
        if (timer.timer == nullptr && slot == nullptr) slot = &timer;
    }
    if (slot == nullptr) return;
    if (slot->timer == nullptr) {
        slot->id = timerId;
        slot->timer = new QTimer(this);
        connect(slot->timer, &QTimer::timeout, this,
                [this, timerId] { Dispatch([this, timerId] { events->OnTimer(timerId); }); });
    }
    slot->timer->start(static_cast<int>(periodMs));
}

void QtMainView::StopTimer(uint16_t timerId) {
    for (BoundTimer& timer : timers) {
        if (timer.timer != nullptr && timer.id == timerId) timer.timer->stop();
    }
}

void QtMainView::EndWindow() {
    ended = true;
    hide();
    // Also leaves any modal loop the end was reached from.
    QCoreApplication::exit(0);
}

// --- Qt events ---------------------------------------------------------------------

void QtMainView::closeEvent(QCloseEvent* event) {
    if (ended || events == nullptr) {
        event->accept();
        return;
    }
    // The window logic decides; it ends the window through EndWindow.
    event->ignore();
    Dispatch([this] { events->OnCloseRequest(); });
}

void QtMainView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        Dispatch([this] { events->OnHelpRequest(); });
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool QtMainView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn &&
        IsUserFocus(static_cast<QFocusEvent*>(event)->reason())) {
        for (size_t i = 0; i < controlCount; ++i) {
            if (controls[i].widget != watched || !IsFocusNoticeControl(controls[i].id)) continue;
            const uint16_t id = controls[i].id;
            // Queued: the settings field opens a modal dialog, which must not
            // run inside Qt's own focus change.
            QMetaObject::invokeMethod(
                this, [this, id] { Dispatch([this, id] { events->OnFocus(id); }); },
                Qt::QueuedConnection);
        }
    }
    return QWidget::eventFilter(watched, event);
}
