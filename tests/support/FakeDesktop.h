#pragma once
// The desktop without a screen: message boxes are recorded and confirmed at
// once.
#include <string>
#include <vector>

#include "window/Desktop.h"

class FakeDesktop : public Desktop {
  public:
    // When set, each message is also noted here as "message <text>".
    std::vector<std::string>* journal = nullptr;

    void ShowMessage(const char* text) override {
        messages.emplace_back(text);
        if (journal != nullptr) journal->push_back(std::string("message ") + text);
    }

    std::vector<std::string> messages;
};
