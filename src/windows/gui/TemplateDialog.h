#pragma once
#include <windows.h>

#include "DialogTemplate.h"

// A dialog built from layout data into an in-memory template, run modally
// over its owner, or created without a loop of its own for tests that send it
// messages (then destroyed with this object). Subclasses answer the messages;
// this class ties the window to the object and ends it.
class TemplateDialog {
  public:
    TemplateDialog(HINSTANCE instance, const DialogLayout& layout, const char* richEditClass);
    virtual ~TemplateDialog();
    TemplateDialog(const TemplateDialog&) = delete;
    TemplateDialog& operator=(const TemplateDialog&) = delete;

    // Returns when the dialog has closed.
    void Run(HWND owner);
    HWND Create(HWND owner);
    // The logic has ended the dialog.
    bool Ended() const { return ended; }

  protected:
    // The window and its controls exist.
    virtual void OnInitDialog() = 0;
    // Every message after WM_INITDIALOG but WM_DESTROY.
    virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual void OnDestroy() = 0;
    // Closes a modal run; a created dialog only notes it.
    void EndRun();
    // Destroys a created dialog while the subclass can still answer its
    // last messages; each subclass's destructor calls it.
    void DestroyCreated();

    HWND dialog = nullptr;
    bool ended = false;

  private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HINSTANCE instance;
    const DialogTemplate dialogTemplate;
    bool modal = false;
};
