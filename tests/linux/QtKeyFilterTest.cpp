// The application key filter and the key translation: Qt key events become
// the key messages of a PC keyboard, by the German table when there is no X
// keyboard (as here, offscreen).
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <string>

#include "QtTestSupport.h"
#include "qt/AppKeyFilter.h"
#include "qt/FixedGermanLayout.h"
#include "qt/KeyTranslator.h"
#include "qt/QtMainView.h"
#include "terminal/VirtualKeys.h"

namespace {

namespace Vk = VirtualKey;

class QtKeyFilterTest : public QtFixture {
  protected:
    QtKeyFilterTest() {
        view.Attach(&events);
        qApp->installEventFilter(&filter);
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&view));
        view.FocusDisplay();
    }
    ~QtKeyFilterTest() override { qApp->removeEventFilter(&filter); }

    RecordingEvents events;
    QtMainView view;
    FixedGermanLayout german;
    KeyTranslator translator{german};
    AppKeyFilter filter{view, translator};
};

struct KeyCase {
    const char* name;
    int qtKey;
    Qt::KeyboardModifiers modifiers;
    KeyKind kind;
    uint16_t virtualKey;
    uint8_t scanCode;
    bool extended;
    bool altContext;
    bool shift;
    uint8_t character;
};

const KeyCase kKeyCases[] = {
    {"ShiftThree", Qt::Key_3, Qt::ShiftModifier, KeyKind::KeyDown, '3', 0x04, false, false, true,
     '3'},
    {"AltGrQ", Qt::Key_Q, Qt::GroupSwitchModifier, KeyKind::KeyDown, 'Q', 0x10, false, true, false,
     'Q'},
    {"CtrlAltIsAltGr", Qt::Key_8, Qt::ControlModifier | Qt::AltModifier, KeyKind::KeyDown, '8',
     0x09, false, true, false, '8'},
    {"AltX", Qt::Key_X, Qt::AltModifier, KeyKind::SystemKeyDown, 'X', 0x2D, false, true, false,
     'X'},
    {"AltKeyItself", Qt::Key_Alt, Qt::NoModifier, KeyKind::SystemKeyDown, Vk::kAlt, 0x38, false,
     true, false, 0},
    {"F10IsASystemKey", Qt::Key_F10, Qt::NoModifier, KeyKind::SystemKeyDown, Vk::kF10, 0x44, false,
     false, false, 0},
    {"Return", Qt::Key_Return, Qt::NoModifier, KeyKind::KeyDown, Vk::kEnter, 0x1C, false, false,
     false, 0x0D},
    {"KeypadEnter", Qt::Key_Enter, Qt::KeypadModifier, KeyKind::KeyDown, Vk::kEnter, 0x1C, true,
     false, false, 0x0D},
    {"CursorUp", Qt::Key_Up, Qt::NoModifier, KeyKind::KeyDown, Vk::kUp, 0x48, true, false, false,
     0},
    {"GermanZ", Qt::Key_Z, Qt::NoModifier, KeyKind::KeyDown, 'Z', 0x15, false, false, false, 'Z'},
    {"GermanY", Qt::Key_Y, Qt::NoModifier, KeyKind::KeyDown, 'Y', 0x2C, false, false, false, 'Y'},
    {"SharpS", Qt::Key_ssharp, Qt::NoModifier, KeyKind::KeyDown, 0xBD, 0x0C, false, false, false,
     0xDF},
    {"UmlautStaysLowerCase", Qt::Key_Adiaeresis, Qt::NoModifier, KeyKind::KeyDown, 0xDE, 0x28,
     false, false, false, 0xE4},
    {"DeadCircumflex", Qt::Key_Dead_Circumflex, Qt::NoModifier, KeyKind::KeyDown, 0xC0, 0x29, false,
     false, false, '^'},
    {"F11HasNoCharacter", Qt::Key_F11, Qt::NoModifier, KeyKind::KeyDown, Vk::kF11, 0x57, false,
     false, false, 0},
    {"KeypadDigitWithNumLock", Qt::Key_5, Qt::KeypadModifier, KeyKind::KeyDown, Vk::kNumpad0 + 5,
     0x4C, false, false, false, '5'},
    {"Backtab", Qt::Key_Backtab, Qt::ShiftModifier, KeyKind::KeyDown, Vk::kTab, 0x0F, false, false,
     true, 0x09},
};

class KeyMessages : public QtKeyFilterTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeyMessages, CarryWhatAPcKeyboardReports) {
    const KeyCase& c = GetParam();
    EXPECT_TRUE(PressKey(view.Display(), c.qtKey, c.modifiers));
    ASSERT_EQ(events.keys.size(), 1u);
    const KeyMessage& m = events.keys[0].message;
    EXPECT_EQ(m.kind, c.kind);
    EXPECT_EQ(m.virtualKey, c.virtualKey);
    EXPECT_EQ(m.scanCode, c.scanCode);
    EXPECT_EQ(m.extended, c.extended);
    EXPECT_EQ(m.altContext, c.altContext);
    EXPECT_EQ(events.keys[0].keyboard.shiftDown, c.shift);
    EXPECT_EQ(events.keys[0].keyboard.unshiftedChar, c.character);
}

