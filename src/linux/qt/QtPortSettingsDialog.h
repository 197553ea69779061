#pragma once
#include <cstddef>
#include <cstdint>

#include "qt/LogicDialog.h"
#include "serial/PortSettingsView.h"

class PortSettingsDialog;
class QTimer;

// The port settings dialog on Qt Widgets, built from the layout data with the
// line under the port list that says which device each present port is. It
// draws what the dialog's logic tells it and reports clicks, focus changes,
// timer ticks and the keys that end it: Return is OK; Escape and the close box
// are ESCAPE.
class QtPortSettingsDialog final : public LogicDialog, public PortSettingsView {
  public:
    QtPortSettingsDialog(PortSettingsDialog& logic, QWidget* owner);
    ~QtPortSettingsDialog() override;

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

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void InitLogic() override;
    void DestroyLogic() override;
    void ClickLogic(uint16_t controlId) override;
    uint16_t EscapeId() const override;
    void ShowOpened() override;
    void CentreOnScreen();
    void ShowPortHint(const char* text);

    PortSettingsDialog& logic;
    QTimer* timer = nullptr;
};
