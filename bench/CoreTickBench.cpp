// What one poll tick costs the core when 1200 bytes wait, in each display
// mode. The device and the view do as little as they can, so the figures are
// the core's own: reading, formatting, the display text and its trimming.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "FakeDesktop.h"
#include "FixedClock.h"
#include "ScratchFolder.h"
#include "app/TerminalApp.h"
#include "resources/DialogLayout.h"
#include "serial/CommDevice.h"
#include "window/Desktop.h"
#include "window/MainView.h"
#include "window/TerminalWindow.h"

namespace {

constexpr uint32_t kWaiting = 1200;

// Always open, always kWaiting bytes queued, taken from a repeating pattern.
class PatternDevice final : public CommDevice {
  public:
    explicit PatternDevice(std::string bytes) : pattern(std::move(bytes)) {}

    bool OpenDevice(uint16_t) override { return true; }
    bool IsOpen() const override { return true; }
    bool SetupQueues(uint32_t, uint32_t) override { return true; }
    bool Purge(uint32_t) override { return true; }
    bool SetImmediateTimeouts() override { return true; }
    bool GetState(DeviceControl& control) override {
        control = state;
        return true;
    }
    bool SetState(const DeviceControl& control) override {
        state = control;
        return true;
    }
    bool GetModemStatus(uint32_t& bits) override {
        bits = kModemCtsOn;
        return true;
    }
    bool ClearError(CommStatus& status) override {
        status.errors = 0;
        // Nothing waits while the port opens, so start-up leaves the queue alone.
        status.inputQueue = running ? kWaiting : 0;
        return true;
    }
    bool ReadBytes(uint8_t* buffer, uint32_t length, uint32_t& bytesRead) override {
        for (uint32_t i = 0; i < length; ++i) {
            buffer[i] = static_cast<uint8_t>(pattern[position]);
            position = (position + 1) % pattern.size();
        }
        bytesRead = length;
        return true;
    }
    bool WriteBytes(const uint8_t*, uint32_t length, uint32_t& bytesWritten) override {
        bytesWritten = length;
        return true;
    }
    void CloseDevice() override {}
    uint32_t TickCount() override { return 0; }
    bool DeviceGone() const override { return false; }

    bool running = false;

  private:
    std::string pattern;
    size_t position = 0;
    DeviceControl state;
};

class NullView final : public MainView {
  public:
    void SetFieldText(uint16_t, const char*) override {}
    void DisplayClear() override {}
    void DisplayAppend(const char* text, size_t length) override {
        benchmark::DoNotOptimize(text);
        benchmark::DoNotOptimize(length);
    }
    void DisplayDeleteFront(size_t) override {}
    void DisplayClearUndo() override {}
    size_t DisplayFirstVisibleCharacter() override { return 0; }
    void SetDisplayBackground(Rgb) override {}
    void SetLamp(LampColour) override {}
    void SetChecked(uint16_t, bool) override {}
    bool IsChecked(uint16_t) const override { return false; }
    void SetCaption(const char*) override {}
    void SetAlwaysOnTop() override {}
    void FocusDisplay() override {}
    void ShowAndRaise() override {}
    void Redraw() override {}
    void StartTimer(uint16_t, uint32_t) override {}
    void StopTimer(uint16_t) override {}
    void EndWindow() override {}
};

std::string PlainText() {
    return "Temperature 21.4 C, pressure 1013 hPa, humidity 45 %, all sensors ok.\r\n";
}

// Valid '#' records: a start record, then seven values, over and over.
std::string Records() {
    std::string cycle;
    const char cycleChars[] = "12345_23";
    for (int i = 0; i < 8; ++i) {
        char r[24];
        std::snprintf(r, sizeof(r), "#%c%cx%5s%c0A1B%c2C", i == 0 ? 'A' : 'v', i == 0 ? '9' : '_',
                      " 12.5", i == 0 ? 'S' : '_', cycleChars[i]);
        unsigned sum = 20;
        for (int k = 1; k < 17; ++k) sum += static_cast<unsigned char>(r[k]);
        std::snprintf(r + 17, sizeof(r) - 17, "%02X;", sum & 0xFF);
        cycle += r;
    }
    return cycle;
}

enum class Mode { Plain, Hex, Record };

void TickWith1200Waiting(benchmark::State& state, Mode mode) {
    // The setup file is written at start-up: give it a folder of its own.
    ScratchFolder folder;
    std::string modulePath = folder.Join("quorvant");
    PatternDevice device(mode == Mode::Record ? Records() : PlainText());
    FixedClock clock;
    PlatformServices services{device, clock, modulePath.c_str(), "quorvant", '/', true};
    TerminalApp app(services);
    NullView view;
    FakeDesktop desktop;
    auto window = std::make_unique<TerminalWindow>(app.Services(), view, desktop);
    window->InitWindow();
    if (mode == Mode::Hex) window->OnClicked(MainControl::kHex);
    if (mode == Mode::Record) {
        KeyMessage f4;
        f4.kind = KeyKind::KeyDown;
        f4.virtualKey = 0x73;
        window->KeyFilter(f4, KeyboardState{});
    }
    window->PollTick();
    device.running = true;
    for (auto _ : state) window->PollTick();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kWaiting);
}

}  // namespace

BENCHMARK_CAPTURE(TickWith1200Waiting, plain, Mode::Plain);
BENCHMARK_CAPTURE(TickWith1200Waiting, hex, Mode::Hex);
BENCHMARK_CAPTURE(TickWith1200Waiting, record, Mode::Record);
