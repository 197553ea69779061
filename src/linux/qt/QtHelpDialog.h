#pragma once
#include "help/HelpView.h"
#include "qt/LogicDialog.h"

class HelpWindow;
class QPlainTextEdit;

// The help window on Qt Widgets, built from the layout data. It draws what the
// help logic tells it and reports clicks, the hint line's focus and the keys
// that end it: Escape and the close box always, Return outside the help text
// (inside it Return is a line break).
class QtHelpDialog final : public LogicDialog, public HelpView {
  public:
    QtHelpDialog(HelpWindow& logic, QWidget* owner);
    ~QtHelpDialog() override;

    // HelpView
    void ShowHelpText(const char* text, Rgb background) override;
    void SetHintText(const char* text) override;
    void SetChecked(uint16_t controlId, bool checked) override;
    void FocusHelpText() override;
    void CopyHelpText() override;
    void EndDialog() override;

    QPlainTextEdit* HelpTextControl() const;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void InitLogic() override;
    void DestroyLogic() override;
    void ClickLogic(uint16_t controlId) override;
    uint16_t EscapeId() const override;
    void ShowOpened() override;

    HelpWindow& logic;
};
