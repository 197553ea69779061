#pragma once
#include <QDialog>
#include <cstddef>
#include <cstdint>

#include "qt/DialogUnits.h"
#include "qt/LayoutWidgets.h"
#include "serial/PortSettingsView.h"

class PortSettingsDialog;
class QTimer;

// The port settings dialog on Qt Widgets, built from the layout data with the
// line under the port list that says which device each present port is. It
// draws what the dialog's logic tells it and reports clicks, focus changes,
// timer ticks and the keys that end it: Return is OK; Escape and the close box
// are ESCAPE.
class QtPortSettingsDialog final : public QDialog, public PortSettingsView {
  public:
    QtPortSettingsDialog(PortSettingsDialog& logic, QWidget* owner);
    ~QtPortSettingsDialog() override;

    // Opens the dialog modally and returns when it has closed.
    void Run();
    // The two halves of Run, for tests that act while the dialog is shown.
    void Open();
    void Close();

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

    QWidget* Control(uint16_t controlId) const { return widgets.Control(controlId); }
    const BaseUnits& Units() const { return units; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void CentreOnScreen();
    void ShowPortHint(const char* text);
    // Runs one event into the dialog's logic unless the dialog has ended.
    template <typename Call>
    void Dispatch(Call call);

    PortSettingsDialog& logic;
    BaseUnits units;
    LayoutWidgets widgets;
    QTimer* timer = nullptr;
    // Between InitDialog and OnDestroy of the logic.
    bool attached = false;
    // Attached and not yet ended by OK or ESCAPE: events reach the logic.
    bool open = false;
};
