// The log as the receive path keeps it, without a window: its rows, their
// stamps and their order, the events, and a file that stops taking bytes.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#ifndef _WIN32
#include "FileSizeLimit.h"
#endif

#include "FixedClock.h"
#include "ScratchFolder.h"
#include "config/ClockText.h"
#include "terminal/ReceiveLog.h"

namespace {

constexpr char kStamp[] = "06.12.26 06:10:00.000;";

struct LogRig {
    FixedClock clock;
    ClockText clockText{clock};
    ReceiveLog log{clockText};
    ScratchFolder folder;
    std::string path = folder.Join("LogFile.csv");

    bool Start(bool portOpen = true) {
        return log.Start(path.c_str(), TextForm::Utf8Lf, LineSettings{}, portOpen);
    }
    void Receive(const std::string& bytes, ReceiveMode mode = ReceiveMode{}) {
        log.LogBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), mode);
    }
    std::string File() const {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
};

std::string Rows(std::initializer_list<const char*> texts) {
    std::string rows;
    for (const char* text : texts) rows += std::string(kStamp) + text + "\n";
    return rows;
}

TEST(ReceiveLog, RowsOfLinesHexTicksAndEventsInTheirOrder) {
    LogRig rig;
    ASSERT_TRUE(rig.Start());
    rig.Receive("one\r\ntw");
    rig.log.LogFlush(10000);
    rig.Receive("o\r\n");
    rig.Receive(
        "\x02"
        "AB",
        ReceiveMode{true, false});
    rig.log.LogPortLost(LineSettings{});
    rig.log.LogPortBack(LineSettings{});
    rig.log.LogPortChanged(LineSettings{
        3,
        9600,
        'N',
        7,
        2,
    });
    rig.Receive("a;b\r\nend");
    ASSERT_TRUE(rig.log.WriteThrough());
    ASSERT_TRUE(rig.log.Stop());
    EXPECT_FALSE(rig.log.IsOn());
    EXPECT_EQ(rig.File(),
              Rows({"==== LOG START COM1: 115200,E,8,1 ====", "one",
                    "==== FLUSH COM PORT: more than 10000 bytes waiting, dropped ====", "two",
                    "[02][41][42]", "==== COM1 LOST ====", "==== PORT BACK COM1: 115200,E,8,1 ====",
                    "==== PORT SETTINGS COM3: 9600,N,7,2 ====", "\"a;b\"", "end"}));
}

// Two ticks of a 921600 baud line in hexadecimal are more text than the
// formatter's buffer holds: the tick is still one row.
TEST(ReceiveLog, AFastTicksHexTextIsOneRow) {
    LogRig rig;
    ASSERT_TRUE(rig.Start(false));
    const std::string tick(18432, 'A');
    rig.Receive(tick, ReceiveMode{true, false});
    EXPECT_FALSE(rig.log.HexRowOpen());
    rig.Receive("x\r");
    ASSERT_TRUE(rig.log.Stop());
    std::string hex;
    for (size_t i = 0; i < tick.size(); ++i) hex += "[41]";
    EXPECT_EQ(rig.File(),
              Rows({"==== LOG START COM1: 115200,E,8,1 (port closed) ====", hex.c_str(), "x"}));
}

TEST(ReceiveLog, OffItRecordsNothingAndAFileThatCannotBeMadeKeepsItOff) {
    LogRig rig;
    rig.Receive("before\r");
    rig.log.LogPortLost(LineSettings{});
    EXPECT_TRUE(rig.log.WriteThrough());
    EXPECT_TRUE(rig.log.Stop());
    rig.path = rig.folder.Join("no-such-folder") + "/LogFile.csv";
    EXPECT_FALSE(rig.Start());
    EXPECT_FALSE(rig.log.IsOn());
}

#ifndef _WIN32
// A file that takes the opening but no more bytes (the size limit of the
// process stands in for a full disk): the write-through says so once, and
// the file is given up.
TEST(ReceiveLog, AFileThatStopsTakingBytesIsGivenUp) {
    LogRig rig;
    ASSERT_TRUE(rig.Start());
    ASSERT_TRUE(rig.log.WriteThrough());
    bool first = true;
    bool second = false;
    {
        const FileSizeLimit full(rig.File().size());
        ASSERT_TRUE(full.Held());
        rig.Receive("lost\r");
        first = rig.log.WriteThrough();
        rig.Receive("more\r");
        second = rig.log.WriteThrough();
    }
    EXPECT_FALSE(first);
    EXPECT_TRUE(second) << "given up: nothing more to fail";
    EXPECT_FALSE(rig.log.IsOn());
    EXPECT_EQ(rig.File(), Rows({"==== LOG START COM1: 115200,E,8,1 ===="}));
}
#endif

}  // namespace
