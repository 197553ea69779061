#include "resources/DialogLayout.h"

namespace {

using K = ControlKind;
namespace H = HelpControl;

// clang-format off: one control a line, as the layout table reads
constexpr ControlLayout kHelpControls[] = {
    {H::kText, K::RichDisplay, "", 0, 0, 417, 264, kStyleBorder | kStyleEditable},
    // The only tab stop: it has the focus when the window opens.
    {H::kHint, K::ReadOnlyEdit, "", 0, 265, 237, 14, kStyleBorder | kStyleHScroll | kStyleTabStop},
    {H::kCopy, K::PushButton, "copy to clipboard", 241, 266, 81, 12, kStyleNone},
    {H::kGerman, K::RadioButton, "deutsch", 328, 268, 43, 9, kStyleGroup},
    {H::kEnglish, K::RadioButton, "english", 375, 268, 42, 9, kStyleNone},
};
// clang-format on

constexpr DialogLayout kHelpLayout{kHelpDialogResource,
                                   417,
                                   279,
                                   "MS Sans Serif",
                                   8,
                                   kHelpControls,
                                   sizeof(kHelpControls) / sizeof(kHelpControls[0]),
                                   kFrameNone};

}  // namespace

const DialogLayout& HelpDialogLayout() {
    return kHelpLayout;
}
