#include "MainWindowHost.h"

#include <commctrl.h>

#include "DialogTemplate.h"
#include "Win32Keys.h"

MainWindowHost* MainWindowHost::running = nullptr;

namespace {

constexpr char kRichEditLibrary[] = "Msftedit.dll";
constexpr char kRichEditClass[] = "RICHEDIT50W";
constexpr char kNoWindowMessage[] = "ERROR: create main window";

}  // namespace

MainWindowHost::MainWindowHost(HINSTANCE instance, MessageBoxDesktop& desktop)
    : instance(instance), desktop(desktop) {}

MainWindowHost::~MainWindowHost() {
    if (icon != nullptr) DestroyIcon(icon);
    if (smallIcon != nullptr) DestroyIcon(smallIcon);
}

void MainWindowHost::RunMainWindow(TerminalApp& application) {
    app = &application;
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    // The dialog cannot be created without the display's window class.
    HMODULE richEdit = LoadLibraryA(kRichEditLibrary);

    const DialogTemplate dialogTemplate(MainDialogLayout(), kRichEditClass);
    HHOOK hook = SetWindowsHookExA(WH_MSGFILTER, MessageFilter, nullptr, GetCurrentThreadId());
    running = this;
    const INT_PTR result =
        DialogBoxIndirectParamA(instance, static_cast<LPCDLGTEMPLATEA>(dialogTemplate.Data()),
                                nullptr, DialogProc, reinterpret_cast<LPARAM>(this));
    running = nullptr;
    if (hook != nullptr) UnhookWindowsHookEx(hook);

    terminal.reset();
    view.reset();
    desktop.SetOwner(nullptr);
    if (result == -1 && window == nullptr) desktop.ShowMessage(kNoWindowMessage);
    window = nullptr;
    if (richEdit != nullptr) FreeLibrary(richEdit);
}

INT_PTR CALLBACK MainWindowHost::DialogProc(HWND dialog, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* host = reinterpret_cast<MainWindowHost*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        host->InitDialog(dialog);
        return FALSE;  // the start-up has put the focus where it belongs
    }
    auto* host = reinterpret_cast<MainWindowHost*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (host == nullptr || host->terminal == nullptr) return FALSE;
    return host->HandleMessage(message, wParam, lParam);
}

void MainWindowHost::InitDialog(HWND dialog) {
    window = dialog;
    view = std::make_unique<MainDialogView>(instance, dialog);
    desktop.SetOwner(dialog);
    icon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(kIconResource), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON),
                                         LR_DEFAULTCOLOR));
    smallIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(kIconResource), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON),
                                              GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
    terminal = std::make_unique<TerminalWindow>(app->Services(), *view, desktop);
    // Runs before the dialog is first shown, so that a failed port open shows
    // its message box before the window appears.
    terminal->InitWindow();
}

INT_PTR MainWindowHost::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            terminal->OnTimer(static_cast<uint16_t>(wParam));
            return FALSE;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_CLOSE:
            terminal->CloseWindow();
            return TRUE;
        case WM_ENDSESSION:
            // A logout or shutdown ends the process once this returns, before
            // the dialog could be destroyed: the closing steps run here, as
            // for the close box, and the teardown with them.
            if (wParam != FALSE) {
                terminal->CloseWindow();
                terminal->TearDown();
            }
            return TRUE;
        case WM_HELP:
            terminal->OnHelpRequest();
            return TRUE;
        case WM_PAINT:
            if (!IsIconic(window)) return FALSE;
            PaintWindow();
            return TRUE;
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(lParam) != view->LampControl()) return FALSE;
            return reinterpret_cast<INT_PTR>(view->LampBrush());
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(icon);
        case WM_DESTROY:
            terminal->TearDown();
            return FALSE;
        default:
            break;
    }
    return FALSE;
}

void MainWindowHost::OnCommand(uint16_t id, uint16_t notification) {
    if (id == IDOK || id == IDCANCEL) {
        terminal->CloseWindow();
        return;
    }
    if (notification == BN_CLICKED && FindControl(MainDialogLayout(), id) != nullptr) {
        terminal->OnClicked(id);
    } else if (notification == EN_SETFOCUS &&
               (id == MainControl::kSettingsField || id == MainControl::kStatusLine)) {
        terminal->OnFocus(id);
    }
}

void MainWindowHost::PaintWindow() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    SendMessageA(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(window, &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, icon);
    EndPaint(window, &paint);
}

LRESULT CALLBACK MainWindowHost::MessageFilter(int code, WPARAM wParam, LPARAM lParam) {
    if (code == MSGF_DIALOGBOX && running != nullptr &&
        running->FilterKey(*reinterpret_cast<const MSG*>(lParam))) {
        return TRUE;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool MainWindowHost::FilterKey(const MSG& message) {
    if (terminal == nullptr || window == nullptr || !IsFilteredKeyMessage(message.message)) {
        return false;
    }
    // Other modal loops (message boxes, the other dialogs) pass here too.
    if (message.hwnd != window && !IsChild(window, message.hwnd)) return false;
    const KeyMessage key = KeyMessageOf(message.message, message.wParam, message.lParam);
    return terminal->KeyFilter(key, KeyboardStateFor(key)) == KeyResult::Handled;
}
