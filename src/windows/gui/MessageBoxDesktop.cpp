#include "MessageBoxDesktop.h"

#include <commdlg.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>

#include "HelpDialogHost.h"
#include "PortSettingsDialogHost.h"
#include "config/ProcessInfo.h"
#include "text/FormatFits.h"

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

std::string WithCrLf(const char* text, size_t length) {
    std::string result;
    result.reserve(length + length / 8);
    for (size_t i = 0; i < length; ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            result += "\r\n";
            if (c == '\r' && i + 1 < length && text[i + 1] == '\n') ++i;
        } else {
            result += c;
        }
    }
    return result;
}

bool MessageBoxDesktop::CopyToClipboard(const char* text, size_t length) {
    const std::string copied = WithCrLf(text, length);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, copied.size() + 1);
    if (memory == nullptr) return false;
    void* target = GlobalLock(memory);
    if (target == nullptr) {
        GlobalFree(memory);
        return false;
    }
    std::memcpy(target, copied.c_str(), copied.size() + 1);
    GlobalUnlock(memory);
    if (!OpenClipboard(owner)) {
        GlobalFree(memory);
        return false;
    }
    EmptyClipboard();
    // The clipboard owns the memory once it took it.
    const bool taken = SetClipboardData(CF_TEXT, memory) != nullptr;
    CloseClipboard();
    if (!taken) GlobalFree(memory);
    return taken;
}

namespace {

// Pairs of display text and pattern, the list ended by an empty text.
constexpr char kSaveFilter[] = "txt\0*.txt\0All\0*.*\0";
constexpr size_t kSaveNameCapacity = 256;
constexpr char kLogFileName[] = "LogFile.csv";
constexpr char kSharedLogPath[] = "C:\\LogFile.csv";

}  // namespace

SaveChoice MessageBoxDesktop::AskSaveFileName(const SaveFileRequest& request, char* path,
                                              size_t capacity) {
    char file[kSaveNameCapacity] = {};
    std::snprintf(file, sizeof(file), "%s", request.fileName);
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = GetForegroundWindow();
    dialog.lpstrFilter = kSaveFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof(file);
    dialog.lpstrInitialDir = request.folder[0] != '\0' ? request.folder : nullptr;
    dialog.lpstrTitle = request.title;
    dialog.lpstrDefExt = request.defaultExtension;
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_CREATEPROMPT;
    const bool chosen = GetSaveFileNameA(&dialog) != 0;
    // Read at once: the redraw below may run code that resets it.
    const DWORD problem = chosen ? 0 : CommDlgExtendedError();
    if (owner != nullptr) RedrawWindow(owner, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    // The user confirmed a path the buffer could not take.
    if (problem == FNERR_BUFFERTOOSMALL) return SaveChoice::TooLong;
    if (!chosen) return SaveChoice::Cancelled;
    const size_t length = std::strlen(file);
    if (length >= capacity) return SaveChoice::TooLong;
    std::memcpy(path, file, length + 1);
    return SaveChoice::Chosen;
}

// Only administrators may create files in the root of the system drive on
// current Windows versions: a standard user's log goes to the Documents folder.
LogFileLocation MessageBoxDesktop::LogFilePlace() const {
    if (documentsLogPath[0] == '\0') {
        char folder[MAX_PATH] = {};
        if (SUCCEEDED(
                SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, folder))) {
            FormatFits(documentsLogPath, sizeof(documentsLogPath), "%s\\%s", folder, kLogFileName);
        }
    }
    return {kSharedLogPath, TextForm::Windows1252CrLf, documentsLogPath};
}
