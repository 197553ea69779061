#pragma once
#include <windows.h>

#include "TemplateDialog.h"
#include "help/HelpView.h"

class HelpWindow;

// The help window as a Win32 dialog, from a template built out of the layout
// data. The help text is a rich edit that takes typing and Return; Return
// elsewhere is IDOK and closes, as Esc (IDCANCEL) and the close box do.
class HelpDialogHost final : public TemplateDialog, public HelpView {
  public:
    HelpDialogHost(HINSTANCE instance, HelpWindow& logic);
    ~HelpDialogHost() override;
    HelpDialogHost(const HelpDialogHost&) = delete;
    HelpDialogHost& operator=(const HelpDialogHost&) = delete;

    // HelpView
    void ShowHelpText(const char* text, Rgb background) override;
    void SetHintText(const char* text) override;
    void SetChecked(uint16_t controlId, bool checked) override;
    void FocusHelpText() override;
    void CopyHelpText() override;
    void EndDialog() override;

  private:
    void OnInitDialog() override;
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDestroy() override;
    void OnCommand(uint16_t id, uint16_t notification);
    HWND Control(uint16_t id) const { return GetDlgItem(dialog, id); }

    HelpWindow& logic;
    HMODULE richEditLibrary = nullptr;
};
