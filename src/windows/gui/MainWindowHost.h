#pragma once
#include <windows.h>

#include <memory>

#include "MainDialogView.h"
#include "MessageBoxDesktop.h"
#include "app/TerminalApp.h"
#include "window/TerminalWindow.h"

// Runs the main window as a modal Win32 dialog built from the layout data.
// Every key and wheel message of the window and its controls reaches the
// core's key filter before the dialog manager sees it, through a message
// filter hook on the modal loop.
class MainWindowHost : public WindowHost {
  public:
    MainWindowHost(HINSTANCE instance, MessageBoxDesktop& desktop);
    ~MainWindowHost() override;
    MainWindowHost(const MainWindowHost&) = delete;
    MainWindowHost& operator=(const MainWindowHost&) = delete;

    void RunMainWindow(TerminalApp& app) override;

  private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK MessageFilter(int code, WPARAM wParam, LPARAM lParam);

    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void InitDialog(HWND dialog);
    bool FilterKey(const MSG& message);
    void OnCommand(uint16_t id, uint16_t notification);
    void PaintWindow();

    HINSTANCE instance;
    MessageBoxDesktop& desktop;
    TerminalApp* app = nullptr;
    HWND window = nullptr;
    HICON icon = nullptr;
    HICON smallIcon = nullptr;
    std::unique_ptr<MainDialogView> view;
    std::unique_ptr<TerminalWindow> terminal;

    // The hook has no context of its own; there is one main window.
    static MainWindowHost* running;
};
