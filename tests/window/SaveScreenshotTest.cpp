// The save button: the proposed name, the dialog's request, the folder it
// remembers or forgets, the file written and the failures.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "WindowRig.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using namespace window_test;

constexpr char kSaved[] = "==== SAVE SCREEN TO FILE ====";
constexpr char kProposed[] = "261206061000_quorvant_screenshot.txt";

struct SaveRig : WindowRig {
    SaveRig() {
        Start();
        device.Feed("line one\r\n\xE4\x80\xFC end");
        Tick();
    }
    std::string Folder() const { return app.appPaths.ProgramDirectory(); }
    // The path the user picks, in a folder of the scratch folder (made when
    // made is true).
    std::string In(const std::string& folderName, const std::string& name, bool made = true) {
        const std::string path = folder.Join(folderName);
        if (made) std::filesystem::create_directories(path);
        return path + kPathSeparator + name;
    }
    static std::string Read(const std::string& path) {
        std::string bytes;
        if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
            char block[256];
            for (size_t n; (n = std::fread(block, 1, sizeof(block), f)) > 0;)
                bytes.append(block, n);
            std::fclose(f);
        }
        return bytes;
    }
    static size_t Entries(const std::string& path) {
        std::error_code error;
        size_t count = 0;
        for (std::filesystem::directory_iterator entry(path, error), end; !error && entry != end;
             entry.increment(error)) {
            ++count;
        }
        return count;
    }
    void Save() {
        Click(C::kSave);
        Tick();
    }
};

TEST(SaveScreenshot, ProposesTheTimeNamedFileInTheProgramFolderAndWritesTheDisplay) {
    SaveRig rig;
    const std::string chosen = rig.In("elsewhere", "x.txt");
    rig.desktop.saveAnswer = chosen;
    rig.Save();
    const std::string title = std::string(kProgramFileName) + "  SAVE screenshot file";
    ASSERT_EQ(rig.desktop.saveRequests.size(), 1u);
    EXPECT_EQ(rig.desktop.saveRequests[0], rig.Folder() + "|" + kProposed + "|txt|" + title);
    // The display's bytes as they are, in the platform's form of text.
    EXPECT_EQ(rig.Read(chosen), "line one\r\n\xE4\x80\xFC end");
    EXPECT_EQ(rig.view.Status(), kSaved);

    // The next dialog opens where the last file went.
    rig.desktop.saveAnswer.clear();
    rig.Tick(25);
    rig.Save();
    const std::string elsewhere = rig.folder.Join("elsewhere") + kPathSeparator;
    EXPECT_EQ(rig.desktop.saveRequests[1].substr(0, elsewhere.size()), elsewhere);
    EXPECT_EQ(rig.Entries(elsewhere), 1u);
    EXPECT_NE(rig.view.Status(), kSaved);
    // A cancel forgets the folder: the platform chooses the next time.
    rig.Save();
    EXPECT_EQ(rig.desktop.saveRequests[2].substr(0, 1), "|");
}

// An installed program's platform names another first folder than the
// program's own (the Linux one: the home folder rather than the hidden
// configuration folder); the first dialog opens there.
TEST(SaveScreenshot, TheFirstDialogOpensInTheFolderThePlatformNames) {
    ScratchFolder folder;
    const std::string modulePath = folder.Join(kProgramFileName);
    const std::string home = folder.Join("home") + kPathSeparator;
    FakeCommDevice device{1};
    FixedClock clock;
    PlatformServices services{device,     clock,          modulePath.c_str(),
                              "quorvant", kPathSeparator, kKeepModulePathCase,
                              nullptr,    nullptr,        home.c_str()};
    TerminalApp app{services};
    FakeMainView view;
    FakeDesktop desktop;
    TerminalWindow window{app.Services(), view, desktop};
    window.InitWindow();
    window.OnClicked(C::kSave);
    window.OnTimer(kPollTimerId);
    ASSERT_EQ(desktop.saveRequests.size(), 1u);
    EXPECT_EQ(desktop.saveRequests[0].substr(0, home.size() + 1), home + "|");
}

TEST(SaveScreenshot, CancelOrAPathWithoutANameWritesNothingAndForgetsTheFolder) {
    for (const std::string& answer : {std::string("dir") + kPathSeparator, std::string()}) {
        SCOPED_TRACE(answer);
        SaveRig rig;
        const size_t before = rig.Entries(rig.folder.Path());
        rig.desktop.saveAnswer = answer;
        rig.Save();
        EXPECT_EQ(rig.Entries(rig.folder.Path()), before);
        EXPECT_TRUE(rig.desktop.messages.empty());
        EXPECT_NE(rig.view.Status(), kSaved);
        // Both texts are emptied: the next dialog gets no folder.
        rig.Save();
        EXPECT_EQ(rig.desktop.saveRequests.back().substr(0, 1), "|");
    }
}

