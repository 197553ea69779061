#pragma once
// One TerminalWindow on fakes: a scriptable device, a recording view and
// desktop, a fixed clock, and a program folder of its own for the setup file.
#include <cstdint>
#include <initializer_list>
#include <string>

#include "FakeCommDevice.h"
#include "FakeDesktop.h"
#include "FakeMainView.h"
#include "FixedClock.h"
#include "PlatformPath.h"
#include "ScratchFolder.h"
#include "app/TerminalApp.h"
#include "resources/DialogLayout.h"
#include "terminal/KeyMessage.h"
#include "window/TerminalWindow.h"

namespace window_test {

namespace C = MainControl;

struct WindowRig {
    // The ports the fake device has; COM1 by default, the start-up port.
    explicit WindowRig(std::initializer_list<uint16_t> ports = {1}) : device(ports) {}

    void Start() { window.InitWindow(); }
    void Tick(int count = 1) {
        for (int i = 0; i < count; ++i) window.OnTimer(kPollTimerId);
    }
    void Click(uint16_t controlId) { window.OnClicked(controlId); }
    KeyResult Press(uint16_t virtualKey, uint8_t unshifted = 0, bool shift = false) {
        KeyMessage m;
        m.kind = KeyKind::KeyDown;
        m.virtualKey = virtualKey;
        KeyboardState k;
        k.unshiftedChar = unshifted;
        k.shiftDown = shift;
        return window.KeyFilter(m, k);
    }
    KeyResult PressAlt(uint16_t virtualKey) {
        KeyMessage m;
        m.kind = KeyKind::SystemKeyDown;
        m.virtualKey = virtualKey;
        m.altContext = true;
        return window.KeyFilter(m, KeyboardState{});
    }
    std::string Written() const { return device.WrittenText(); }

    ScratchFolder folder;
    std::string modulePath = folder.Join(kProgramFileName);
    FakeCommDevice device;
    FixedClock clock;
    PlatformServices services{device,     clock,          modulePath.c_str(),
                              "quorvant", kPathSeparator, kKeepModulePathCase};
    TerminalApp app{services};
    FakeMainView view;
    FakeDesktop desktop;
    TerminalWindow window{app.Services(), view, desktop};
};

}  // namespace window_test
