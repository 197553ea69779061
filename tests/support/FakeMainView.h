#pragma once
// A main window without a screen: records what the core shows, so tests read
// the field texts, the display as the user would see it, the lamp, the marks
// of the latched buttons and indicators, the caption, the timers, how often
// the display got the focus, and whether the window was ended.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "resources/DialogLayout.h"
#include "window/MainView.h"

class FakeMainView : public MainView {
  public:
    // When set, every call is also noted here in order ("timer 999 100",
    // "lamp 136", "field 1126  COM1 port error", ...), so a test can check
    // the order of events across several fakes.
    std::vector<std::string>* journal = nullptr;

    void SetFieldText(uint16_t controlId, const char* text) override {
        fields[controlId] = text;
        if (controlId == MainControl::kStatusLine) statusHistory.emplace_back(text);
        Note("field " + std::to_string(controlId) + " " + text);
    }

    void DisplayClear() override {
        display.clear();
        ++displayClears;
        Note("display clear");
    }
    void DisplayAppend(const char* text, size_t length) override {
        display.append(text, length);
        ++displayAppends;
    }
    void DisplayDeleteFront(size_t count) override {
        display.erase(0, count < display.size() ? count : display.size());
        deletedFront.push_back(count);
    }
    void DisplayClearUndo() override { ++undoClears; }
    size_t DisplayFirstVisibleCharacter() override { return firstVisibleCharacter; }
    void SetDisplayBackground(Rgb colour) override {
        background = colour;
        backgroundSet = true;
    }

    void SetLamp(LampColour colour) override {
        lamp = colour;
        Note("lamp " + std::to_string(static_cast<unsigned>(colour)));
    }
    void SetChecked(uint16_t controlId, bool value) override { checked[controlId] = value; }
    bool IsChecked(uint16_t controlId) const override {
        auto it = checked.find(controlId);
        return it != checked.end() && it->second;
    }

    void SetCaption(const char* text) override { caption = text; }
    void SetAlwaysOnTop() override { alwaysOnTop = true; }
    void FocusDisplay() override { ++focusCount; }
    void ShowAndRaise() override {
        shown = true;
        Note("show");
    }
    void Redraw() override {}

    void StartTimer(uint16_t timerId, uint32_t periodMs) override {
        timers[timerId] = periodMs;
        Note("timer " + std::to_string(timerId) + " " + std::to_string(periodMs));
    }
    void StopTimer(uint16_t timerId) override {
        timers.erase(timerId);
        Note("stop timer " + std::to_string(timerId));
    }
    void EndWindow() override {
        ended = true;
        Note("end");
    }

    std::string Field(uint16_t controlId) const {
        auto it = fields.find(controlId);
        return it == fields.end() ? std::string() : it->second;
    }
    std::string Status() const { return Field(MainControl::kStatusLine); }

    std::map<uint16_t, std::string> fields;
    std::vector<std::string> statusHistory;
    std::string display;
    size_t displayClears = 0;
    size_t displayAppends = 0;
    // Characters deleted from the front, one entry a call.
    std::vector<size_t> deletedFront;
    size_t undoClears = 0;
    size_t firstVisibleCharacter = 0;
    Rgb background{0, 0, 0};
    bool backgroundSet = false;
    LampColour lamp = LampColour::Black;  // as the dialog template shows it
    std::map<uint16_t, bool> checked;
    std::string caption;
    bool alwaysOnTop = false;
    size_t focusCount = 0;
    bool shown = false;
    std::map<uint16_t, uint32_t> timers;
    bool ended = false;

  private:
    void Note(const std::string& event) {
        if (journal != nullptr) journal->push_back(event);
    }
};
