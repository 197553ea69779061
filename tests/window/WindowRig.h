#pragma once
// One TerminalWindow on fakes: a scriptable device, a recording view and
// desktop, a fixed clock, and a program folder of its own for the setup file.
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <random>
#include <string>
#include <system_error>

#include "FakeCommDevice.h"
#include "FakeDesktop.h"
#include "FakeMainView.h"
#include "app/TerminalApp.h"
#include "config/TimeSource.h"
#include "resources/DialogLayout.h"
#include "terminal/KeyMessage.h"
#include "window/TerminalWindow.h"

namespace window_test {

namespace C = MainControl;

#ifdef _WIN32
inline constexpr char kSeparator = '\\';
inline constexpr bool kKeepCase = false;
inline constexpr char kProgramName[] = "quorvant.exe";
#else
inline constexpr char kSeparator = '/';
inline constexpr bool kKeepCase = true;
inline constexpr char kProgramName[] = "quorvant";
#endif

class FixedTime : public TimeSource {
  public:
    LocalTime Now() override { return now; }
    LocalTime now{2026, 12, 6, 6, 10, 0};
};

// A fresh folder under the system's temporary folder, removed at the end.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::random_device entropy;
        for (int attempt = 0; attempt < 100 && path.empty(); ++attempt) {
            auto candidate = std::filesystem::temp_directory_path() /
                             ("quorvant-window-" + std::to_string(entropy()));
            std::error_code ec;
            if (std::filesystem::create_directory(candidate, ec)) path = candidate.string();
        }
    }
    ~ScratchFolder() {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string path;
};

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
    std::string modulePath = folder.path + kSeparator + kProgramName;
    FakeCommDevice device;
    FixedTime clock;
    PlatformServices services{device, clock, modulePath.c_str(), "quorvant", kSeparator, kKeepCase};
    TerminalApp app{services};
    FakeMainView view;
    FakeDesktop desktop;
    TerminalWindow window{app.Services(), view, desktop};
};

}  // namespace window_test
