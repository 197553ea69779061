#include "window/TerminalWindow.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "app/TerminalApp.h"
#include "resources/DialogLayout.h"
#include "window/Desktop.h"
#include "window/MainView.h"

namespace C = MainControl;

namespace {

constexpr char kTitleWord[] = "QUORVANTVIEW";
constexpr uint8_t kSpecialCommandFill = 0x1B;
constexpr uint16_t kYearBase = 2000;

}  // namespace

TerminalWindow::TerminalWindow(TerminalApp& application, MainView& mainView, Desktop& desk)
    : app(application),
      view(mainView),
      desktop(desk),
      serialPort(application.serialPort),
      receiveDisplay(mainView) {}

TerminalWindow::~TerminalWindow() = default;

void TerminalWindow::InitWindow() {
    versionMajor = 2;
    versionMinor = 17;
    ShowCaption();
    view.SetAlwaysOnTop();
    ResetState();
    view.SetDisplayBackground(kDisplayBackground);

    rxChunk[0] = 0;
    ClearDisplay();
    for (uint16_t id : {C::kSendX, C::kDisplayHalt, C::kDtr, C::kRts, C::kCts, C::kDsr, C::kRi,
                        C::kRlsd, C::kHex}) {
        view.SetChecked(id, false);
    }
    hexMode = 0;
    syncPending = 0;
    syncTicks = 0;

    setup.lineSettings = LineSettings{};
    setup.saveMode = 'P';
    LoadSetup();
    setup.startupLineSettings = setup.lineSettings;
    // Rewritten at every start, so the file always has the current layout.
    SaveSetup();
    // Before the timers: a failure box must not compete with a poll tick's
    // own re-open.
    openPort(true);

    view.ShowAndRaise();
    view.StartTimer(kPollTimerId, kPollPeriodMs);
    view.StartTimer(kClockTimerId, kClockPeriodMs);
    view.FocusDisplay();
}

void TerminalWindow::ResetState() {
    clearRequest = 0;
    saveRequest = 0;
    copyRequest = 0;
    receiveDisplay.Reset();
    portOpen = 0;
    pollPaused = 0;
    displayHalt = 0;
    streamOn = 0;
    statusHoldTicks = 0;
    recordMode = 0;
    logOn = 0;
    std::snprintf(saveFolder, sizeof(saveFolder), "%s", app.appPaths.programDirectory());
    std::memset(specialCommand, kSpecialCommandFill, sizeof(specialCommand));
    std::memset(fnKeyPending, 0, sizeof(fnKeyPending));
}

void TerminalWindow::ShowCaption() {
    char caption[AppPaths::kBaseNameCapacity + 64];
    int used = std::snprintf(caption, sizeof(caption), "%s   %s   V.%u", kTitleWord,
                             app.appPaths.baseName(), static_cast<unsigned>(versionMajor));
    if (versionMinor != 0 && used > 0 && static_cast<size_t>(used) < sizeof(caption)) {
        std::snprintf(caption + used, sizeof(caption) - used, ".%02u",
                      static_cast<unsigned>(versionMinor));
    }
    view.SetCaption(caption);
}

int TerminalWindow::LoadSetup() {
    return ::LoadSetup(app.appPaths, app.clockText, desktop, setup, app.helpLanguage);
}

int TerminalWindow::SaveSetup() {
    return ::SaveSetup(app.appPaths, app.clockText, desktop, setup, app.helpLanguage);
}

void TerminalWindow::SetStatusText(const char* text) {
    view.SetFieldText(C::kStatusLine, text);
}

void TerminalWindow::ShowHeldMessage(const char* text, uint16_t holdTicks) {
    SetStatusText(text);
    statusHoldTicks = holdTicks;
}

void TerminalWindow::OnTimer(uint16_t timerId) {
    if (timerId == kPollTimerId) {
        PollTick();
    } else if (timerId == kClockTimerId) {
        ClockTick();
    }
}

void TerminalWindow::ClockTick() {
    LocalTime now = app.clockText.source().Now();
    clockTime.day = now.day;
    clockTime.month = now.month;
    clockTime.year = static_cast<uint8_t>(now.year - kYearBase);
    clockTime.hour = now.hour;
    clockTime.minute = now.minute;
    clockTime.second = now.second;

    char text[32];
    std::snprintf(text, sizeof(text), "%02u.%02u.%02u %02u:%02u:%02u ", clockTime.day,
                  clockTime.month, clockTime.year, clockTime.hour, clockTime.minute,
                  clockTime.second);
    view.SetFieldText(C::kClock, text);
    // Whatever took the focus, typing goes to the port again within a second.
    view.FocusDisplay();
}

void TerminalWindow::OnClicked(uint16_t controlId) {
    switch (controlId) {
        case C::kHelp:
            OpenHelpWindow();
            return;
        case C::kDtr:
            onDtrClicked();
            return;
        case C::kRts:
            onRtsClicked();
            return;
        case C::kSyncX:
            syncPending = 1;
            break;
        case C::kSendX:
            ToggleLatched(streamOn, C::kSendX);
            break;
        case C::kDisplayHalt:
            ToggleLatched(displayHalt, C::kDisplayHalt);
            break;
        case C::kHex:
            ToggleLatched(hexMode, C::kHex);
            // Old text in the other mode would read as garbage next to the new.
            ClearDisplay();
            break;
        case C::kDisplayClear:
            clearRequest = 1;
            break;
        case C::kF2:
            RequestFunctionKey(2);
            break;
        case C::kSpecial:
            RequestFunctionKey(3);
            break;
        case C::kCopy:
            copyRequest = 1;
            break;
        case C::kSave:
            saveRequest = 1;
            break;
        case C::kCts:
        case C::kDsr:
        case C::kRi:
        case C::kRlsd:
            break;  // inputs: only the port sets them
        default:
            return;
    }
    view.FocusDisplay();
}

void TerminalWindow::OnFocus(uint16_t controlId) {
    if (controlId == C::kStatusLine) {
        view.FocusDisplay();
    } else if (controlId == C::kSettingsField) {
        onSettingsFieldFocus();
    }
}

void TerminalWindow::ToggleLatched(int32_t& flag, uint16_t controlId) {
    flag = flag != 0 ? 0 : 1;
    view.SetChecked(controlId, flag != 0);
}

void TerminalWindow::RequestFunctionKey(uint8_t key) {
    if (key == 0 || key >= kFunctionKeySlots) return;
    fnKeyPending[key] = 1;
    fnKeyPending[0] = 1;
}

void TerminalWindow::OpenHelpWindow() {
    StopTestStream();
    pollPaused = 1;
    RunHelpWindow();
    pollPaused = 0;
    // The help window is where the language is chosen.
    SaveSetup();
    view.FocusDisplay();
}

void TerminalWindow::OnHelpRequest() {
    StopTestStream();
    // F1 inside the help window's own loop must not open it a second time.
    if (pollPaused == 0) {
        pollPaused = 1;
        RunHelpWindow();
        pollPaused = 0;
        SaveSetup();
    }
    view.FocusDisplay();
}

void TerminalWindow::CloseWindow() {
    closePort();
    view.EndWindow();
}

void TerminalWindow::TearDown() {
    view.StopTimer(kPollTimerId);
    serialPort.close();
}

void TerminalWindow::SendBluetoothCommand() {}

void TerminalWindow::ToggleLog() {}

void TerminalWindow::CopyScreenshot() {}

int TerminalWindow::SaveScreenshot() {
    return 0;
}

void TerminalWindow::RunHelpWindow() {}
