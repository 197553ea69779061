// Any bytes from the line, cut into ticks and mixed with the user's switches:
// plain, hexadecimal and record mode, SyncX, DisplayHalt, clear and trim. The
// receive path must stay inside its fixed buffers, keep its column within a
// display line, trim the display to its bound, and end every log row.
#include <cstddef>
#include <cstdint>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "FakeMainView.h"
#include "FixedClock.h"
#include "config/ClockText.h"
#include "terminal/ReceivePath.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

// A control byte (high bit set) switches something; the low bits say what.
// Anything else is received data, up to the next control byte.
enum Switch : uint8_t {
    kTick,
    kSync,
    kHalt,
    kHex,
    kRecord,
    kClear,
    kTrim,
    kReset,
    kSwitchKinds,
};
constexpr uint8_t kControlMark = 0x80;
// A control byte only when the byte after it is this marker, so that data of
// every value, 0x80..0xFF included, still reaches the receive path.
constexpr uint8_t kControlEscape = 0xFE;

void Apply(ReceivePath& path, uint8_t what) {
    switch (what % kSwitchKinds) {
        case kTick:
            path.Tick();
            break;
        case kSync:
            path.RequestSync();
            break;
        case kHalt:
            path.ToggleHalt();
            break;
        case kHex:
            path.ToggleHex();
            break;
        case kRecord:
            path.ToggleRecordMode();
            break;
        case kClear:
            path.ClearDisplay();
            break;
        case kTrim:
            path.TrimDisplay();
            Check(path.Display().Text().Length() <= ReceiveDisplay::kTrimAbove);
            break;
        default:
            path.Reset();
            break;
    }
}

// The log writes into a file of its own, made anew for every input so that
// it stays small however long the run, and gone when the run ends.
char logPath[64] = "";

void RemoveLog() {
    std::remove(logPath);
}

const char* LogPath() {
    if (logPath[0] == '\0') {
        std::snprintf(logPath, sizeof(logPath), "/tmp/quorvant-fuzz-log-%ld.csv",
                      static_cast<long>(getpid()));
        std::atexit(RemoveLog);
    }
    return logPath;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Built once: the display buffers are large, and a fresh pair per input
    // would spend most of the run clearing them.
    static FakeMainView view;
    static ReceiveDisplay display(view);
    static FixedClock clock;
    static ClockText clockText(clock);
    static ReceiveLog log(clockText);
    static ReceivePath path(display, log);
    Check(log.Start(LogPath(), TextForm::Utf8Lf, LineSettings{}, true));
    view = FakeMainView();
    path.Reset();
    path.ClearDisplay();
    size_t start = 0;
    for (size_t i = 0; i <= size; ++i) {
        const bool control =
            i + 1 < size && (data[i] & kControlMark) != 0 && data[i + 1] == kControlEscape;
        if (i < size && !control) continue;
        // One poll tick's read delivers at most this much; feed in such pieces.
        constexpr size_t kMaxReadPerTick = 32768;
        while (start < i) {
            const size_t piece = i - start < kMaxReadPerTick ? i - start : kMaxReadPerTick;
            path.ReceiveBytes(data + start, piece);
            Check(path.Display().CurrentColumn() <= ReceiveDisplay::kLineWidth);
            // A hexadecimal row handed over in parts ends with its tick.
            Check(!log.HexRowOpen());
            start += piece;
        }
        if (control) {
            Apply(path, data[i]);
            ++i;  // the escape
            start = i + 1;
        }
    }
    path.TrimDisplay();
    Check(path.Display().Text().Length() <= ReceiveDisplay::kTrimAbove);
    Check(log.WriteThrough());
    Check(log.Stop());
    return 0;
}
