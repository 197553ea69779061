#include "serial/PortSettingsDialog.h"

#include <cstdio>
#include <cstring>

#include "resources/DialogLayout.h"
#include "serial/PortNames.h"
#include "serial/PortSettingsView.h"

namespace P = PortControl;

namespace {

constexpr char kCaption[] = "Serial Port Settings";

// Ticks before the first list rebuild, and between rebuilds after it. Each
// radio click restarts the longer wait.
constexpr uint8_t kFirstListDelay = 9;
constexpr uint8_t kListInterval = 3;
// The first rebuild's marker; the opening list has blink 0.
constexpr uint8_t kFirstBlink = 1;
constexpr uint8_t kOpeningBlink = 0;

// Only the first characters of the new port field count: "0012" is port 1.
constexpr size_t kPortDigits = 3;

struct BaudButton {
    uint32_t baud;
    uint16_t id;
};

// BaudRateTable, in the order of its buttons.
constexpr BaudButton kBaudRateTable[] = {
    {1200, 1021},   {2400, 1022},   {4800, 1023},   {7200, 1024},   {9600, 1025},   {14400, 1026},
    {19200, 1027},  {28800, 1028},  {38400, 1029},  {57600, 1030},  {76800, 1031},  {115200, 1032},
    {128000, 1033}, {153600, 1034}, {230400, 1035}, {256000, 1036}, {460800, 1055}, {921600, 1056},
};

struct ParityButton {
    char letter;
    uint16_t id;
};

constexpr ParityButton kParityButtons[] = {
    {'E', P::kParityEven},  {'O', P::kParityOdd},  {'M', P::kParityMark},
    {'S', P::kParitySpace}, {'N', P::kParityNone},
};

struct BitsButton {
    uint16_t bits;
    uint16_t id;
};

constexpr BitsButton kDataBitsButtons[] = {{7, P::kDataBits7}, {8, P::kDataBits8}};
constexpr BitsButton kStopBitsButtons[] = {{1, P::kStopBits1}, {2, P::kStopBits2}};

// What preset stores; the port stays.
constexpr uint32_t kPresetBaud = 115200;
constexpr char kPresetParity = 'E';
constexpr uint16_t kPresetDataBits = 8;
constexpr uint16_t kPresetStopBits = 1;

bool IsForwardingEdit(uint16_t id) {
    return id == P::kCurrentSettings || id == P::kCurrentPort || id == P::kPortList;
}

}  // namespace

PortSettingsDialog::PortSettingsDialog(const PortNames& names) : names(names) {}

void PortSettingsDialog::SetRequest(const LineSettings& lineSettings) {
    WriteSettingsText(lineSettings, kSaveModeRequest, dialogInputText);
    dialogResultText = dialogInputText;
}

// --- opening ---------------------------------------------------------------------

void PortSettingsDialog::InitDialog(PortSettingsView& dialogView) {
    view = &dialogView;
    workingSettings = ReadSettingsText(dialogInputText).lineSettings;
    ShowRequest();
    refocusPending = false;
    dialogResultText = dialogInputText;
    radiosLive = false;
    listCountdown = kFirstListDelay;
    blinkCounter = kFirstBlink;
    RefreshRadios();
    BuildPortList(kOpeningBlink);
    // Ticked at every opening, whatever it was the time before.
    view->SetChecked(P::kPermanently, true);
    view->StartTimer(kTimerId, kTimerPeriodMs);
    view->SetCaption(kCaption);
    refocusPending = true;
    radiosLive = true;
}

void PortSettingsDialog::ShowRequest() {
    char text[48];
    std::snprintf(text, sizeof(text), "%lu,%c,%u,%u",
                  static_cast<unsigned long>(workingSettings.baud), workingSettings.parity,
                  static_cast<unsigned>(workingSettings.dataBits),
                  static_cast<unsigned>(workingSettings.stopBits));
    view->SetText(P::kCurrentSettings, text);
    std::snprintf(text, sizeof(text), "%u", static_cast<unsigned>(workingSettings.port));
    view->SetText(P::kCurrentPort, text);
    view->SetText(P::kNewPort, "");
}

void PortSettingsDialog::OnDestroy() {
    if (view == nullptr) return;
    view->StopTimer(kTimerId);
    view = nullptr;
}

// --- radio buttons -------------------------------------------------------------------

