#include <gtest/gtest.h>
#include <termios.h>

#include "TermiosLine.h"
#include "LineControl.h"

namespace {

// The C library's constants carry the kernel's values, which lets this test
// check the translation against an independent spelling of them.
TEST(TermiosLine, EncodesEachLineKindAndDecodesItBack) {
    struct Case {
        ParityKind parity;
        uint8_t byteSize;
        StopBitsKind stopBits;
        bool parityCheck;
        tcflag_t cflag;  // within CSIZE | PARENB | PARODD | CMSPAR | CSTOPB
    };
    const Case cases[] = {
        {ParityKind::None, 8, StopBitsKind::One, false, CS8},
        {ParityKind::Even, 7, StopBitsKind::One, true, CS7 | PARENB},
        {ParityKind::Odd, 8, StopBitsKind::Two, true, CS8 | PARENB | PARODD | CSTOPB},
        {ParityKind::Mark, 6, StopBitsKind::One, true, CS6 | PARENB | PARODD | CMSPAR},
        {ParityKind::Space, 5, StopBitsKind::OneAndHalf, true, CS5 | PARENB | CMSPAR | CSTOPB},
        // What a stray parity letter becomes: no parity bit, checking still on.
        {ParityKind::None, 8, StopBitsKind::One, true, CS8},
    };
    constexpr tcflag_t kMask = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "parity " << int(c.parity) << " size " << int(c.byteSize)
                                        << " stop " << int(c.stopBits));
        const DeviceControl control =
            LineControl(9600, c.byteSize, c.parity, c.stopBits, c.parityCheck);
        TermiosWords words;
        words.cflag = CS8 | PARENB | PARODD | CMSPAR | CSTOPB;  // whatever was there before
        words.iflag = INPCK;
        ASSERT_TRUE(EncodeLine(control, words));
        EXPECT_EQ(words.cflag & kMask, c.cflag);
        EXPECT_EQ((words.iflag & INPCK) != 0, c.parityCheck);

        // Decoded into what the device remembers of the last setting.
        DeviceControl back;
        back.stopBits = c.stopBits;
        back.parity = ParityKind::Space;
        back.byteSize = 0;
        back.parityCheck = !c.parityCheck;
        DecodeLine(words, back);
        EXPECT_EQ(back.parity, c.parity);
        EXPECT_EQ(back.byteSize, c.byteSize);
        EXPECT_EQ(back.parityCheck, c.parityCheck);
        EXPECT_EQ(back.baudRate, 9600u);
    }
}

TEST(TermiosLine, TwoStopBitsReadAsOneAndAHalfOnlyWhenThatWasSet) {
    TermiosWords words;
    ASSERT_TRUE(
        EncodeLine(LineControl(9600, 8, ParityKind::None, StopBitsKind::Two, false), words));
    DeviceControl fresh;
    DecodeLine(words, fresh);
    EXPECT_EQ(fresh.stopBits, StopBitsKind::Two);
    DeviceControl setAsOneAndHalf;
    setAsOneAndHalf.stopBits = StopBitsKind::OneAndHalf;
    DecodeLine(words, setAsOneAndHalf);
    EXPECT_EQ(setAsOneAndHalf.stopBits, StopBitsKind::OneAndHalf);

    ASSERT_TRUE(
        EncodeLine(LineControl(9600, 8, ParityKind::None, StopBitsKind::One, false), words));
    DecodeLine(words, setAsOneAndHalf);
    EXPECT_EQ(setAsOneAndHalf.stopBits, StopBitsKind::One);
}

TEST(TermiosLine, RatesWithACodeUseItAndAllOthersGoExplicit) {
    constexpr tcflag_t kExplicitRate = CBAUDEX;  // BOTHER in the kernel's spelling
    const struct {
        uint32_t rate;
        tcflag_t code;
    } cases[] = {
        {1200, B1200},           {9600, B9600},           {115200, B115200},
        {921600, B921600},       {4000000, B4000000},     {7200, kExplicitRate},
        {14400, kExplicitRate},  {28800, kExplicitRate},  {76800, kExplicitRate},
        {128000, kExplicitRate}, {153600, kExplicitRate}, {256000, kExplicitRate},
        {123457, kExplicitRate},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rate);
        TermiosWords words;
        words.cflag = B38400 | CIBAUD;  // an old output rate and some other input rate
        ASSERT_TRUE(
            EncodeLine(LineControl(c.rate, 8, ParityKind::None, StopBitsKind::One, false), words));
        EXPECT_EQ(words.cflag & CBAUD, c.code);
        EXPECT_EQ(words.cflag & CIBAUD, 0u);  // input follows the output rate
        EXPECT_EQ(words.ospeed, c.rate);
        EXPECT_EQ(words.ispeed, c.rate);
        EXPECT_EQ(LineRate(words), c.rate);
    }
}

TEST(TermiosLine, FlowControlIsTranslatedBothWays) {
    DeviceControl control = LineControl(9600, 8, ParityKind::None, StopBitsKind::One, false);
    control.ctsFlow = true;
    control.outX = true;
    control.inX = true;
    TermiosWords words;
    ASSERT_TRUE(EncodeLine(control, words));
    EXPECT_NE(words.cflag & CRTSCTS, 0u);
    EXPECT_EQ(words.iflag & (IXON | IXOFF), tcflag_t{IXON | IXOFF});

    control.ctsFlow = control.outX = control.inX = false;
    ASSERT_TRUE(EncodeLine(control, words));
    EXPECT_EQ(words.cflag & CRTSCTS, 0u);
    EXPECT_EQ(words.iflag & (IXON | IXOFF | IXANY), 0u);
    DeviceControl back;
    back.ctsFlow = back.outX = back.inX = true;
    DecodeLine(words, back);
    EXPECT_FALSE(back.ctsFlow || back.outX || back.inX);
}

TEST(TermiosLine, RefusesLinesWithoutATermiosFormAndLeavesTheWords) {
    const DeviceControl good = LineControl(9600, 8, ParityKind::None, StopBitsKind::One, false);
    DeviceControl bad[7] = {good, good, good, good, good, good, good};
    bad[0].byteSize = 0;
    bad[1].byteSize = 4;
    bad[2].byteSize = 9;
    bad[3].byteSize = 255;
    bad[4].baudRate = 0;  // B0 would hang the line up
    bad[5].parity = static_cast<ParityKind>(5);
    bad[6].stopBits = static_cast<StopBitsKind>(3);
    for (const DeviceControl& control : bad) {
        TermiosWords words;
        words.cflag = B9600 | CS7;
        words.lflag = ICANON;
        EXPECT_FALSE(EncodeLine(control, words));
        EXPECT_EQ(words.cflag, tcflag_t{B9600 | CS7});
        EXPECT_EQ(words.lflag, tcflag_t{ICANON});
    }
}

}  // namespace
