#pragma once
#include <cstdint>

#include "serial/LineSettings.h"
#include "serial/PortDiscovery.h"
#include "serial/SettingsText.h"

class PortNames;
class PortSettingsView;

// The port settings dialog's logic: one object for the life of the program,
// shown again each time; everything it works with is set afresh when it
// opens. It never touches the serial channel: it takes the settings in use
// from the request text and leaves its answer in the result text, in the
// same short form (SettingsText.h). ESCAPE leaves the request itself.
//
// While shown, a 500 ms timer rebuilds the list of present ports (first after
// ten ticks, then every four; a radio click puts the next rebuild ten ticks
// away again) and hands the keyboard focus back to the new port number.
class PortSettingsDialog {
  public:
    static constexpr uint16_t kTimerId = 873;
    static constexpr uint32_t kTimerPeriodMs = 500;
    // Ports the user can choose; the list shows more.
    static constexpr uint16_t kLowestChoice = 1;
    static constexpr uint16_t kHighestChoice = 198;

    explicit PortSettingsDialog(const PortNames& names);
    PortSettingsDialog(const PortSettingsDialog&) = delete;
    PortSettingsDialog& operator=(const PortSettingsDialog&) = delete;

    // The main window's side. The request is also the answer until the
    // dialog gives another, so a dialog that never opens counts as ESCAPE.
    void SetRequest(const LineSettings& lineSettings);
    SettingsAnswer Answer() const { return ReadSettingsText(dialogResultText); }
    const SettingsText& InputText() const { return dialogInputText; }
    const SettingsText& ResultText() const { return dialogResultText; }

    // The front end's events, between InitDialog and OnDestroy.
    void InitDialog(PortSettingsView& view);
    // Radio buttons, "permanently", preset, OK (also the Enter key) and
    // ESCAPE (also the Esc key and the close box).
    void OnClicked(uint16_t controlId);
    void OnFocus(uint16_t controlId);
    // There is one timer; its id is not looked at.
    void OnTimer();
    void OnDestroy();

    const LineSettings& WorkingSettings() const { return workingSettings; }
    uint8_t ListCountdown() const { return listCountdown; }
    uint8_t BlinkCounter() const { return blinkCounter; }

  private:
    void ShowRequest();
    void RefreshRadios();
    bool StoreRadioValue(uint16_t controlId);
    void OnRadioClicked();
    void OnPermanentlyClicked();
    void OnPreset();
    void OnOk();
    void OnEscape();
    void BuildPortList(uint8_t blink);

    const PortNames& names;
    PortSettingsView* view = nullptr;
    SettingsText dialogInputText;
    SettingsText dialogResultText;

    LineSettings workingSettings;
    bool refocusPending = false;
    bool radiosLive = false;
    uint8_t listCountdown = 0;
    uint8_t blinkCounter = 0;

    char portList[kPortListCapacity] = {};
    char portHint[kPortHintCapacity] = {};
};
