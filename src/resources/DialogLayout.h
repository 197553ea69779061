#pragma once
#include <cstddef>
#include <cstdint>

// Dialog layouts as data, shared by both front ends. Positions are dialog
// units; each front end converts them with its dialog font's base units.

enum class ControlKind : uint8_t {
    ReadOnlyEdit,  // single line, read-only
    ImageStatic,   // centred image (the lamp)
    PushButton,
    LatchedButton,  // push-like check box whose state only the program sets
    GroupFrame,
    GreyLabel,    // static text, greyed
    Indicator,    // radio-style, text on the left, mark set only by the program
    RichDisplay,  // multi-line rich text, vertical scroll, read-only
};

// Style details a kind alone does not say.
enum ControlStyle : uint32_t {
    kStyleNone = 0,
    kStyleBorder = 1u << 0,
    kStyleHScroll = 1u << 1,
    kStyleCentred = 1u << 2,
    kStyleTabStop = 1u << 3,
};

inline constexpr uint16_t kNoId = 0xFFFF;

struct ControlLayout {
    uint16_t id;  // kNoId for controls the program never addresses
    ControlKind kind;
    const char* caption;
    int16_t x, y, width, height;
    uint32_t style;
};

struct DialogLayout {
    uint16_t resourceId;
    int16_t width, height;
    const char* fontName;
    uint16_t fontPoints;
    const ControlLayout* controls;
    size_t controlCount;
};

// Control ids of the main window (dialog 102).
namespace MainControl {
inline constexpr uint16_t kHelp = 1000;
inline constexpr uint16_t kSyncX = 1006;
inline constexpr uint16_t kStatusLine = 1007;
inline constexpr uint16_t kSendX = 1008;
inline constexpr uint16_t kDisplayHalt = 1009;
inline constexpr uint16_t kDisplayClear = 1010;
inline constexpr uint16_t kLamp = 1011;
inline constexpr uint16_t kHex = 1012;
inline constexpr uint16_t kF2 = 1013;
inline constexpr uint16_t kSpecial = 1014;
inline constexpr uint16_t kCopy = 1015;
inline constexpr uint16_t kSave = 1016;
inline constexpr uint16_t kClock = 1019;
inline constexpr uint16_t kDisplay = 1067;
inline constexpr uint16_t kDtr = 1068;
inline constexpr uint16_t kRts = 1069;
inline constexpr uint16_t kCts = 1070;
inline constexpr uint16_t kDsr = 1071;
inline constexpr uint16_t kRi = 1072;
inline constexpr uint16_t kRlsd = 1073;
inline constexpr uint16_t kSettingsField = 1126;
}  // namespace MainControl

const DialogLayout& MainDialogLayout();
// The layout entry of a control id, or nullptr.
const ControlLayout* FindControl(const DialogLayout& layout, uint16_t id);

// The lamp's colours, by the bitmap resource ids that hold them.
enum class LampColour : uint16_t {
    Yellow = 131,
    Green = 132,
    Grey = 133,
    Red = 134,
    Magenta = 135,
    Black = 136,
};

struct Rgb {
    uint8_t red, green, blue;
};
Rgb LampRgb(LampColour colour);

inline constexpr Rgb kDisplayBackground{243, 255, 224};
inline constexpr uint16_t kIconResource = 128;
inline constexpr uint16_t kMainDialogResource = 102;
