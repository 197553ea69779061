#pragma once
#include <QDialog>
#include <cstdint>

#include "qt/DialogUnits.h"
#include "qt/LayoutWidgets.h"

struct DialogLayout;

// A modal dialog built from layout data whose logic lives in the core. Clicks,
// and the Escape key and close box, reach that logic only between its start
// and its end, and the dialog closes when the logic says so.
class LogicDialog : public QDialog {
  public:
    // Opens the dialog modally and returns when it has closed.
    void Run();
    // The two halves of Run, for tests that act while the dialog is shown.
    void Open();
    void Close();

    QWidget* Control(uint16_t controlId) const { return widgets.Control(controlId); }
    const BaseUnits& Units() const { return units; }

  protected:
    LogicDialog(QWidget* owner, const DialogLayout& layout, Qt::WindowFlags extraFlags);

    virtual void InitLogic() = 0;
    virtual void DestroyLogic() = 0;
    virtual void ClickLogic(uint16_t controlId) = 0;
    // The control that stands for Escape and the close box.
    virtual uint16_t EscapeId() const = 0;
    // Once the logic has started: show, raise, activate.
    virtual void ShowOpened();
    // The logic has ended the dialog.
    void EndRun();

    // Runs one event into the logic unless the dialog has ended.
    template <typename Call>
    void Dispatch(Call call) {
        if (open) call();
    }

    void reject() override;

    BaseUnits units;
    LayoutWidgets widgets;

  private:
    // Between the logic's start and its end.
    bool attached = false;
    bool open = false;
};
