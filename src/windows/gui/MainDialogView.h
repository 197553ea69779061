#pragma once
#include <windows.h>

#include "window/MainView.h"

// The main window's controls behind the core's view seam: a Win32 dialog
// whose display is a rich-edit control. Every text goes into a control by
// selecting, scrolling the caret into view, clearing and replacing.
class MainDialogView : public MainView {
  public:
    MainDialogView(HINSTANCE instance, HWND dialog);
    ~MainDialogView() override;
    MainDialogView(const MainDialogView&) = delete;
    MainDialogView& operator=(const MainDialogView&) = delete;

    void SetFieldText(uint16_t controlId, const char* text) override;
    void DisplayClear() override;
    void DisplayAppend(const char* text, size_t length) override;
    void DisplayDeleteFront(size_t count) override;
    void DisplayClearUndo() override;
    size_t DisplayFirstVisibleCharacter() override;
    void SetDisplayBackground(Rgb colour) override;
    void SetLamp(LampColour colour) override;
    void SetChecked(uint16_t controlId, bool checked) override;
    bool IsChecked(uint16_t controlId) const override;
    void SetCaption(const char* caption) override;
    void SetAlwaysOnTop() override;
    void FocusDisplay() override;
    void ShowAndRaise() override;
    void Redraw() override;
    void StartTimer(uint16_t timerId, uint32_t periodMs) override;
    void StopTimer(uint16_t timerId) override;
    void EndWindow() override;

    // The lamp control paints its area with this brush and the one-pixel
    // image on top; some systems fill with the image's pixel, others with
    // the control's background, so both carry the lamp's colour.
    HWND LampControl() const { return lamp; }
    HBRUSH LampBrush() const;

  private:
    // Select [from, to), scroll the caret into view, clear, replace.
    void ReplaceRange(HWND control, LPARAM from, LPARAM to, const char* text);
    void DisplayCaretToEnd();

    static constexpr int kLampCount = 6;
    HWND dialog;
    HWND display;
    HWND lamp;
    HBITMAP lampBitmaps[kLampCount] = {};
    HBRUSH lampBrushes[kLampCount] = {};
    LampColour lampColour = LampColour::Black;
    // The display's length in characters, to address its end.
    size_t displayLength = 0;
};
