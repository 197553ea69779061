// The save button: the proposed name, the dialog's request, the folder it
// remembers or forgets, the file written and the failures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WindowRig.h"

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
    // The path the user picks, in the folder given.
    std::string In(const std::string& folderPath, const std::string& name) const {
        return folderPath + kPathSeparator + name;
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
    // The display's bytes as they are; the front end writes them as its text.
    EXPECT_EQ(rig.desktop.files[chosen], "line one\r\n\xE4\x80\xFC end");
    EXPECT_EQ(rig.view.Status(), kSaved);

    // The next dialog opens where the last file went.
    rig.desktop.saveAnswer.clear();
    rig.Tick(25);
    rig.Save();
    EXPECT_EQ(rig.desktop.saveRequests[1].substr(0, 10), std::string("elsewhere") + kPathSeparator);
    EXPECT_EQ(rig.desktop.files.size(), 1u);
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
        rig.desktop.saveAnswer = answer;
        rig.Save();
        EXPECT_TRUE(rig.desktop.files.empty());
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
        rig.desktop.saveAnswer = answer;
        rig.Save();
        EXPECT_TRUE(rig.desktop.files.empty());
        EXPECT_EQ(rig.desktop.messages, (std::vector<std::string>{"ERROR: create ScreenSaveFile"}));
        EXPECT_NE(rig.view.Status(), kSaved);
        rig.Save();
        EXPECT_EQ(rig.desktop.saveRequests.back(), rig.desktop.saveRequests.front());
    }
    // A name that starts just before 256 is taken.
    SaveRig rig;
    const std::string folder = std::string(254, 'd') + kPathSeparator;
    rig.desktop.saveAnswer = folder + "x.txt";
    rig.Save();
    EXPECT_EQ(rig.desktop.files.count(folder + "x.txt"), 1u);
    EXPECT_TRUE(rig.desktop.messages.empty());
}

TEST(SaveScreenshot, AFailedWriteSaysSoInABoxOnly) {
    SaveRig rig;
    rig.desktop.saveAnswer = rig.In("gone", "x.txt");
    rig.desktop.fileWritesWork = false;
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
    EXPECT_EQ(rig.desktop.files.size(), 1u);
}

}  // namespace
