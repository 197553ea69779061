#pragma once
#include <windows.h>

#include "TemplateDialog.h"
#include "serial/PortSettingsView.h"

class PortSettingsDialog;

// The port settings dialog as a Win32 dialog, from a template built out of the
// layout data. Its radio buttons and check box are the kinds that never mark
// themselves; the dialog's logic marks them. OK is button 1 and the Enter key,
// ESCAPE button 2, the Esc key and the close box.
class PortSettingsDialogHost final : public TemplateDialog, public PortSettingsView {
  public:
    PortSettingsDialogHost(HINSTANCE instance, PortSettingsDialog& logic);
    ~PortSettingsDialogHost() override;
    PortSettingsDialogHost(const PortSettingsDialogHost&) = delete;
    PortSettingsDialogHost& operator=(const PortSettingsDialogHost&) = delete;

    // PortSettingsView
    void SetText(uint16_t controlId, const char* text) override;
    void GetText(uint16_t controlId, char* out, size_t capacity) override;
    void SetChecked(uint16_t controlId, bool checked) override;
    bool IsChecked(uint16_t controlId) const override;
    void Focus(uint16_t controlId) override;
    void SetCaption(const char* caption) override;
    void StartTimer(uint16_t timerId, uint32_t periodMs) override;
    void StopTimer(uint16_t timerId) override;
    void EndDialog() override;

  private:
    void OnInitDialog() override;
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDestroy() override;
    void OnCommand(uint16_t id, uint16_t notification);

    PortSettingsDialog& logic;
};
