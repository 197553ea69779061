// Looks into the running main window from another process, the way any
// program may: the end-to-end test asks it for a control's text, check state
// or screen rectangle, and waits here for a text or state to arrive. It also
// starts programs on a desktop of their own.
//
//   window_probe DESKTOP run COMMAND_LINE           run it on DESKTOP; its exit code
//   window_probe DESKTOP text  ID TIMEOUT_MS HEX    wait until the text holds the
//                                                   needle; prints the text
//   window_probe DESKTOP check ID TIMEOUT_MS 0|1    wait for that check state
//   window_probe DESKTOP rect  ID TIMEOUT_MS        prints "left top right bottom"
//   window_probe DESKTOP endsession 0 TIMEOUT_MS    tells the main window that
//                                                   the session ends, as a logout
//                                                   does
//
// ID is a control of the main window, "port:ID" one of the port settings
// dialog or "help:ID" one of the help window (whose ids overlap the main
// window's).
//
// A desktop of its own keeps a test's windows away from Wine's default
// desktop, whose display belongs to whichever program first started it
// (possibly one without any display). Exit code 0 on success, 1 when the wait
// timed out, 2 without the window, 3 on bad arguments, 4 when the desktop or
// the program cannot be had.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr char kTitlePrefix[] = "QUORVANTVIEW";
constexpr char kPortDialogTitle[] = "Serial Port Settings";
constexpr char kPortDialogMark[] = "port:";
constexpr char kHelpWindowTitle[] = "help window";
constexpr char kHelpWindowMark[] = "help:";
constexpr DWORD kPollMs = 50;
constexpr UINT kAnswerTimeoutMs = 2000;

// The window whose title begins with the prefix asked for.
struct TitleSearch {
    const char* prefix;
    HWND found;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM search) {
    auto* wanted = reinterpret_cast<TitleSearch*>(search);
    char title[256] = {};
    GetWindowTextA(window, title, sizeof(title));
    if (std::strncmp(title, wanted->prefix, std::strlen(wanted->prefix)) != 0) return TRUE;
    wanted->found = window;
    return FALSE;
}

// A control: the window whose title begins with windowTitle, and its id.
struct ControlRef {
    const char* windowTitle;
    int id;
};

ControlRef ParseControl(const char* text) {
    const size_t markLength = sizeof(kPortDialogMark) - 1;
    if (std::strncmp(text, kPortDialogMark, markLength) == 0) {
        return {kPortDialogTitle, std::atoi(text + markLength)};
    }
    const size_t helpMarkLength = sizeof(kHelpWindowMark) - 1;
    if (std::strncmp(text, kHelpWindowMark, helpMarkLength) == 0) {
        return {kHelpWindowTitle, std::atoi(text + helpMarkLength)};
    }
    return {kTitlePrefix, std::atoi(text)};
}

HWND FindControl(const ControlRef& control) {
    TitleSearch search{control.windowTitle, nullptr};
    EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr ? GetDlgItem(search.found, control.id) : nullptr;
}

bool ReadText(HWND control, std::string& text) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs,
                             &length)) {
        return false;
    }
    text.assign(length + 1, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(control, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0]),
                             SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &copied)) {
        return false;
    }
    text.resize(copied);
    return true;
}

bool ParseHex(const char* hex, std::string& out) {
    const size_t length = std::strlen(hex);
    if (length % 2 != 0) return false;
    for (size_t i = 0; i < length; i += 2) {
        char pair[3] = {hex[i], hex[i + 1], '\0'};
        char* end = nullptr;
        const long value = std::strtol(pair, &end, 16);
        if (end != pair + 2) return false;
        out.push_back(static_cast<char>(value));
    }
    return true;
}

// Runs check until it holds or the time is up; 2 while the control is missing.
template <typename Check>
int WaitFor(const ControlRef& id, DWORD timeoutMs, Check check) {
    const DWORD start = GetTickCount();
    int result = 2;
    for (;;) {
        HWND control = FindControl(id);
        if (control != nullptr) {
            result = check(control) ? 0 : 1;
            if (result == 0) return 0;
        }
        if (GetTickCount() - start >= timeoutMs) return result;
        Sleep(kPollMs);
    }
}

int RunOnDesktop(const char* desktop, const char* commandLine) {
    std::string line = commandLine;
    std::string desktopName = desktop;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.lpDesktop = &desktopName[0];
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return 4;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 4;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

}  // namespace

int main(int argc, char** argv) {
    // The text goes out byte for byte, line ends included.
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc == 4 && std::strcmp(argv[2], "run") == 0) return RunOnDesktop(argv[1], argv[3]);
    if (argc < 5) return 3;
    // Windows are found only on the thread's own desktop.
    HDESK desktop = OpenDesktopA(argv[1], 0, FALSE, GENERIC_ALL);
    if (desktop == nullptr || !SetThreadDesktop(desktop)) return 4;
    ++argv;
    --argc;
    const char* command = argv[1];
    const ControlRef id = ParseControl(argv[2]);
    const DWORD timeoutMs = static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10));

    if (std::strcmp(command, "text") == 0 && argc == 5) {
        std::string needle;
        if (!ParseHex(argv[4], needle)) return 3;
        std::string text;
        const int result = WaitFor(id, timeoutMs, [&](HWND control) {
            return ReadText(control, text) && text.find(needle) != std::string::npos;
        });
        std::fwrite(text.data(), 1, text.size(), stdout);
        return result;
    }
    if (std::strcmp(command, "check") == 0 && argc == 5) {
        const LRESULT wanted = std::atoi(argv[4]) != 0 ? BST_CHECKED : BST_UNCHECKED;
        return WaitFor(id, timeoutMs, [&](HWND control) {
            DWORD_PTR state = 0;
            return SendMessageTimeoutA(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG,
                                       kAnswerTimeoutMs, &state) != 0 &&
                   static_cast<LRESULT>(state) == wanted;
        });
    }
    if (std::strcmp(command, "endsession") == 0 && argc == 4) {
        TitleSearch search{kTitlePrefix, nullptr};
        EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr) return 2;
        DWORD_PTR answer = 0;
        if (!SendMessageTimeoutA(search.found, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF,
                                 SMTO_ABORTIFHUNG, timeoutMs, &answer) ||
            !SendMessageTimeoutA(search.found, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF,
                                 SMTO_ABORTIFHUNG, timeoutMs, &answer)) {
            return 1;
        }
        return 0;
    }
    if (std::strcmp(command, "rect") == 0 && argc == 4) {
        RECT rect{};
        const int result = WaitFor(
            id, timeoutMs, [&](HWND control) { return GetWindowRect(control, &rect) != 0; });
        if (result == 0)
            std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
        return result;
    }
    return 3;
}
