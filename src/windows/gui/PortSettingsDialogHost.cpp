#include "PortSettingsDialogHost.h"

#include "serial/PortSettingsDialog.h"

namespace P = PortControl;

namespace {

// The read-only edits whose focus the logic passes on to the new port.
bool IsFocusNoticeControl(uint16_t id) {
    return id == P::kCurrentSettings || id == P::kCurrentPort || id == P::kPortList;
}

}  // namespace

PortSettingsDialogHost::PortSettingsDialogHost(HINSTANCE instance, PortSettingsDialog& logic)
    : TemplateDialog(instance, PortDialogLayout(), nullptr), logic(logic) {}

PortSettingsDialogHost::~PortSettingsDialogHost() {
    DestroyCreated();
}

void PortSettingsDialogHost::OnInitDialog() {
    logic.InitDialog(*this);
}

void PortSettingsDialogHost::OnDestroy() {
    logic.OnDestroy();
}

INT_PTR PortSettingsDialogHost::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_TIMER:
            if (!ended) logic.OnTimer();
            return TRUE;
        case WM_CLOSE:
            if (!ended) logic.OnClicked(P::kEscape);
            return TRUE;
        default:
            return FALSE;
    }
}

void PortSettingsDialogHost::OnCommand(uint16_t id, uint16_t notification) {
    if (ended) return;
    // The Enter and Esc keys come as IDOK and IDCANCEL with the code of a click.
    if (notification == BN_CLICKED && FindControl(PortDialogLayout(), id) != nullptr) {
        logic.OnClicked(id);
    } else if (notification == EN_SETFOCUS && IsFocusNoticeControl(id)) {
        logic.OnFocus(id);
    }
}

// --- PortSettingsView -----------------------------------------------------------------

void PortSettingsDialogHost::SetText(uint16_t controlId, const char* text) {
    HWND control = GetDlgItem(dialog, controlId);
    if (control == nullptr) return;
    SendMessageA(control, EM_SETSEL, 0, -1);
    SendMessageA(control, EM_SCROLLCARET, 0, 0);
    SendMessageA(control, WM_CLEAR, 0, 0);
    SendMessageA(control, EM_REPLACESEL, FALSE,
                 reinterpret_cast<LPARAM>(text != nullptr ? text : ""));
}

void PortSettingsDialogHost::GetText(uint16_t controlId, char* out, size_t capacity) {
    if (out == nullptr || capacity == 0) return;
    out[0] = '\0';
    GetDlgItemTextA(dialog, controlId, out, static_cast<int>(capacity));
}

void PortSettingsDialogHost::SetChecked(uint16_t controlId, bool checked) {
    CheckDlgButton(dialog, controlId, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool PortSettingsDialogHost::IsChecked(uint16_t controlId) const {
    return IsDlgButtonChecked(dialog, controlId) == BST_CHECKED;
}

void PortSettingsDialogHost::Focus(uint16_t controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    if (control != nullptr) SetFocus(control);
}

void PortSettingsDialogHost::SetCaption(const char* caption) {
    SetWindowTextA(dialog, caption);
}

void PortSettingsDialogHost::StartTimer(uint16_t timerId, uint32_t periodMs) {
    SetTimer(dialog, timerId, periodMs, nullptr);
}

void PortSettingsDialogHost::StopTimer(uint16_t timerId) {
    KillTimer(dialog, timerId);
}

void PortSettingsDialogHost::EndDialog() {
    EndRun();
}
