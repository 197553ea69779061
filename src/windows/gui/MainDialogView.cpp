#include "MainDialogView.h"

#include <richedit.h>

#include <iterator>

#include "RichEditColours.h"

namespace {

// Loaded in this order; the index of a colour is its resource id minus 131.
constexpr LampColour kLampLoadOrder[] = {LampColour::Grey, LampColour::Green,   LampColour::Yellow,
                                         LampColour::Red,  LampColour::Magenta, LampColour::Black};
constexpr uint16_t kFirstLampResource = static_cast<uint16_t>(LampColour::Yellow);
// The core trims the display itself; the control must never refuse text
// before it does.
constexpr LPARAM kDisplayTextLimit = 0x7FFFFFFE;

int LampIndex(LampColour colour) {
    return static_cast<int>(static_cast<uint16_t>(colour) - kFirstLampResource);
}

bool IsLampColour(LampColour colour) {
    const int index = LampIndex(colour);
    return index >= 0 && index < static_cast<int>(std::size(kLampLoadOrder));
}

}  // namespace

MainDialogView::MainDialogView(HINSTANCE instance, HWND dialogWindow)
    : dialog(dialogWindow),
      display(GetDlgItem(dialogWindow, MainControl::kDisplay)),
      lamp(GetDlgItem(dialogWindow, MainControl::kLamp)) {
    for (LampColour colour : kLampLoadOrder) {
        const int index = LampIndex(colour);
        lampBitmaps[index] = static_cast<HBITMAP>(
            LoadImageA(instance, MAKEINTRESOURCEA(static_cast<uint16_t>(colour)), IMAGE_BITMAP, 0,
                       0, LR_DEFAULTCOLOR));
        const Rgb rgb = LampRgb(colour);
        lampBrushes[index] = CreateSolidBrush(RGB(rgb.red, rgb.green, rgb.blue));
    }
    SendMessageA(display, EM_EXLIMITTEXT, 0, kDisplayTextLimit);
}

MainDialogView::~MainDialogView() {
    if (IsWindow(lamp)) SendMessageA(lamp, STM_SETIMAGE, IMAGE_BITMAP, 0);
    for (HBITMAP bitmap : lampBitmaps) {
        if (bitmap != nullptr) DeleteObject(bitmap);
    }
    for (HBRUSH brush : lampBrushes) {
        if (brush != nullptr) DeleteObject(brush);
    }
}

void MainDialogView::ReplaceRange(HWND control, LPARAM from, LPARAM to, const char* text) {
    SendMessageA(control, EM_SETSEL, static_cast<WPARAM>(from), to);
    SendMessageA(control, EM_SCROLLCARET, 0, 0);
    SendMessageA(control, WM_CLEAR, 0, 0);
    SendMessageA(control, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
}

void MainDialogView::SetFieldText(uint16_t controlId, const char* text) {
    HWND field = GetDlgItem(dialog, controlId);
    if (field == nullptr) return;
    ReplaceRange(field, 0, -1, text != nullptr ? text : "");
}

void MainDialogView::DisplayClear() {
    displayLength = 0;
    ReplaceRange(display, 0, -1, "");
}

void MainDialogView::DisplayAppend(const char* text, size_t length) {
    if (text == nullptr || length == 0) return;
    const LPARAM end = static_cast<LPARAM>(displayLength);
    displayLength += length;
    ReplaceRange(display, end, end, text);
}

void MainDialogView::DisplayDeleteFront(size_t count) {
    if (count > displayLength) count = displayLength;
    displayLength -= count;
    if (count > 0) ReplaceRange(display, 0, static_cast<LPARAM>(count), "");
    DisplayCaretToEnd();
}

void MainDialogView::DisplayCaretToEnd() {
    const LPARAM end = static_cast<LPARAM>(displayLength);
    ReplaceRange(display, end, end, "");
}

void MainDialogView::DisplayClearUndo() {
    SendMessageA(display, EM_EMPTYUNDOBUFFER, 0, 0);
}

size_t MainDialogView::DisplayFirstVisibleCharacter() {
    const LRESULT line = SendMessageA(display, EM_GETFIRSTVISIBLELINE, 0, 0);
    const LRESULT index = SendMessageA(display, EM_LINEINDEX, static_cast<WPARAM>(line), 0);
    return index < 0 ? 0 : static_cast<size_t>(index);
}

void MainDialogView::SetDisplayBackground(Rgb colour) {
    SetRichEditColours(display, colour);
}

HBRUSH MainDialogView::LampBrush() const {
    return lampBrushes[LampIndex(lampColour)];
}

void MainDialogView::SetLamp(LampColour colour) {
    if (!IsLampColour(colour)) return;
    HBITMAP bitmap = lampBitmaps[LampIndex(colour)];
    if (bitmap == nullptr || lamp == nullptr) return;
    lampColour = colour;
    HBITMAP previous = reinterpret_cast<HBITMAP>(
        SendMessageA(lamp, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    // The template's first image was loaded by the control itself and is
    // nobody else's to free.
    bool ours = previous == nullptr;
    for (HBITMAP own : lampBitmaps) ours = ours || previous == own;
    if (!ours) DeleteObject(previous);
}

void MainDialogView::SetChecked(uint16_t controlId, bool checked) {
    SendDlgItemMessageA(dialog, controlId, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool MainDialogView::IsChecked(uint16_t controlId) const {
    return SendDlgItemMessageA(dialog, controlId, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void MainDialogView::SetCaption(const char* caption) {
    SetWindowTextA(dialog, caption);
}

void MainDialogView::SetAlwaysOnTop() {
    SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void MainDialogView::FocusDisplay() {
    SetFocus(display);
}

void MainDialogView::ShowAndRaise() {
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    BringWindowToTop(dialog);
    ShowWindow(dialog, SW_SHOWNORMAL);
}

void MainDialogView::Redraw() {
    RedrawWindow(dialog, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void MainDialogView::StartTimer(uint16_t timerId, uint32_t periodMs) {
    SetTimer(dialog, timerId, periodMs, nullptr);
}

void MainDialogView::StopTimer(uint16_t timerId) {
    KillTimer(dialog, timerId);
}

void MainDialogView::EndWindow() {
    EndDialog(dialog, IDCANCEL);
}
