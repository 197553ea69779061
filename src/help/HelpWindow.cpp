#include "help/HelpWindow.h"

#include "help/HelpTexts.h"
#include "help/HelpView.h"

namespace H = HelpControl;

namespace {

constexpr char kEnglish = 'E';
constexpr char kGerman = 'D';

constexpr char kHintEnglish[] = "Return to main window: press ESCAPE;";
constexpr char kHintGerman[] = "Help-Fenster schliessen: ESCAPE;";
constexpr Rgb kLightOrange{0xFF, 0xE0, 0x70};
constexpr Rgb kLightGreen{0xE0, 0xFF, 0x70};

bool IsEnglish(char language) {
    return language == kEnglish;
}

}  // namespace

HelpWindow::HelpWindow(char& helpLanguage) : helpLanguage(helpLanguage) {}

const char* HelpWindow::HelpText(char language) {
    return IsEnglish(language) ? kHelpTextEnglish : kHelpTextGerman;
}

const char* HelpWindow::HintText(char language) {
    return IsEnglish(language) ? kHintEnglish : kHintGerman;
}

Rgb HelpWindow::Background(char language) {
    return IsEnglish(language) ? kLightOrange : kLightGreen;
}

void HelpWindow::InitDialog(HelpView& helpView) {
    view = &helpView;
}

void HelpWindow::OnDestroy() {
    view = nullptr;
}

void HelpWindow::OnFocus(uint16_t controlId) {
    // The hint line is the only tab stop, so it has the focus when the
    // window opens: that is when the first render happens.
    if (view == nullptr || controlId != H::kHint) return;
    Render();
    view->FocusHelpText();
}

void HelpWindow::OnClicked(uint16_t controlId) {
    if (view == nullptr) return;
    switch (controlId) {
        case H::kGerman:
            ChooseLanguage(kGerman);
            break;
        case H::kEnglish:
            ChooseLanguage(kEnglish);
            break;
        case H::kCopy:
            view->CopyHelpText();
            view->FocusHelpText();
            break;
        case H::kOk:
        case H::kEscape:
            view->EndDialog();
            break;
        default:
            break;
    }
}

void HelpWindow::OnTextClicked() {
    if (view != nullptr) Render();
}

void HelpWindow::ChooseLanguage(char language) {
    helpLanguage = language;
    Render();
    view->FocusHelpText();
}

void HelpWindow::Render() {
    const bool english = IsEnglish(helpLanguage);
    view->ShowHelpText(HelpText(helpLanguage), Background(helpLanguage));
    view->SetHintText(HintText(helpLanguage));
    // The other mark goes first, so that never both are set.
    view->SetChecked(english ? H::kGerman : H::kEnglish, false);
    view->SetChecked(english ? H::kEnglish : H::kGerman, true);
}
