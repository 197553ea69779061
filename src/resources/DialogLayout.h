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
    GreyLabel,      // static text, greyed
    Indicator,      // radio-style, text on the left, mark set only by the program
    RichDisplay,    // multi-line rich text, vertical scroll, read-only
    Label,          // static text, wraps onto further lines
    Edit,           // single line that takes typing
    MultiLineEdit,  // several lines, read-only, wraps
    RadioButton,    // plain radio button whose mark only the program sets
    CheckBox,       // check box whose tick only the program sets
};

// Style details a kind alone does not say.
enum ControlStyle : uint32_t {
    kStyleNone = 0,
    kStyleBorder = 1u << 0,
    kStyleHScroll = 1u << 1,
    kStyleCentred = 1u << 2,
    kStyleTabStop = 1u << 3,
    kStyleGroup = 1u << 4,      // starts a group of radio buttons (and ends the one before)
    kStyleLeftText = 1u << 5,   // text left of the mark, right-aligned
    kStyleMultiLine = 1u << 6,  // button text on several lines, left-aligned, centred vertically
    kStyleEditable = 1u << 7,   // rich text that takes typing, Enter included
};

// How a dialog's frame differs from the plain modal one (modal frame, caption
// with system menu, centred on the screen).
enum DialogFrame : uint32_t {
    kFrameNone = 0,
    kFrameMinimiseBox = 1u << 0,
    kFrameTaskBarButton = 1u << 1,  // a task-bar button of its own
    kFrameClientEdge = 1u << 2,     // sunken edge around the client area
    kFrameForeground = 1u << 3,     // brought to the foreground when shown
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
    uint32_t frame;  // DialogFrame bits
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

// Control ids of the port settings dialog (dialog 130).
namespace PortControl {
inline constexpr uint16_t kOk = 1;
inline constexpr uint16_t kEscape = 2;
inline constexpr uint16_t kPermanently = 1001;
inline constexpr uint16_t kPortList = 1020;
// Baud rate buttons in BaudRateTable order: 1021 to 1036, then 1055, 1056.
inline constexpr uint16_t kBaud1200 = 1021;
inline constexpr uint16_t kBaud256000 = 1036;
inline constexpr uint16_t kBaud460800 = 1055;
inline constexpr uint16_t kBaud921600 = 1056;
inline constexpr uint16_t kCurrentPort = 1037;
inline constexpr uint16_t kParityEven = 1057;
inline constexpr uint16_t kParityOdd = 1058;
inline constexpr uint16_t kParityMark = 1059;
inline constexpr uint16_t kParitySpace = 1060;
inline constexpr uint16_t kParityNone = 1061;
inline constexpr uint16_t kDataBits7 = 1062;
inline constexpr uint16_t kDataBits8 = 1063;
inline constexpr uint16_t kStopBits1 = 1064;
inline constexpr uint16_t kStopBits2 = 1065;
inline constexpr uint16_t kPreset = 1066;
inline constexpr uint16_t kNewPort = 1070;
inline constexpr uint16_t kCurrentSettings = 1098;
// Below the port list, on a platform whose port numbers need explaining: the
// device behind each present port.
inline constexpr uint16_t kPortHint = 1099;
}  // namespace PortControl

// Control ids of the help window (dialog 135).
namespace HelpControl {
inline constexpr uint16_t kOk = 1;
inline constexpr uint16_t kEscape = 2;
inline constexpr uint16_t kCopy = 1006;
inline constexpr uint16_t kGerman = 1008;
inline constexpr uint16_t kEnglish = 1009;
inline constexpr uint16_t kHint = 1038;
inline constexpr uint16_t kText = 1069;
}  // namespace HelpControl

const DialogLayout& MainDialogLayout();
const DialogLayout& HelpDialogLayout();
// Dialog 130 as drawn on Windows, and the same with the port hint line under
// the port list (taller by the line).
const DialogLayout& PortDialogLayout();
const DialogLayout& PortDialogLayoutWithHint();
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
inline constexpr uint16_t kPortDialogResource = 130;
inline constexpr uint16_t kHelpDialogResource = 135;
