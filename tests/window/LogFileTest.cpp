// F9's log file: the rows of received lines, hexadecimal ticks and events,
// their quoting and text form, DisplayHalt, the file's life and its failures.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifndef _WIN32
#include "FileSizeLimit.h"
#include <sys/stat.h>
#endif

#include "WindowRig.h"
#include "terminal/LogFile.h"
#include "terminal/VirtualKeys.h"

namespace {

using namespace window_test;

constexpr char kLogOn[] = "==== LOG -ON- ====";
constexpr char kLogOff[] = "==== LOG -OFF- ====";
constexpr char kLogFailed[] = "==== LOG -FAILED- ====";
constexpr char kTime[] = "06.12.26 06:10:00.250";
constexpr char kStart[] = "06.12.26 06:10:00.250;==== LOG START COM1: 115200,E,8,1 ====";

struct LogRig : WindowRig {
    explicit LogRig(TextForm form = TextForm::Utf8Lf) {
        desktop.logPath = Path();
        desktop.logForm = form;
        clock.now.millisecond = 250;
        Start();
        Tick();
    }
    std::string Path() const { return folder.Join("LogFile.csv"); }
    void F9() {
        Press(VirtualKey::kF9);
        Tick();
    }
    void Receive(const std::string& bytes) {
        device.Feed(bytes);
        Tick();
    }
    std::string File() const {
        std::ifstream in(Path(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // The rows after the start row, each without its line end.
    std::vector<std::string> Rows() const {
        std::vector<std::string> rows;
        const std::string text = File();
        size_t start = 0;
        for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
            rows.push_back(text.substr(start, end - start));
        }
        if (!rows.empty()) rows.erase(rows.begin());
        return rows;
    }
};

std::string Row(const std::string& text) {
    return std::string(kTime) + ";" + text;
}

TEST(LogFile, RowsOfReceivedLinesQuotedWhereNeeded) {
    struct Case {
        const char* what;
        std::string received;
        std::vector<std::string> rows;
    } const cases[] = {
        {"CR LF and lone CR end lines; LF alone does not",
         "one\r\ntwo\rthr\nee\r",
         {Row("one"), Row("two"), Row("three")}},
        {"semicolon and quote are quoted",
         "a;b\r\"hi\" x\r",
         {Row("\"a;b\""), Row("\"\"\"hi\"\" x\"")}},
        {"80 characters break a line",
         std::string(85, 'p') + "\r",
         {Row(std::string(80, 'p')), Row("ppppp")}},
        {"bytes beyond ASCII as UTF-8",
         "\xE4\x80\x9F\xFC\x07\r",
         {Row("\xC3\xA4\xE2\x82\xAC\xC5\xB8\xC3\xBC\xC2\xA7")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LogRig rig;
        rig.F9();
        rig.Receive(c.received);
        EXPECT_EQ(rig.Rows(), c.rows);
    }
}

TEST(LogFile, WindowsFormKeepsTheBytesAndEndsRowsWithCrLf) {
    LogRig rig(TextForm::Windows1252CrLf);
    rig.F9();
    rig.Receive("\xE4\x80;\r\n");
    EXPECT_EQ(rig.File(), std::string(kStart) + "\r\n" + kTime + ";\"\xE4\x80;\"\r\n");
}

TEST(LogFile, EachRowCarriesTheMomentItsLineWasCompleted) {
    LogRig rig;
    rig.F9();
    rig.Receive("begun ");
    rig.clock.now.second = 7;
    rig.clock.now.millisecond = 42;
    rig.Receive("ended\rnext ");
    rig.clock.now.millisecond = 43;
    // Closing writes what waits for its line end.
    rig.F9();
    EXPECT_EQ(rig.Rows(), (std::vector<std::string>{"06.12.26 06:10:07.042;begun ended",
                                                    "06.12.26 06:10:07.043;next "}));
    EXPECT_EQ(rig.view.Status(), kLogOff);
}

TEST(LogFile, HexModeWritesOneRowPerTick) {
    LogRig rig;
    rig.F9();
    rig.Receive("cut");
    rig.Click(C::kHex);
    rig.Receive("A\r\n");
    rig.Receive("B");
    EXPECT_EQ(rig.Rows(), (std::vector<std::string>{Row("cut"), Row("[41][0D][0A]"), Row("[42]")}));
}

TEST(LogFile, RecordModeLogsTheLinesItShows) {
    LogRig rig;
    rig.F9();
    rig.Press(VirtualKey::kF4);
    rig.Tick();
    rig.Receive("#0123456789ABCDEFZZx");
    EXPECT_EQ(rig.view.display, "--ERROR=FF02--\n");
    EXPECT_EQ(rig.Rows(), (std::vector<std::string>{Row("--ERROR=FF02--")}));
}

TEST(LogFile, DisplayHaltFreezesTheScreenNotTheLog) {
    LogRig rig;
    rig.Receive("before log\r");
    rig.F9();
    rig.Click(C::kDisplayHalt);
    rig.Receive("hidden\r\n");
    rig.Click(C::kDisplayHalt);
    rig.Receive("shown\r\n");
    EXPECT_EQ(rig.view.display, "before log\nshown\n");
    EXPECT_EQ(rig.Rows(), (std::vector<std::string>{Row("hidden"), Row("shown")}));

    // Without a log, halted bytes stay dropped.
    rig.F9();
    rig.Click(C::kDisplayHalt);
    rig.Receive("gone\r");
    rig.Click(C::kDisplayHalt);
    rig.Receive("x");
    EXPECT_EQ(rig.view.display, "before log\nshown\nx");
}

// The log takes every byte read; the screen is the same with the log on or
// off, whatever DisplayHalt and SyncX keep from it.
TEST(LogFile, TakesEveryByteAndLeavesTheScreenAsItWould) {
    const std::string half(50, 'x');
    auto run = [&](LogRig& rig) {
        std::vector<std::string> screens;
        rig.Receive(half);
        rig.Click(C::kDisplayHalt);
        rig.Receive(std::string(30, 'h'));
        rig.Click(C::kDisplayHalt);
        rig.Receive(std::string(80, 'z'));
        screens.push_back(rig.view.display);
        rig.Click(C::kSyncX);
        rig.Receive("dropped\rabc\r");
        screens.push_back(rig.view.display);
        return screens;
    };
    LogRig withLog;
    withLog.F9();
    const std::vector<std::string> logged = run(withLog);
    LogRig withoutLog;
    EXPECT_EQ(logged, run(withoutLog));
    EXPECT_EQ(logged, (std::vector<std::string>{
                          half + std::string(30, 'z') + "\n" + std::string(50, 'z'), "abc\n"}));
    EXPECT_EQ(withLog.Rows(),
              (std::vector<std::string>{Row(half + std::string(30, 'h')), Row(std::string(80, 'z')),
                                        Row("dropped"), Row("abc")}));
}

TEST(LogFile, EventsAreRowsOfTheirOwn) {
    LogRig rig;
    rig.F9();
    rig.Receive("part");
    rig.device.FeedRepeated('b', 10001);
    rig.Tick();
    rig.device.SetGone(true);
    rig.Tick(3);
    rig.device.SetGone(false);
    rig.Tick();
    rig.Receive("\r");
    EXPECT_EQ(rig.Rows(),
              (std::vector<std::string>{
                  Row("==== FLUSH COM PORT: more than 10000 bytes waiting, dropped ===="),
                  Row("==== COM1 LOST ===="), Row("==== PORT BACK COM1: 115200,E,8,1 ===="),
                  Row("part")}));
}

TEST(LogFile, IsCreatedAnewAndWrittenThroughEveryTick) {
    LogRig rig;
    {
        std::ofstream old(rig.Path(), std::ios::binary);
        old << "old content\n";
    }
    rig.F9();
    EXPECT_EQ(rig.view.Status(), kLogOn);
    EXPECT_EQ(rig.File(), std::string(kStart) + "\n");
    rig.Receive("seen without closing\r");
    EXPECT_EQ(rig.Rows(), (std::vector<std::string>{Row("seen without closing")}));
    rig.F9();
    rig.F9();
    EXPECT_EQ(rig.File(), std::string(kStart) + "\n");

    // The window's end closes it with the unfinished line.
    rig.Receive("last");
    rig.window.TearDown();
    EXPECT_EQ(rig.Rows(), (std::vector<std::string>{Row("last")}));
}

// Far more than the row buffer holds, over many ticks: every line arrives,
// in order.
TEST(LogFile, LongRunsKeepEveryLineInOrder) {
    LogRig rig;
    rig.F9();
    std::vector<std::string> expected;
    std::string pending;
    for (int i = 0; i < 3000; ++i) {
        const std::string line = "line " + std::to_string(i) + ";";
        expected.push_back(Row("\"" + line + "\""));
        pending += line + "\r\n";
        if (pending.size() > 1000) {
            rig.Receive(pending);
            pending.clear();
        }
    }
    rig.Receive(pending);
    rig.Tick();
    EXPECT_EQ(rig.Rows(), expected);
}

TEST(LogFile, AFailedOpeningSaysSoAndLeavesTheLogOffForTheNextTry) {
    LogRig rig;
    // A file stands where the folder should be: no user, root included, can
    // create the log there.
    { std::ofstream blocker(rig.folder.Join("blocker")); }
    rig.desktop.logPath = rig.folder.Join("blocker") + kPathSeparator + "LogFile.csv";
    const std::string box = "ERROR (file open process was not successful):\n" + rig.desktop.logPath;
    // F9 again while the box is shown: the ticks under it leave it pending.
    rig.desktop.messageScript = [&rig] {
        rig.desktop.messageScript = nullptr;
        rig.Press(VirtualKey::kF9);
        rig.Receive("under the box\r");
    };
    rig.F9();
    EXPECT_EQ(rig.desktop.messages, std::vector<std::string>{box});
    EXPECT_EQ(rig.view.Status(), kLogFailed);
    EXPECT_EQ(rig.view.display, "under the box\n");

    // The F9 pressed under the box is served now: the log was off, so it
    // tries again.
    rig.Tick();
    EXPECT_EQ(rig.desktop.messages, (std::vector<std::string>{box, box}));
    EXPECT_EQ(rig.view.Status(), kLogFailed);

    // Once the place is usable the next F9 makes the log.
    rig.desktop.logPath = rig.Path();
    rig.F9();
    EXPECT_EQ(rig.view.Status(), kLogOn);
    EXPECT_EQ(rig.File(), std::string(kStart) + "\n");
}

// The shared place refused: the spare takes the log, and the status line
// names it; both refused: the box names both.
TEST(LogFile, ASparePlaceTakesTheLogWhenTheFirstCannotBeMade) {
    LogRig rig;
    const std::string spare = rig.folder.Join("spare.csv");
    { std::ofstream blocker(rig.folder.Join("blocker")); }
    rig.desktop.logPath = rig.folder.Join("blocker") + kPathSeparator + "LogFile.csv";
    rig.desktop.logSparePath = spare;
    rig.F9();
    EXPECT_TRUE(rig.desktop.messages.empty());
    EXPECT_EQ(rig.view.Status(), "==== LOG -ON- " + spare + " ====");
    rig.Receive("kept\r");
    rig.F9();
    EXPECT_EQ(rig.view.Status(), kLogOff);
    std::ifstream in(spare, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, std::string(kStart) + "\n" + Row("kept") + "\n");

    rig.desktop.logSparePath = rig.desktop.logPath;
    rig.F9();
    EXPECT_EQ(rig.desktop.messages,
              std::vector<std::string>{"ERROR (file open process was not successful):\n" +
                                       rig.desktop.logPath + "\n" + rig.desktop.logPath});
    EXPECT_EQ(rig.view.Status(), kLogFailed);
}

TEST(LogFile, OnlyAPlainFileIsOpened) {
    LogRig rig;
    // A folder at the log's name.
    std::filesystem::create_directory(rig.Path());
    rig.F9();
    EXPECT_EQ(rig.view.Status(), kLogFailed);
    EXPECT_TRUE(std::filesystem::is_directory(rig.Path()));
    std::filesystem::remove(rig.Path());
#ifndef _WIN32
    // A link planted at the name: its target keeps its bytes.
    const std::string target = rig.folder.Join("precious.txt");
    { std::ofstream(target, std::ios::binary) << "precious"; }
    std::filesystem::create_symlink(target, rig.Path());
    rig.F9();
    EXPECT_EQ(rig.view.Status(), kLogFailed);
    std::filesystem::remove(rig.Path());
    // So does a hard link.
    std::filesystem::create_hard_link(target, rig.Path());
    rig.F9();
    EXPECT_EQ(rig.view.Status(), kLogFailed);
    std::ifstream in(target, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()),
              "precious");
    std::filesystem::remove(rig.Path());

    // A FIFO without a reader: F9 returns at once (a blocking open would
    // hang this test) and the log stays off.
    ASSERT_EQ(mkfifo(rig.Path().c_str(), 0600), 0);
    rig.F9();
    EXPECT_EQ(rig.view.Status(), kLogFailed);
    std::filesystem::remove(rig.Path());
#endif
    rig.F9();
    EXPECT_EQ(rig.view.Status(), kLogOn);
}

#ifndef _WIN32
// A file that takes the opening but no more bytes (the size limit of the
// process stands in for a full disk): the loss is told once, and the log
// stays on until the next F9.
TEST(LogFile, AFailedWriteSaysSoOnceAndGivesTheFileUp) {
    LogRig rig;
    rig.F9();
    {
        const FileSizeLimit full(rig.File().size());
        ASSERT_TRUE(full.Held());
        rig.Receive("lost\r");
        rig.Receive("more\r");
    }
    EXPECT_EQ(rig.desktop.messages,
              (std::vector<std::string>{"ERROR (file write process was not successful):\n" +
                                        rig.Path()}));
    rig.F9();
    EXPECT_EQ(rig.view.Status(), kLogOff);
    EXPECT_EQ(rig.desktop.messages.size(), 1u);
}
#endif

}  // namespace
