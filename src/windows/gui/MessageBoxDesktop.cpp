#include "MessageBoxDesktop.h"

#include <cstdio>
#include <cstring>

#include "HelpDialogHost.h"
#include "PortSettingsDialogHost.h"
#include "config/ProcessInfo.h"

void BaseNameOf(const char* path, char* out, size_t capacity) {
    if (capacity == 0) return;
    const char* name = std::strrchr(path, '\\');
    name = name != nullptr ? name + 1 : path;
    const char* dot = std::strrchr(name, '.');
    const size_t length = dot != nullptr ? static_cast<size_t>(dot - name) : std::strlen(name);
    std::snprintf(out, capacity, "%.*s", static_cast<int>(length), name);
}

MessageBoxDesktop::MessageBoxDesktop() {
    char path[MAX_PATH] = {};
    if (ReadModulePath(path, sizeof(path))) BaseNameOf(path, captionText, sizeof(captionText));
}

void MessageBoxDesktop::ShowMessage(const char* text) {
    // Owned by the always-on-top main window, so the box stays above it.
    MessageBoxA(owner, text, captionText, MB_ICONEXCLAMATION | MB_OK);
}

void MessageBoxDesktop::RunPortSettingsDialog(PortSettingsDialog& dialog) {
    PortSettingsDialogHost host(GetModuleHandleA(nullptr), dialog);
    host.Run(owner);
}

void MessageBoxDesktop::RunHelpWindow(HelpWindow& window) {
    HelpDialogHost host(GetModuleHandleA(nullptr), window);
    host.Run(owner);
}
