#include "qt/QtMainView.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <xcb/xcb.h>

#include "qt/AppIcon.h"
#include "qt/Cp1252.h"
#include "resources/ReadableText.h"

namespace {

QColor ToColor(Rgb colour) {
    return QColor(colour.red, colour.green, colour.blue);
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
    QFont font = DialogFont();
    // Every text of this window is Windows-1252 in a monospaced font with
    // nothing to shape: going straight from characters to glyphs spares the
    // shaper on every line the display lays out and paints. Set before the
    // metrics are taken, so that start-up loads the font only once.
    font.setStyleStrategy(QFont::PreferNoShaping);
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
    widgets.Build(MainDialogLayout(), *this, units,
                  [this](uint16_t id) { Dispatch([this, id] { events->OnClicked(id); }); });
    display = qobject_cast<QPlainTextEdit*>(widgets.Control(MainControl::kDisplay));
    editCursor = QTextCursor(display->document());
    lamp = widgets.Control(MainControl::kLamp);
    SetLamp(LampColour::Black);
    for (uint16_t id : {MainControl::kSettingsField, MainControl::kStatusLine}) {
        widgets.Control(id)->installEventFilter(this);
    }
}

QWidget* QtMainView::Control(uint16_t controlId) const {
    return widgets.Control(controlId);
}

QAbstractButton* QtMainView::Button(uint16_t controlId) const {
    return widgets.Button(controlId);
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
    auto* edit = qobject_cast<QLineEdit*>(Control(controlId));
    if (edit == nullptr) return;
    // The status line gets the same text on most ticks; setting it anyway
    // repaints the field and wakes the X server for nothing.
    const QString shown = Cp1252ToQString(text);
    if (edit->text() != shown) edit->setText(shown);
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
    palette.setColor(QPalette::Text, ToColor(TextColourOn(colour)));
    display->setPalette(palette);
}

// --- lamp, buttons, indicators --------------------------------------------------

void QtMainView::SetLamp(LampColour colour) {
    // Every poll tick sets the lamp; a palette built and compared each time
    // is work for nothing while the colour stays.
    if (lampShown && colour == lampColour) return;
    lampShown = true;
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
    const bool first = !centred;
    if (first) {
        CentreOnScreen();
        centred = true;
    }
    showNormal();
    raise();
    activateWindow();
    if (first) {
        // Drawing the icon's sizes would hold the window back; the window
        // manager takes the icon just as well once the window is up.
        QMetaObject::invokeMethod(
            this, [this] { SetIconAfterMap(); }, Qt::QueuedConnection);
    }
}

void QtMainView::SetIconAfterMap() {
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        // Sends the map request before the icon is drawn.
        if (x11->connection() != nullptr) xcb_flush(x11->connection());
    }
    setWindowIcon(AppIcon());
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
        slot->timer->setSingleShot(true);
        // The due times are kept here; a coarse timer would shift each one.
        slot->timer->setTimerType(Qt::PreciseTimer);
        connect(slot->timer, &QTimer::timeout, this, [this, slot] { Tick(*slot); });
    }
    slot->period = std::chrono::milliseconds(periodMs);
    slot->due = TickClock::now();
    ArmNextTick(*slot);
}

void QtMainView::ArmNextTick(BoundTimer& slot) {
    const TickClock::time_point now = TickClock::now();
    slot.due += slot.period;
    // A tick that ran late by a whole period drops the ticks it missed
    // rather than running them back to back.
    if (slot.due <= now) slot.due = now + slot.period;
    slot.timer->start(std::chrono::ceil<std::chrono::milliseconds>(slot.due - now));
}

void QtMainView::Tick(BoundTimer& slot) {
    // Armed before the logic runs. Qt delivers no timer again while its own
    // timer event is still being handled, so a box opened from this tick
    // (the save dialog, a log box) would hold back every further tick, and
    // with them the reading of the port, until the box closed. The timer
    // started here is a new one, not under delivery, and fires in the box's
    // event loop as the ticks do under a modal loop on Windows; the logic
    // is written for ticks that run inside its own.
    ArmNextTick(slot);
    Dispatch([this, &slot] { events->OnTimer(slot.id); });
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

void QtMainView::RequestClose() {
    if (ended || events == nullptr) return;
    Dispatch([this] { events->OnCloseRequest(); });
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
    const uint16_t id = widgets.IdOf(watched);
    if (event->type() == QEvent::FocusIn && IsFocusNoticeControl(id) &&
        IsUserFocus(static_cast<QFocusEvent*>(event)->reason())) {
        // Queued: the settings field opens a modal dialog, which must not
        // run inside Qt's own focus change.
        QMetaObject::invokeMethod(
            this, [this, id] { Dispatch([this, id] { events->OnFocus(id); }); },
            Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}
