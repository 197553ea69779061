#include "HelpDialogHost.h"

#include <richedit.h>

#include "help/HelpWindow.h"
#include "RichEditColours.h"

namespace H = HelpControl;

namespace {

constexpr char kTitle[] = "help window";
constexpr char kRichEditLibrary[] = "Msftedit.dll";
constexpr char kRichEditClass[] = "RICHEDIT50W";
// Far enough up for any text: its first line comes to the top.
constexpr LPARAM kScrollToTopLines = -9999;
// Beyond the end of any text: the caret goes to the end.
constexpr WPARAM kPastTheEnd = 0x7FFFFFFF;
// What a control sends when it is clicked (BN_CLICKED's value).
constexpr uint16_t kClickNotification = 0;

}  // namespace

HelpDialogHost::HelpDialogHost(HINSTANCE instance, HelpWindow& logic)
    : TemplateDialog(instance, HelpDialogLayout(), kRichEditClass),
      logic(logic),
      // The dialog cannot be created without the help text's window class.
      richEditLibrary(LoadLibraryA(kRichEditLibrary)) {}

HelpDialogHost::~HelpDialogHost() {
    // Its rich edit goes before the library that holds the control's class.
    DestroyCreated();
    if (richEditLibrary != nullptr) FreeLibrary(richEditLibrary);
}

void HelpDialogHost::OnInitDialog() {
    SetWindowTextA(dialog, kTitle);
    logic.InitDialog(*this);
}

void HelpDialogHost::OnDestroy() {
    logic.OnDestroy();
}

INT_PTR HelpDialogHost::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_CLOSE:
            if (!ended) logic.OnClicked(H::kEscape);
            return TRUE;
        default:
            return FALSE;
    }
}

void HelpDialogHost::OnCommand(uint16_t id, uint16_t notification) {
    if (ended) return;
    if (id == H::kHint && notification == EN_SETFOCUS) {
        logic.OnFocus(id);
    } else if (id == H::kText && notification == kClickNotification) {
        logic.OnTextClicked();
    } else if (notification == BN_CLICKED) {
        // The Enter and Esc keys come as IDOK and IDCANCEL with a click's code.
        logic.OnClicked(id);
    }
}

// --- HelpView -------------------------------------------------------------------------

void HelpDialogHost::ShowHelpText(const char* text, Rgb background) {
    HWND control = Control(H::kText);
    if (control == nullptr) return;
    SendMessageA(control, EM_SETSEL, 0, -1);
    SetRichEditColours(control, background);
    SendMessageA(control, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
    SendMessageA(control, EM_LINESCROLL, 0, kScrollToTopLines);
}

void HelpDialogHost::SetHintText(const char* text) {
    HWND control = Control(H::kHint);
    if (control == nullptr) return;
    SendMessageA(control, EM_SETSEL, 0, -1);
    SendMessageA(control, EM_SCROLLCARET, 0, 0);
    SendMessageA(control, WM_CLEAR, 0, 0);
    SendMessageA(control, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
}

void HelpDialogHost::SetChecked(uint16_t controlId, bool checked) {
    CheckDlgButton(dialog, controlId, checked ? BST_CHECKED : BST_UNCHECKED);
}

void HelpDialogHost::FocusHelpText() {
    if (HWND control = Control(H::kText)) SetFocus(control);
}

void HelpDialogHost::CopyHelpText() {
    HWND control = Control(H::kText);
    if (control == nullptr) return;
    SendMessageA(control, EM_SETSEL, 0, -1);
    SendMessageA(control, WM_COPY, 0, 0);
    SendMessageA(control, EM_SETSEL, kPastTheEnd, kPastTheEnd);
}

void HelpDialogHost::EndDialog() {
    EndRun();
}
