#include "TemplateDialog.h"

TemplateDialog::TemplateDialog(HINSTANCE instance, const DialogLayout& layout,
                               const char* richEditClass)
    : instance(instance), dialogTemplate(layout, richEditClass) {}

TemplateDialog::~TemplateDialog() {
    // The subclass is gone by now: its messages must not reach it.
    if (!modal && dialog != nullptr) {
        SetWindowLongPtrA(dialog, DWLP_USER, 0);
        DestroyWindow(dialog);
    }
}

void TemplateDialog::Run(HWND owner) {
    modal = true;
    DialogBoxIndirectParamA(instance, static_cast<LPCDLGTEMPLATEA>(dialogTemplate.Data()), owner,
                            DialogProc, reinterpret_cast<LPARAM>(this));
    dialog = nullptr;
}

HWND TemplateDialog::Create(HWND owner) {
    modal = false;
    return CreateDialogIndirectParamA(instance, static_cast<LPCDLGTEMPLATEA>(dialogTemplate.Data()),
                                      owner, DialogProc, reinterpret_cast<LPARAM>(this));
}

void TemplateDialog::EndRun() {
    ended = true;
    if (modal) ::EndDialog(dialog, IDOK);
}

void TemplateDialog::DestroyCreated() {
    if (!modal && dialog != nullptr) DestroyWindow(dialog);
    dialog = nullptr;
}

INT_PTR CALLBACK TemplateDialog::DialogProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<TemplateDialog*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        self->dialog = window;
        self->ended = false;
        self->OnInitDialog();
        return TRUE;  // the dialog manager puts the focus on the one tab stop
    }
    auto* self = reinterpret_cast<TemplateDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    if (self == nullptr) return FALSE;
    if (message == WM_DESTROY) {
        self->OnDestroy();
        SetWindowLongPtrA(window, DWLP_USER, 0);
        return FALSE;
    }
    return self->HandleMessage(message, wParam, lParam);
}
