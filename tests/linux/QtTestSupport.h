#pragma once
// Shared by the Qt view tests: one QApplication on the offscreen platform,
// a recorder for what the views report, and key events sent the way Qt's
// own delivery sends them (through the application's event filters).
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <cstdlib>
#include <functional>
#include <vector>

#include "qt/ViewEvents.h"

inline QApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "quorvant_qt_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        auto* created = new QApplication(argc, argv);
        QApplication::setStyle(QStringLiteral("Fusion"));
        QApplication::setQuitOnLastWindowClosed(false);
        return created;
    }();
    return *app;
}

// Base of fixtures with widget members: the application exists before them.
class QtFixture : public ::testing::Test {
  protected:
    QtFixture() { TestApplication(); }
};

struct RecordedKey {
    KeyMessage message;
    KeyboardState keyboard;
};

// Records every event and answers keys with a fixed result.
class RecordingEvents final : public ViewEvents {
  public:
    void OnTimer(uint16_t timerId) override {
        timers.push_back(timerId);
        if (onTimer) onTimer(timerId);
    }
    void OnClicked(uint16_t controlId) override { clicks.push_back(controlId); }
    void OnFocus(uint16_t controlId) override { focuses.push_back(controlId); }
    KeyResult OnKey(const KeyMessage& message, const KeyboardState& keyboard) override {
        keys.push_back({message, keyboard});
        return keyResult;
    }
    void OnCloseRequest() override { ++closeRequests; }
    void OnHelpRequest() override { ++helpRequests; }

    // Runs inside each tick, after it is recorded: what the program does then.
    std::function<void(uint16_t)> onTimer;
    KeyResult keyResult = KeyResult::Handled;
    std::vector<uint16_t> timers;
    std::vector<uint16_t> clicks;
    std::vector<uint16_t> focuses;
    std::vector<RecordedKey> keys;
    int closeRequests = 0;
    int helpRequests = 0;
};

// A key press as the platform delivers it: to the focus widget, through the
// application's event filters. True when something consumed it.
inline bool PressKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    return QApplication::sendEvent(target, &press);
}
