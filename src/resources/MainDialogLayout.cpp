#include "resources/DialogLayout.h"

namespace {

using K = ControlKind;
namespace C = MainControl;

// clang-format off: one control a line, as the layout table reads
constexpr ControlLayout kMainControls[] = {
    {C::kSettingsField, K::ReadOnlyEdit, "", 1, 2, 87, 12, kStyleBorder | kStyleHScroll},
    {C::kLamp, K::ImageStatic, "", 89, 2, 6, 11, kStyleCentred},
    {C::kHelp, K::PushButton, "?", 96, 2, 9, 11, kStyleTabStop},
    {C::kHex, K::LatchedButton, "X", 106, 2, 12, 11, kStyleTabStop},
    {C::kF2, K::PushButton, "F2", 119, 2, 12, 11, kStyleTabStop},
    {C::kSpecial, K::PushButton, "SPECIAL", 132, 2, 35, 11, kStyleTabStop},
    {C::kSendX, K::LatchedButton, "SendX", 168, 2, 25, 11, kStyleTabStop},
    {C::kSyncX, K::PushButton, "SyncX", 194, 2, 24, 11, kStyleTabStop},
    {C::kDisplayHalt, K::LatchedButton, "DisplayHalt", 219, 2, 50, 11, kStyleTabStop},
    {C::kDisplayClear, K::PushButton, "DisplayClear", 270, 2, 54, 11, kStyleTabStop},
    {kNoId, K::GroupFrame, "", 1, 14, 117, 17, kStyleNone},
    {kNoId, K::GreyLabel, "Outputs", 3, 19, 30, 9, kStyleNone},
    {C::kDtr, K::Indicator, "DTR(4)", 40, 19, 36, 10, kStyleTabStop},
    {C::kRts, K::Indicator, "RTS(7)", 81, 19, 36, 10, kStyleTabStop},
    {kNoId, K::GroupFrame, "", 124, 14, 200, 17, kStyleNone},
    {kNoId, K::GreyLabel, "Inputs", 126, 19, 30, 9, kStyleNone},
    {C::kDsr, K::Indicator, "DSR(6)", 162, 19, 36, 10, kStyleTabStop},
    {C::kCts, K::Indicator, "CTS(8)", 203, 19, 36, 10, kStyleTabStop},
    {C::kRi, K::Indicator, "RI(9)", 244, 19, 32, 10, kStyleTabStop},
    {C::kRlsd, K::Indicator, "RLSD(1)", 283, 19, 39, 10, kStyleTabStop},
    {C::kDisplay, K::RichDisplay, "", 1, 34, 332, 206, kStyleBorder | kStyleTabStop},
    {C::kStatusLine, K::ReadOnlyEdit, "", 1, 241, 197, 12, kStyleNone},
    {C::kCopy, K::PushButton, "copy", 201, 241, 20, 11, kStyleTabStop},
    {C::kSave, K::PushButton, "save", 224, 241, 20, 11, kStyleTabStop},
    {C::kClock, K::ReadOnlyEdit, "", 247, 241, 77, 12, kStyleCentred | kStyleTabStop},
};
// clang-format on

constexpr DialogLayout kMainLayout{kMainDialogResource,
                                   334,
                                   254,
                                   "Fixedsys",
                                   9,
                                   kMainControls,
                                   sizeof(kMainControls) / sizeof(kMainControls[0]),
                                   kFrameMinimiseBox | kFrameTaskBarButton};

}  // namespace

const DialogLayout& MainDialogLayout() {
    return kMainLayout;
}

const ControlLayout* FindControl(const DialogLayout& layout, uint16_t id) {
    for (size_t i = 0; i < layout.controlCount; ++i) {
        if (layout.controls[i].id == id) return &layout.controls[i];
    }
    return nullptr;
}

Rgb LampRgb(LampColour colour) {
    switch (colour) {
        case LampColour::Yellow:
            return {255, 255, 0};
        case LampColour::Green:
            return {0, 255, 0};
        case LampColour::Grey:
            return {128, 128, 128};
        case LampColour::Red:
            return {255, 0, 0};
        case LampColour::Magenta:
            return {255, 0, 255};
        case LampColour::Black:
            return {0, 0, 0};
    }
    return {0, 0, 0};
}
