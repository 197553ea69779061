#pragma once
// The help window without a screen: keeps what the logic shows, a text the
// user typed into included, and what went to the clipboard.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "help/HelpView.h"

class FakeHelpView : public HelpView {
  public:
    void ShowHelpText(const char* value, Rgb colour) override {
        text = value;
        background = colour;
        ++renders;
    }
    void SetHintText(const char* value) override { hint = value; }
    void SetChecked(uint16_t controlId, bool value) override {
        checked[controlId] = value;
        markChanges.push_back(value ? controlId : static_cast<uint16_t>(~controlId));
    }
    void FocusHelpText() override { ++textFocus; }
    void CopyHelpText() override { clipboard = text; }
    void EndDialog() override { ++ends; }

    bool IsChecked(uint16_t controlId) const {
        auto it = checked.find(controlId);
        return it != checked.end() && it->second;
    }

    std::string text;
    Rgb background{0, 0, 0};
    std::string hint;
    std::string clipboard;
    std::map<uint16_t, bool> checked;
    // Each mark change in order: the id when set, its complement when cleared.
    std::vector<uint16_t> markChanges;
    int renders = 0;
    int textFocus = 0;
    int ends = 0;
};
