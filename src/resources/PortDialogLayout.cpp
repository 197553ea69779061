#include "resources/DialogLayout.h"

namespace {

using K = ControlKind;
namespace P = PortControl;

constexpr uint32_t kLeftRadio = kStyleLeftText;
constexpr uint32_t kFirstLeftRadio = kStyleLeftText | kStyleGroup;

// clang-format off: one control a line, as the layout table reads
constexpr ControlLayout kPortControls[] = {
    {P::kOk, K::PushButton, "OK", 228, 90, 60, 14, kStyleNone},
    {P::kEscape, K::PushButton, "ESCAPE", 228, 74, 60, 14, kStyleNone},
    {P::kPreset, K::PushButton, "preset to  115200,E,8,1", 228, 6, 60, 19, kStyleMultiLine},
    {kNoId, K::Label, "current settings:", 228, 30, 55, 9, kStyleNone},
    {P::kCurrentSettings, K::ReadOnlyEdit, "", 228, 39, 56, 12, kStyleNone},
    {kNoId, K::Label, "save settings", 229, 53, 51, 9, kStyleNone},
    {P::kPermanently, K::CheckBox, "permanently", 228, 61, 54, 10, kStyleLeftText},
    {kNoId, K::GroupFrame, "COM port", 4, 2, 43, 102, kStyleNone},
    {kNoId, K::Label, "current COM Port:", 7, 17, 38, 18, kStyleNone},
    {kNoId, K::Label, "COM", 7, 37, 18, 9, kStyleNone},
    {P::kCurrentPort, K::ReadOnlyEdit, "", 25, 36, 19, 12, kStyleBorder},
    {kNoId, K::Label, "enter new COM Port Number:", 7, 58, 38, 26, kStyleNone},
    {kNoId, K::Label, "COM", 7, 87, 18, 9, kStyleNone},
    {P::kNewPort, K::Edit, "", 25, 86, 19, 12, kStyleBorder | kStyleTabStop | kStyleHScroll},
    {kNoId, K::GroupFrame, "baudrate", 51, 2, 88, 102, kStyleNone},
    {1021, K::RadioButton, "1200", 52, 12, 36, 8, kFirstLeftRadio},
    {1022, K::RadioButton, "2400", 52, 22, 36, 8, kLeftRadio},
    {1023, K::RadioButton, "4800", 52, 32, 36, 8, kLeftRadio},
    {1024, K::RadioButton, "7200", 52, 42, 36, 8, kLeftRadio},
    {1025, K::RadioButton, "9600", 52, 52, 36, 8, kLeftRadio},
    {1026, K::RadioButton, "14400", 52, 62, 36, 8, kLeftRadio},
    {1027, K::RadioButton, "19200", 52, 72, 36, 8, kLeftRadio},
    {1028, K::RadioButton, "28800", 52, 82, 36, 8, kLeftRadio},
    {1029, K::RadioButton, "38400", 52, 92, 36, 8, kLeftRadio},
    {1030, K::RadioButton, "57600", 95, 12, 36, 8, kLeftRadio},
    {1031, K::RadioButton, "76800", 95, 22, 36, 8, kLeftRadio},
    {1032, K::RadioButton, "115200", 95, 32, 36, 8, kLeftRadio},
    {1033, K::RadioButton, "128000", 95, 42, 36, 8, kLeftRadio},
    {1034, K::RadioButton, "153600", 95, 52, 36, 8, kLeftRadio},
    {1035, K::RadioButton, "230400", 95, 62, 36, 8, kLeftRadio},
    {1036, K::RadioButton, "256000", 95, 72, 36, 8, kLeftRadio},
    {1055, K::RadioButton, "460800", 94, 82, 37, 8, kLeftRadio},
    {1056, K::RadioButton, "921600", 95, 92, 36, 8, kLeftRadio},
    {kNoId, K::GroupFrame, "parity", 143, 2, 80, 62, kStyleGroup},
    {P::kParityEven, K::RadioButton, "EVEN", 147, 12, 34, 8, kStyleGroup},
    {P::kParityOdd, K::RadioButton, "ODD", 147, 22, 34, 8, kStyleNone},
    {P::kParityMark, K::RadioButton, "MARK    -12V = '1' ", 147, 32, 70, 8, kStyleNone},
    {P::kParitySpace, K::RadioButton, "SPACE  +12V = '0'", 147, 42, 70, 8, kStyleNone},
    {P::kParityNone, K::RadioButton, "NONE", 147, 52, 34, 8, kStyleNone},
    {kNoId, K::GroupFrame, "data bits", 143, 71, 37, 33, kStyleGroup},
    {P::kDataBits7, K::RadioButton, "7 bits", 147, 82, 30, 8, kStyleGroup},
    {P::kDataBits8, K::RadioButton, "8 bits", 147, 92, 30, 8, kStyleNone},
    {kNoId, K::GroupFrame, "stop bits", 186, 71, 37, 33, kStyleGroup},
    {P::kStopBits1, K::RadioButton, "1 bit", 190, 82, 30, 8, kStyleGroup},
    {P::kStopBits2, K::RadioButton, "2 bits", 190, 92, 30, 8, kStyleNone},
    {P::kPortList, K::MultiLineEdit, "", 4, 108, 284, 110, kStyleBorder | kStyleGroup},
    // Only in the taller form: one line a present port, the device behind it.
    {P::kPortHint, K::Label, "", 4, 220, 284, 18, kStyleNone},
};
// clang-format on

constexpr size_t kAllControls = sizeof(kPortControls) / sizeof(kPortControls[0]);
constexpr int16_t kWidth = 291;
constexpr int16_t kHeight = 221;
constexpr int16_t kHintHeight = 20;
constexpr uint32_t kFrame = kFrameClientEdge | kFrameForeground;

constexpr DialogLayout kPortLayout{kPortDialogResource, kWidth,           kHeight, "System", 10,
                                   kPortControls,       kAllControls - 1, kFrame};
constexpr DialogLayout kPortLayoutWithHint{
    kPortDialogResource, kWidth, kHeight + kHintHeight, "System", 10, kPortControls,
    kAllControls,        kFrame};

static_assert(kPortControls[kAllControls - 1].id == PortControl::kPortHint,
              "the hint line is the last control, so that the plain layout can leave it out");

}  // namespace

const DialogLayout& PortDialogLayout() {
    return kPortLayout;
}

const DialogLayout& PortDialogLayoutWithHint() {
    return kPortLayoutWithHint;
}
