#include "window/Screenshot.h"

#include <cstdio>
#include <cstring>

#include "config/ClockText.h"
#include "config/FileSystem.h"
#include "text/CodePage1252.h"
#include "terminal/DisplayText.h"
#include "window/Desktop.h"
#include "window/MainView.h"
#include "window/StatusLine.h"

namespace {

constexpr char kCopiedText[] = "==== SCREENSHOT COPIED TO CLIPBOARD ====";

constexpr char kSavedText[] = "==== SAVE SCREEN TO FILE ====";
constexpr char kSaveFailedText[] = "ERROR: create ScreenSaveFile";
constexpr char kSaveNameFormat[] = "%s_quorvant_screenshot.txt";
constexpr char kSaveTitleFormat[] = "%s  SAVE screenshot file";
constexpr char kSaveDefaultExtension[] = "txt";
// A folder or name this long is refused before the dialog, and a chosen
// path whose name starts this far in after it.
constexpr size_t kSaveNameLimit = 256;
constexpr size_t kWriteBlock = 4096;

// The display's text as the platform writes text for people: the display's
// CR LF, lone CR and lone LF each end a line, in the form's own line end.
class TextWriter {
  public:
    TextWriter(FileSystem& files, FileSystem::Handle file, TextForm form)
        : files(files), file(file), form(form) {}

    bool Write(const char* text, size_t length) {
        for (size_t i = 0; i < length; ++i) {
            const char c = text[i];
            if (c == '\r' || c == '\n') {
                if (c == '\r' && i + 1 < length && text[i + 1] == '\n') ++i;
                if (form == TextForm::Windows1252CrLf) Put("\r\n", 2);
                if (form == TextForm::Utf8Lf) Put("\n", 1);
                continue;
            }
            if (form == TextForm::Windows1252CrLf) {
                Put(&c, 1);
                continue;
            }
            char utf8[CodePage1252::kMaxUtf8Length];
            Put(utf8, CodePage1252::ToUtf8(static_cast<uint8_t>(c), utf8));
        }
        Flush();
        return written;
    }

  private:
    void Put(const char* bytes, size_t length) {
        if (used + length > sizeof(block)) Flush();
        std::memcpy(block + used, bytes, length);
        used += length;
    }
    void Flush() {
        written = written && files.Write(file, block, used);
        used = 0;
    }

    FileSystem& files;
    FileSystem::Handle file;
    TextForm form;
    char block[kWriteBlock];
    size_t used = 0;
    bool written = true;
};

}  // namespace

Screenshot::Screenshot(AppPaths& appPaths, ClockText& clockText, MainView& view, Desktop& desktop,
                       StatusLine& statusLine, const ReceiveDisplay& display, FileSystem& files)
    : appPaths(appPaths),
      clockText(clockText),
      view(view),
      desktop(desktop),
      statusLine(statusLine),
      display(display),
      files(files) {}

// Not the program's folder: an installed program's is a system one the user
// cannot write. The platform says where instead.
void Screenshot::Reset() {
    std::snprintf(saveFolder, sizeof(saveFolder), "%s", appPaths.SaveDirectory());
    saveFileName[0] = '\0';
}

// From the first visible line to the end, also when the user scrolled up and
// lines below the view exist. The message says so only when it happened.
void Screenshot::Copy() {
    const DisplayText& text = display.Text();
    size_t start = text.FirstVisibleOffset();
    if (start > text.Length()) start = text.Length();
    if (desktop.CopyToClipboard(text.Data() + start, text.Length() - start)) {
        statusLine.ShowHeld(kCopiedText, kMessageHoldTicks);
    }
    view.FocusDisplay();
}

void Screenshot::Save(bool streamOn) {
    view.FocusDisplay();
    if (streamOn) return;
    std::snprintf(saveFileName, sizeof(saveFileName), kSaveNameFormat,
                  clockText.CompactTimestamp());
    char title[AppPaths::kPathCapacity + 32];
    std::snprintf(title, sizeof(title), kSaveTitleFormat, appPaths.ProgramFileName());
    const SaveChoice choice = AskSaveFileName(title);
    view.Redraw();
    view.FocusDisplay();
    if (choice == SaveChoice::Cancelled) return;
    if (choice == SaveChoice::TooLong) {
        // The user confirmed a file: nothing written must not pass in silence.
        ReportSaveFailure();
        return;
    }

    // Both parts are shorter than the limit, so the path fits.
    char path[2 * AppPaths::kPathCapacity];
    std::snprintf(path, sizeof(path), "%s%s", saveFolder, saveFileName);
    if (!WriteFile(path)) {
        ReportSaveFailure();
        return;
    }
    statusLine.ShowHeld(kSavedText, kMessageHoldTicks);
}

// The dialog asked before an existing file is replaced; what it cannot tell
// a file from (a FIFO, which would hold the window until someone reads it, a
// link, dangling or not, planted at the name) is refused here.
bool Screenshot::WriteFile(const char* path) {
    FileSystem::Refusal why = FileSystem::Refusal::None;
    const FileSystem::Handle file = files.OpenToReplace(path, why);
    if (file == FileSystem::kNoFile) return false;
    const DisplayText& text = display.Text();
    TextWriter writer(files, file, desktop.ScreenshotForm());
    const bool written = writer.Write(text.Data(), text.Length());
    return files.Close(file) && written;
}

void Screenshot::ReportSaveFailure() {
    desktop.ShowMessage(kSaveFailedText);
    view.Redraw();
    view.FocusDisplay();
}

SaveChoice Screenshot::AskSaveFileName(const char* title) {
    if (std::strlen(saveFolder) >= kSaveNameLimit || std::strlen(saveFileName) >= kSaveNameLimit) {
        ForgetSaveFolder();
        return SaveChoice::Cancelled;
    }
    const char* extension = appPaths.FileExtension(saveFileName);
    if (extension[0] == '\0') extension = kSaveDefaultExtension;
    const SaveFileRequest request{saveFolder, saveFileName, extension, title};
    char path[2 * AppPaths::kPathCapacity] = {};
    const SaveChoice choice = desktop.AskSaveFileName(request, path, sizeof(path));
    if (choice == SaveChoice::Cancelled) {
        // The next dialog opens where the platform likes.
        ForgetSaveFolder();
        return choice;
    }
    // A path too long to keep leaves the folder of the last save in place.
    if (choice == SaveChoice::TooLong) return choice;
    const char* separator = std::strrchr(path, appPaths.Separator());
    const size_t nameStart = separator != nullptr ? static_cast<size_t>(separator - path) + 1 : 0;
    const size_t nameLength = std::strlen(path + nameStart);
    if (nameLength == 0) {
        ForgetSaveFolder();
        return SaveChoice::Cancelled;
    }
    if (nameStart >= kSaveNameLimit || nameLength >= sizeof(saveFileName)) {
        return SaveChoice::TooLong;
    }
    std::snprintf(saveFolder, sizeof(saveFolder), "%.*s", static_cast<int>(nameStart), path);
    std::snprintf(saveFileName, sizeof(saveFileName), "%s", path + nameStart);
    return SaveChoice::Chosen;
}

void Screenshot::ForgetSaveFolder() {
    saveFolder[0] = '\0';
    saveFileName[0] = '\0';
}
