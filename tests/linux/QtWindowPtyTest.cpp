// The Qt views with the real window logic on a pty wired in as COM1: clicks
// and keys reach the program, and what it sends reaches the line.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <string>

#include "FakeDesktop.h"
#include "PtyPort.h"
#include "QtTestSupport.h"
#include "TermiosCommDevice.h"
#include "app/TerminalApp.h"
#include "qt/AppKeyFilter.h"
#include "qt/FixedGermanLayout.h"
#include "qt/KeyTranslator.h"
#include "qt/LocalTimeSource.h"
#include "qt/QtDesktop.h"
#include "qt/QtMainView.h"
#include "qt/TerminalWindowEvents.h"
#include "window/TerminalWindow.h"

namespace C = MainControl;

namespace {

constexpr int kLineWaitMs = 3000;

class QtWindowPtyTest : public QtFixture {
  protected:
    enum class Boxes { Recorded, Shown };

    explicit QtWindowPtyTest(Boxes boxes = Boxes::Recorded) : boxes(boxes) {
        view.Attach(&events);
        qApp->installEventFilter(&filter);
    }
    ~QtWindowPtyTest() override {
        qApp->removeEventFilter(&filter);
        window.TearDown();
        view.Attach(nullptr);
    }

    void SetUp() override {
        ASSERT_TRUE(port.Ok());
        window.InitWindow();
        view.FlushDisplay();
        ASSERT_TRUE(desktop.messages.empty()) << desktop.messages.front();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
        ASSERT_TRUE(view.IsChecked(C::kDtr)) << "COM1 did not open";
    }

    std::string ReadLine(size_t count, int timeoutMs = kLineWaitMs) {
        std::string bytes(count, '\0');
        const size_t got = ReadPumping(bytes.data(), count, timeoutMs);
        bytes.resize(got);
        return bytes;
    }

    // Reads from the line while the event loop keeps the window's timers going.
    size_t ReadPumping(char* out, size_t count, int timeoutMs) {
        size_t got = 0;
        // The count says what arrived; a timeout is not an error by itself.
        (void)QTest::qWaitFor(
            [&] {
                got += port.pty.ReadMaster(out + got, count - got, 0);
                return got == count;
            },
            timeoutMs);
        return got;
    }

    void Click(uint16_t id) {
        QTest::mouseClick(qobject_cast<QAbstractButton*>(view.Control(id)), Qt::LeftButton);
    }

    // Shown: the desktop's own boxes, which run their own event loops.
    const Boxes boxes;
    PtyPort port;
    TermiosCommDevice device{port.names};
    LocalTimeSource clock;
    std::string modulePath = port.directory.Path() + "quorvant";
    PlatformServices services{device, clock, modulePath.c_str(), modulePath.c_str(), '/', true};
    TerminalApp app{services};
    QtMainView view;
    FakeDesktop desktop;
    QtDesktop shownDesktop{view, "quorvant"};
    TerminalWindow window{app.Services(), view,
                          boxes == Boxes::Shown ? static_cast<Desktop&>(shownDesktop) : desktop};
    TerminalWindowEvents events{window};
    FixedGermanLayout german;
    KeyTranslator translator{german};
    AppKeyFilter filter{view, translator};
};

TEST_F(QtWindowPtyTest, TypedKeysLeaveAsTheirGermanBytes) {
    QWidget* display = view.Display();
    PressKey(display, Qt::Key_3, Qt::ShiftModifier);
    PressKey(display, Qt::Key_Q, Qt::GroupSwitchModifier);
    PressKey(display, Qt::Key_Z);
    PressKey(display, Qt::Key_Adiaeresis, Qt::ShiftModifier);
    PressKey(display, Qt::Key_Return);
    EXPECT_EQ(ReadLine(5), std::string("\xA7@z\xC4\r"));

    // Tab is the dialog's: nothing goes out and the focus moves on.
    PressKey(display, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), display);
    EXPECT_EQ(ReadLine(1, 300), std::string());
}

TEST_F(QtWindowPtyTest, SendXClickRunsTheStreamAndLatchesTheButton) {
    Click(C::kSendX);
    EXPECT_TRUE(view.IsChecked(C::kSendX));
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.Lamp() == LampColour::Magenta; }, 2000));
    const std::string first = ReadLine(80);
    EXPECT_EQ(first.substr(0, 38), "abcdefghijklmnopqrstuvwxyz--LINE=00000");

    Click(C::kSendX);
    EXPECT_FALSE(view.IsChecked(C::kSendX));
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.Lamp() == LampColour::Green; }, 2000));
}

TEST_F(QtWindowPtyTest, InputIndicatorClickKeepsTheMarkThePortGave) {
    ASSERT_FALSE(view.IsChecked(C::kCts));
    Click(C::kCts);
    EXPECT_FALSE(view.IsChecked(C::kCts));
    EXPECT_EQ(QApplication::focusWidget(), view.Display());
}

TEST_F(QtWindowPtyTest, ReceivedBytesReachTheDisplayAndTheStatusLine) {
    const char text[] = "hello \xE4\r\nworld";
    ASSERT_EQ(port.pty.WriteMaster(text, sizeof(text) - 1), sizeof(text) - 1);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return view.Display()->toPlainText() == QString::fromUtf8("hello ä\nworld"); },
        kLineWaitMs))
        << view.Display()->toPlainText().toStdString();
    const QString status = qobject_cast<QLineEdit*>(view.Control(C::kStatusLine))->text();
    EXPECT_TRUE(status.startsWith(QStringLiteral("RxQueue = 14")) ||
                status.startsWith(QStringLiteral("RxQue = 0")))
        << status.toStdString();
}

class QtWindowBoxTest : public QtWindowPtyTest {
  protected:
    QtWindowBoxTest() : QtWindowPtyTest(Boxes::Shown) {}
};

// The Save button's dialog opens from a tick and stands in an event loop of
// its own; the line is read on under it: what arrives reaches the display,
// and the status line counts it.
TEST_F(QtWindowBoxTest, LineIsReadWhileTheSaveDialogStands) {
    auto* statusLine = qobject_cast<QLineEdit*>(view.Control(C::kStatusLine));
    QStringList statusTexts;
    QObject::connect(statusLine, &QLineEdit::textChanged,
                     [&](const QString& text) { statusTexts << text; });
    const char text[] = "read under the dialog";
    bool dialogSeen = false;
    bool shownUnder = false;
    QString displayUnder;
    QStringList statusUnder;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        user.stop();
        dialogSeen = true;
        statusTexts.clear();
        port.pty.WriteMaster(text, sizeof(text) - 1);
        shownUnder = QTest::qWaitFor(
            [&] { return view.Display()->toPlainText() == QString::fromLatin1(text); },
            kLineWaitMs);
        displayUnder = view.Display()->toPlainText();
        statusUnder = statusTexts;
        dialog->reject();
    });
    user.start(20);
    Click(C::kSave);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return dialogSeen && QApplication::activeModalWidget() == nullptr; }, 10000));
    EXPECT_TRUE(shownUnder) << displayUnder.toStdString();
    EXPECT_FALSE(statusUnder.filter(QStringLiteral("RxQueue = 21 ")).isEmpty())
        << statusUnder.join(QLatin1Char('|')).toStdString();
}

}  // namespace