// A confirmed file that cannot be kept must not vanish in silence: the box
// says so, and the next dialog opens where the last one did.
TEST(SaveScreenshot, AConfirmedPathTooLongToHoldSaysSo) {
    const std::string tooLong[] = {
        std::string(256, 'd') + kPathSeparator + "x.txt",  // the name starts beyond 256
        std::string(800, 'd') + kPathSeparator + "x.txt",  // beyond the path buffer
    };
    for (const std::string& answer : tooLong) {
        SaveRig rig;
        const size_t before = rig.Entries(rig.folder.Path());
        rig.desktop.saveAnswer = answer;
        rig.Save();
        EXPECT_EQ(rig.Entries(rig.folder.Path()), before);
        EXPECT_EQ(rig.desktop.messages, (std::vector<std::string>{"ERROR: create ScreenSaveFile"}));
        EXPECT_NE(rig.view.Status(), kSaved);
        rig.Save();
        EXPECT_EQ(rig.desktop.saveRequests.back(), rig.desktop.saveRequests.front());
    }
    // A name that starts just before 256 is taken: the next dialog opens in
    // its folder.
    SaveRig rig;
    const std::string folder = std::string(254, 'd') + kPathSeparator;
    rig.desktop.saveAnswer = folder + "x.txt";
    rig.Save();
    rig.desktop.saveAnswer.clear();
    rig.Save();
    EXPECT_EQ(rig.desktop.saveRequests.back().substr(0, folder.size() + 1), folder + "|");
}

TEST(SaveScreenshot, AFailedWriteSaysSoInABoxOnly) {
    SaveRig rig;
    rig.desktop.saveAnswer = rig.In("gone", "x.txt", false);
    rig.Save();
    EXPECT_EQ(rig.desktop.messages, (std::vector<std::string>{"ERROR: create ScreenSaveFile"}));
    EXPECT_NE(rig.view.Status(), kSaved);
}

TEST(SaveScreenshot, NothingWhileSendXRunsAndOneDialogUnderNestedTicks) {
    SaveRig rig;
    rig.Click(C::kSendX);
    rig.Save();
    EXPECT_TRUE(rig.desktop.saveRequests.empty());
    rig.Click(C::kSendX);

    rig.desktop.saveAnswer = rig.In("dir", "x.txt");
    rig.desktop.saveDialogScript = [&rig] { rig.Tick(3); };
    rig.Save();
    EXPECT_EQ(rig.desktop.saveRequests.size(), 1u);
    EXPECT_EQ(rig.Entries(rig.folder.Join("dir")), 1u);
}

// Where text files for people end lines in LF, the display's CR LF and lone
// CR become LF, and its Windows-1252 bytes UTF-8.
TEST(SaveScreenshot, TheFileTakesThePlatformsFormOfText) {
    SaveRig rig;
    rig.device.Feed("\rtwo\r");
    rig.Tick();
    rig.desktop.screenshotForm = TextForm::Utf8Lf;
    const std::string chosen = rig.In("dir", "x.txt");
    rig.desktop.saveAnswer = chosen;
    rig.Save();
    EXPECT_EQ(rig.Read(chosen), "line one\n\xC3\xA4\xE2\x82\xAC\xC3\xBC end\ntwo\n");
}

#ifndef _WIN32
bool WriteBytesTo(const std::string& path, const char* bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool written = std::fputs(bytes, f) >= 0;
    return std::fclose(f) == 0 && written;
}

// The dialog asks before replacing a file; a FIFO chosen there (it would hold
// the window until something reads it) or a link, dangling or not, is no
// file to replace: the save fails as when no file can be made, at once.
TEST(SaveScreenshot, AFifoOrALinkChosenIsRefusedAtOnce) {
    SaveRig rig;
    const std::string target = rig.In("dir", "target.txt");
    const std::string chosen = rig.In("dir", "x.txt");
    for (const char* what : {"FIFO", "dangling link", "link", "hard link"}) {
        SCOPED_TRACE(what);
        std::filesystem::remove(chosen);
        std::filesystem::remove(target);
        const std::string planted(what);
        if (planted == "FIFO") {
            ASSERT_EQ(mkfifo(chosen.c_str(), 0600), 0);
        } else if (planted == "hard link") {
            ASSERT_TRUE(WriteBytesTo(target, "kept"));
            ASSERT_EQ(link(target.c_str(), chosen.c_str()), 0);
        } else {
            if (planted == "link") {
                ASSERT_TRUE(WriteBytesTo(target, "kept"));
            }
            std::filesystem::create_symlink(target, chosen);
        }
        rig.desktop.messages.clear();
        rig.desktop.saveAnswer = chosen;
        alarm(20);  // a wait on the FIFO ends the test instead of hanging it
        rig.Save();
        alarm(0);
        EXPECT_EQ(rig.desktop.messages, (std::vector<std::string>{"ERROR: create ScreenSaveFile"}));
        EXPECT_EQ(rig.Read(target), planted == "dangling link" || planted == "FIFO" ? "" : "kept");
        EXPECT_EQ(std::filesystem::exists(target), planted != "dangling link" && planted != "FIFO");
    }
}
#endif

}  // namespace
