#pragma once
// The desktop without a screen: message boxes are recorded and confirmed at
// once; the port settings dialog runs on a recording view, played by a
// script, or left with ESCAPE at once when there is none.
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "FakeHelpView.h"
#include "FakePortSettingsView.h"
#include "help/HelpWindow.h"
#include "serial/PortSettingsDialog.h"
#include "window/Desktop.h"

class FakeDesktop : public Desktop {
  public:
    using PortDialogScript = std::function<void(PortSettingsDialog&, FakePortSettingsView&)>;
    using HelpScript = std::function<void(HelpWindow&, FakeHelpView&)>;

    // When set, each message is also noted here as "message <text>", and each
    // run of the port settings dialog as "port dialog <request>".
    std::vector<std::string>* journal = nullptr;

    void ShowMessage(const char* text) override {
        messages.emplace_back(text);
        if (journal != nullptr) journal->push_back(std::string("message ") + text);
        // Runs while the box is shown, as the user and the timers would.
        if (messageScript) messageScript();
    }

    void RunPortSettingsDialog(PortSettingsDialog& dialog) override {
        ++portDialogRuns;
        if (journal != nullptr) {
            journal->push_back(std::string("port dialog ") + dialog.InputText().text);
        }
        FakePortSettingsView dialogView;
        dialog.InitDialog(dialogView);
        if (portDialogScript) {
            portDialogScript(dialog, dialogView);
        } else {
            dialog.OnClicked(PortControl::kEscape);
        }
        dialog.OnDestroy();
        lastPortView = dialogView;
    }

    // The help window opens with the focus on its hint line, plays the
    // script and closes with ESCAPE.
    void RunHelpWindow(HelpWindow& window) override {
        ++helpRuns;
        if (journal != nullptr) journal->push_back("help window");
        FakeHelpView helpView;
        window.InitDialog(helpView);
        window.OnFocus(HelpControl::kHint);
        if (helpScript) helpScript(window, helpView);
        window.OnClicked(HelpControl::kEscape);
        window.OnDestroy();
        lastHelpView = helpView;
    }

    bool CopyToClipboard(const char* text, size_t length) override {
        if (!clipboardWorks) return false;
        clipboard.assign(text, length);
        ++copies;
        return true;
    }

    // The save dialog answers with saveAnswer, or is cancelled when it is
    // empty; each request is kept as "folder|name|extension|title".
    SaveChoice AskSaveFileName(const SaveFileRequest& request, char* path,
                               size_t capacity) override {
        saveRequests.push_back(std::string(request.folder) + "|" + request.fileName + "|" +
                               request.defaultExtension + "|" + request.title);
        if (saveDialogScript) saveDialogScript();
        if (saveAnswer.empty()) return SaveChoice::Cancelled;
        if (saveAnswer.size() >= capacity) return SaveChoice::TooLong;
        std::memcpy(path, saveAnswer.c_str(), saveAnswer.size() + 1);
        return SaveChoice::Chosen;
    }
    TextForm ScreenshotForm() const override { return screenshotForm; }

    // The log file's place: none unless a test gives one.
    LogFileLocation LogFilePlace() const override {
        return {logPath.c_str(), logForm, logSparePath.c_str()};
    }

    std::vector<std::string> messages;
    std::function<void()> messageScript;
    std::string logPath;
    std::string logSparePath;
    TextForm logForm = TextForm::Utf8Lf;
    std::vector<std::string> saveRequests;
    std::string saveAnswer;
    std::function<void()> saveDialogScript;
    TextForm screenshotForm = TextForm::Windows1252CrLf;
    std::string clipboard;
    bool clipboardWorks = true;
    int copies = 0;
    PortDialogScript portDialogScript;
    HelpScript helpScript;
    int helpRuns = 0;
    FakeHelpView lastHelpView;
    int portDialogRuns = 0;
    FakePortSettingsView lastPortView;
};
