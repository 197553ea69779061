#pragma once
#include <QDialog>

#include "help/HelpView.h"
#include "qt/DialogUnits.h"
#include "qt/LayoutWidgets.h"

class HelpWindow;
class QPlainTextEdit;

// The help window on Qt Widgets, built from the layout data. It draws what the
// help logic tells it and reports clicks, the hint line's focus and the keys
// that end it: Escape and the close box always, Return outside the help text
// (inside it Return is a line break).
class QtHelpDialog final : public QDialog, public HelpView {
  public:
    QtHelpDialog(HelpWindow& logic, QWidget* owner);
    ~QtHelpDialog() override;

    // Opens the dialog modally and returns when it has closed.
    void Run();
    // The two halves of Run, for tests that act while the dialog is shown.
    void Open();
    void Close();

    // HelpView
    void ShowHelpText(const char* text, Rgb background) override;
    void SetHintText(const char* text) override;
    void SetChecked(uint16_t controlId, bool checked) override;
    void FocusHelpText() override;
    void CopyHelpText() override;
    void EndDialog() override;

    QWidget* Control(uint16_t controlId) const { return widgets.Control(controlId); }
    QPlainTextEdit* HelpTextControl() const;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    template <typename Call>
    void Dispatch(Call call);

    HelpWindow& logic;
    BaseUnits units;
    LayoutWidgets widgets;
    bool attached = false;
    bool open = false;
};