INSTANTIATE_TEST_SUITE_P(German, KeyMessages, ::testing::ValuesIn(kKeyCases),
                         [](const ::testing::TestParamInfo<KeyCase>& param) {
                             return std::string(param.param.name);
                         });

TEST_F(QtKeyFilterTest, TabAndReturnGoThroughTheFilterFirst) {
    // Handled: the widgets never see the key, the focus stays.
    events.keyResult = KeyResult::Handled;
    EXPECT_TRUE(PressKey(view.Display(), Qt::Key_Tab));
    EXPECT_TRUE(PressKey(view.Display(), Qt::Key_Return));
    EXPECT_EQ(QApplication::focusWidget(), view.Display());
    ASSERT_EQ(events.keys.size(), 2u);
    EXPECT_EQ(events.keys[0].message.virtualKey, Vk::kTab);
    EXPECT_EQ(events.keys[1].message.virtualKey, Vk::kEnter);

    // Passed on: Qt's own handling moves the focus on.
    events.keyResult = KeyResult::PassOn;
    PressKey(view.Display(), Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), view.Display());
}

TEST_F(QtKeyFilterTest, F1PassedOnBecomesTheHelpRequest) {
    events.keyResult = KeyResult::PassOn;
    PressKey(view.Display(), Qt::Key_F1);
    EXPECT_EQ(events.helpRequests, 1);
}

TEST_F(QtKeyFilterTest, WheelIsConsumedWhenTheProgramSaysSo) {
    for (int i = 0; i < 100; ++i) view.DisplayAppend("line\n", 5);
    view.FlushDisplay();
    QScrollBar* bar = view.Display()->verticalScrollBar();
    bar->setValue(0);
    auto turn = [&] {
        QWidget* viewport = view.Display()->viewport();
        const QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
        QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &wheel);
    };

    events.keyResult = KeyResult::Handled;
    turn();
    EXPECT_EQ(bar->value(), 0);
    ASSERT_EQ(events.keys.size(), 1u);
    EXPECT_EQ(events.keys[0].message.kind, KeyKind::MouseWheel);

    events.keyResult = KeyResult::PassOn;
    turn();
    EXPECT_GT(bar->value(), 0);
}

TEST_F(QtKeyFilterTest, KeysOfOtherWindowsAreNotTheProgramsBusiness) {
    QLineEdit other;
    other.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&other));
    QTest::keyClicks(&other, QStringLiteral("ab"));
    EXPECT_TRUE(events.keys.empty());
    EXPECT_EQ(other.text(), QStringLiteral("ab"));
}

// X key events carry the key and the modifier state natively; the layout is
// asked in the event's group.
class GroupRecordingLayout final : public KeyboardLayout {
  public:
    char32_t BaseCharacter(uint32_t evdevCode, uint32_t group) override {
        lastGroup = group;
        return evdevCode == 16 ? U'q' : U'\0';
    }
    uint32_t lastGroup = 99;
};

TEST(KeyTranslatorNative, ModifiersAndGroupComeFromTheXState) {
    TestApplication();
    GroupRecordingLayout layout;
    KeyTranslator translator(layout);
    constexpr quint32 kQKeycode = 16 + 8;
    constexpr quint32 kMod5 = 0x80;
    constexpr quint32 kMod1 = 0x08;
    constexpr quint32 kShift = 0x01;
    constexpr quint32 kSecondGroup = 1u << 13;
    struct NativeCase {
        quint32 state;
        KeyKind kind;
        bool altContext;
        bool shift;
        uint32_t group;
    } cases[] = {
        {kMod5 | kSecondGroup, KeyKind::KeyDown, true, false, 1},
        {kMod1, KeyKind::SystemKeyDown, true, false, 0},
        {kShift, KeyKind::KeyDown, false, true, 0},
    };
    for (const NativeCase& c : cases) {
        SCOPED_TRACE(c.state);
        // Qt's own modifiers deliberately disagree: the native state wins.
        QKeyEvent event(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, kQKeycode, 0x71, c.state);
        KeyMessage message;
        KeyboardState keyboard;
        ASSERT_TRUE(translator.Translate(event, message, keyboard));
        EXPECT_EQ(message.kind, c.kind);
        EXPECT_EQ(message.altContext, c.altContext);
        EXPECT_EQ(message.virtualKey, 'Q');
        EXPECT_EQ(message.scanCode, 0x10);
        EXPECT_EQ(keyboard.shiftDown, c.shift);
        EXPECT_EQ(keyboard.unshiftedChar, 'Q');
        EXPECT_EQ(layout.lastGroup, c.group);
    }
}

TEST(LayoutCharacterByte, FollowsTheWindows1252Mapping) {
    const struct {
        char32_t character;
        uint8_t byte;
    } cases[] = {{U'a', 'A'},  {U'1', '1'},    {U'\r', 0x0D}, {0xDF, 0xDF}, {0xE4, 0xE4},
                 {0xB4, 0xB4}, {0x20AC, 0x80}, {0x85, 0},     {0x2DA, 0},   {0x1F600, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(LayoutCharacterByte(c.character), c.byte)
            << std::hex << static_cast<uint32_t>(c.character);
    }
}

}  // namespace
