#pragma once
// Message boxes without a screen: each text is kept in order, and the box
// counts as confirmed at once.
#include <string>
#include <vector>

#include "config/MessageSink.h"

class RecordingSink : public MessageSink {
  public:
    void ShowMessage(const char* text) override { shown.emplace_back(text); }

    int Count(const std::string& text) const {
        int n = 0;
        for (const std::string& s : shown) n += s == text ? 1 : 0;
        return n;
    }

    std::vector<std::string> shown;
};
