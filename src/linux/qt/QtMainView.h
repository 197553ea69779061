#pragma once
#include <QTextCursor>
#include <QWidget>
#include <chrono>
#include <cstddef>
#include <cstdint>

#include "qt/DialogUnits.h"
#include "qt/LayoutWidgets.h"
#include "qt/ViewEvents.h"
#include "window/MainView.h"

class QAbstractButton;
class QLineEdit;
class QPlainTextEdit;
class QTimer;

// The main window on Qt Widgets, built from the dialog layout. It draws what
// the window logic tells it and reports clicks, focus changes, timer ticks
// and keys back through ViewEvents; no control changes its own state.
class QtMainView final : public QWidget, public MainView {
  public:
    QtMainView();
    ~QtMainView() override;

    // Where events go from now on; nullptr drops them (after the window ended).
    void Attach(ViewEvents* events);

    // MainView
    void SetFieldText(uint16_t controlId, const char* text) override;
    void DisplayClear() override;
    void DisplayAppend(const char* text, size_t length) override;
    void DisplayDeleteFront(size_t count) override;
    void DisplayClearUndo() override;
    size_t DisplayFirstVisibleCharacter() override;
    void SetDisplayBackground(Rgb colour) override;
    void SetLamp(LampColour colour) override;
    void SetChecked(uint16_t controlId, bool checked) override;
    bool IsChecked(uint16_t controlId) const override;
    void SetCaption(const char* caption) override;
    void SetAlwaysOnTop() override;
    void FocusDisplay() override;
    void ShowAndRaise() override;
    void Redraw() override;
    void StartTimer(uint16_t timerId, uint32_t periodMs) override;
    void StopTimer(uint16_t timerId) override;
    void EndWindow() override;

    // A key press or wheel turn of this window, for the application's key
    // filter; PassOn when nothing is attached.
    KeyResult DeliverKey(const KeyMessage& message, const KeyboardState& keyboard);
    // Closes the display's pending edit block and scrolls to its end; done
    // after every event and before anything modal opens.
    void FlushDisplay();
    // A close asked for from outside the window (a signal to the process):
    // the window logic ends it as it does for the close box.
    void RequestClose();

    QWidget* Control(uint16_t controlId) const;
    QPlainTextEdit* Display() const { return display; }
    LampColour Lamp() const { return lampColour; }
    const BaseUnits& Units() const { return units; }
    bool Ended() const { return ended; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    static constexpr size_t kMaxTimers = 4;

    using TickClock = std::chrono::steady_clock;

    // One timer of the window logic: a single shot armed anew at every tick
    // for the next due time, so the ticks keep their period.
    struct BoundTimer {
        uint16_t id = 0;
        QTimer* timer = nullptr;
        TickClock::duration period{};
        TickClock::time_point due{};
    };

    void BuildControls();
    QAbstractButton* Button(uint16_t controlId) const;
    QTextCursor& EditCursor();
    void CentreOnScreen();
    void SetIconAfterMap();
    void ArmNextTick(BoundTimer& slot);
    void Tick(BoundTimer& slot);
    // Runs one event into the window logic and brings the display up to date.
    template <typename Call>
    void Dispatch(Call call);

    ViewEvents* events = nullptr;
    BaseUnits units;
    LayoutWidgets widgets;
    BoundTimer timers[kMaxTimers];
    QPlainTextEdit* display = nullptr;
    QWidget* lamp = nullptr;
    LampColour lampColour = LampColour::Black;
    bool lampShown = false;
    QTextCursor editCursor;
    bool editOpen = false;
    bool scrollPending = false;
    bool centred = false;
    bool ended = false;
};
