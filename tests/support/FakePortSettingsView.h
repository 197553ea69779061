#pragma once
// The port settings dialog without a screen: records what the logic shows and
// plays the user's typing (Type) into the new port field.
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "resources/DialogLayout.h"
#include "serial/PortSettingsView.h"

class FakePortSettingsView : public PortSettingsView {
  public:
    void SetText(uint16_t controlId, const char* text) override {
        texts[controlId] = text;
        ++textWrites[controlId];
    }
    void GetText(uint16_t controlId, char* out, size_t capacity) override {
        if (capacity == 0) return;
        const std::string& text = texts[controlId];
        const size_t length = text.size() < capacity - 1 ? text.size() : capacity - 1;
        std::memcpy(out, text.data(), length);
        out[length] = '\0';
    }
    void SetChecked(uint16_t controlId, bool value) override { checked[controlId] = value; }
    bool IsChecked(uint16_t controlId) const override {
        auto it = checked.find(controlId);
        return it != checked.end() && it->second;
    }
    void Focus(uint16_t controlId) override { focused.push_back(controlId); }
    void SetCaption(const char* text) override { caption = text; }
    void StartTimer(uint16_t timerId, uint32_t periodMs) override { timers[timerId] = periodMs; }
    void StopTimer(uint16_t timerId) override { timers.erase(timerId); }
    void EndDialog() override { ++ends; }

    void Type(const std::string& text) { texts[PortControl::kNewPort] = text; }
    std::string Text(uint16_t controlId) const {
        auto it = texts.find(controlId);
        return it == texts.end() ? std::string() : it->second;
    }
    // The marked buttons among ids, in their order.
    std::vector<uint16_t> Marked(const std::vector<uint16_t>& ids) const {
        std::vector<uint16_t> marked;
        for (uint16_t id : ids) {
            if (IsChecked(id)) marked.push_back(id);
        }
        return marked;
    }

    std::map<uint16_t, std::string> texts;
    std::map<uint16_t, int> textWrites;
    std::map<uint16_t, bool> checked;
    std::vector<uint16_t> focused;
    std::string caption;
    std::map<uint16_t, uint32_t> timers;
    int ends = 0;
};
