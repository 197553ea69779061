#pragma once
#include <windows.h>

#include "DialogTemplate.h"
#include "help/HelpView.h"

class HelpWindow;

// The help window as a Win32 dialog, from a template built out of the layout
// data. The help text is a rich edit that takes typing and Return; Return
// elsewhere is IDOK and closes, as Esc (IDCANCEL) and the close box do.
class HelpDialogHost final : public HelpView {
  public:
    HelpDialogHost(HINSTANCE instance, HelpWindow& logic);
    ~HelpDialogHost() override;
    HelpDialogHost(const HelpDialogHost&) = delete;
    HelpDialogHost& operator=(const HelpDialogHost&) = delete;

    // Runs the dialog modally over owner and returns when it has closed.
    void Run(HWND owner);
    // The same dialog without its own message loop, for tests that send it
    // messages; destroyed with the host.
    HWND Create(HWND owner);
    bool Ended() const { return ended; }

    // HelpView
    void ShowHelpText(const char* text, Rgb background) override;
    void SetHintText(const char* text) override;
    void SetChecked(uint16_t controlId, bool checked) override;
    void FocusHelpText() override;
    void CopyHelpText() override;
    void EndDialog() override;

  private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(uint16_t id, uint16_t notification);
    HWND Control(uint16_t id) const { return GetDlgItem(dialog, id); }

    HINSTANCE instance;
    HelpWindow& logic;
    HMODULE richEditLibrary = nullptr;
    const DialogTemplate dialogTemplate;
    HWND dialog = nullptr;
    bool modal = false;
    bool ended = false;
};