// A value without a button leaves its group unmarked; OK hands it back as it
// came.
void PortSettingsDialog::RefreshRadios() {
    for (const BaudButton& button : kBaudRateTable) view->SetChecked(button.id, false);
    for (const ParityButton& button : kParityButtons) view->SetChecked(button.id, false);
    for (const BitsButton& button : kDataBitsButtons) view->SetChecked(button.id, false);
    for (const BitsButton& button : kStopBitsButtons) view->SetChecked(button.id, false);

    for (const BaudButton& button : kBaudRateTable) {
        if (button.baud == workingSettings.baud) view->SetChecked(button.id, true);
    }
    for (const ParityButton& button : kParityButtons) {
        if (button.letter == workingSettings.parity) view->SetChecked(button.id, true);
    }
    for (const BitsButton& button : kDataBitsButtons) {
        if (button.bits == workingSettings.dataBits) view->SetChecked(button.id, true);
    }
    for (const BitsButton& button : kStopBitsButtons) {
        if (button.bits == workingSettings.stopBits) view->SetChecked(button.id, true);
    }
}

bool PortSettingsDialog::StoreRadioValue(uint16_t controlId) {
    for (const BaudButton& button : kBaudRateTable) {
        if (button.id != controlId) continue;
        workingSettings.baud = button.baud;
        return true;
    }
    for (const ParityButton& button : kParityButtons) {
        if (button.id != controlId) continue;
        workingSettings.parity = button.letter;
        return true;
    }
    for (const BitsButton& button : kDataBitsButtons) {
        if (button.id != controlId) continue;
        workingSettings.dataBits = button.bits;
        return true;
    }
    for (const BitsButton& button : kStopBitsButtons) {
        if (button.id != controlId) continue;
        workingSettings.stopBits = button.bits;
        return true;
    }
    return false;
}

void PortSettingsDialog::OnRadioClicked() {
    if (radiosLive) RefreshRadios();
    refocusPending = true;
    // A user busy with the settings is not disturbed by the list for a while.
    listCountdown = kFirstListDelay;
}

// --- clicks, focus, timer --------------------------------------------------------------

void PortSettingsDialog::OnClicked(uint16_t controlId) {
    if (view == nullptr) return;
    switch (controlId) {
        case P::kOk:
            OnOk();
            return;
        case P::kEscape:
            OnEscape();
            return;
        case P::kPermanently:
            OnPermanentlyClicked();
            return;
        case P::kPreset:
            OnPreset();
            return;
        default:
            break;
    }
    if (StoreRadioValue(controlId)) OnRadioClicked();
}

void PortSettingsDialog::OnPermanentlyClicked() {
    view->SetChecked(P::kPermanently, !view->IsChecked(P::kPermanently));
    view->Focus(P::kNewPort);
}

// Ends like OK, so a typed port number and the tick count here as well.
void PortSettingsDialog::OnPreset() {
    workingSettings.baud = kPresetBaud;
    workingSettings.parity = kPresetParity;
    workingSettings.dataBits = kPresetDataBits;
    workingSettings.stopBits = kPresetStopBits;
    RefreshRadios();
    view->Focus(P::kNewPort);
    OnOk();
}

void PortSettingsDialog::OnOk() {
    char typed[kPortDigits + 1] = {};
    view->GetText(P::kNewPort, typed, sizeof(typed));
    // An empty field, 0, a negative number or one beyond the choice keeps
    // the port.
    const uint16_t port = static_cast<uint16_t>(ReadLeadingNumber(typed, kPortDigits));
    if (port >= kLowestChoice && port <= kHighestChoice) workingSettings.port = port;
    const char saveMode = view->IsChecked(P::kPermanently) ? kSaveModePermanent : kSaveModeSession;
    WriteSettingsText(workingSettings, saveMode, dialogResultText);
    view->EndDialog();
}

// The result still holds the request, letter 'X' and the old settings.
void PortSettingsDialog::OnEscape() {
    view->EndDialog();
}

void PortSettingsDialog::OnFocus(uint16_t controlId) {
    // Typing always goes to the new port number.
    if (view != nullptr && IsForwardingEdit(controlId)) view->Focus(P::kNewPort);
}

void PortSettingsDialog::OnTimer() {
    if (view == nullptr) return;
    if (listCountdown > 0) {
        --listCountdown;
    } else {
        listCountdown = kListInterval;
        BuildPortList(blinkCounter);
        ++blinkCounter;
    }
    if (refocusPending) {
        view->Focus(P::kNewPort);
        refocusPending = false;
    }
}

void PortSettingsDialog::BuildPortList(uint8_t blink) {
    ::BuildPortList(names, blink, portList, sizeof(portList));
    view->SetText(P::kPortList, portList);
    BuildPortHint(names, portList, portHint, sizeof(portHint));
    view->SetText(P::kPortHint, portHint);
}
