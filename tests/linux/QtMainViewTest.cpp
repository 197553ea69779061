// The Qt main window on the offscreen platform, with the window logic
// replaced by a recorder: what the view shows and reports on its own.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "QtTestSupport.h"
#include "qt/QtDesktop.h"
#include "qt/QtMainView.h"

namespace C = MainControl;

namespace {

constexpr uint16_t kPollTimer = 999;

// Closes whatever box stands, as the user would.
void RejectStandingBoxes() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QDialog*>(window);
        if (box != nullptr && box->isVisible()) box->reject();
    }
}

class QtMainViewTest : public QtFixture {
  protected:
    QtMainViewTest() {
        view.Attach(&events);
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    QAbstractButton* ButtonOf(uint16_t id) {
        return qobject_cast<QAbstractButton*>(view.Control(id));
    }

    void Append(const char* text) { view.DisplayAppend(text, std::strlen(text)); }

    QString DisplayText() {
        view.FlushDisplay();
        return view.Display()->toPlainText();
    }

    RecordingEvents events;
    QtMainView view;
};

TEST_F(QtMainViewTest, ControlsSitWhereTheLayoutPutsThem) {
    const DialogLayout& layout = MainDialogLayout();
    EXPECT_EQ(view.size(), DialogSize(layout, view.Units()));
    for (size_t i = 0; i < layout.controlCount; ++i) {
        const ControlLayout& control = layout.controls[i];
        if (control.id == kNoId) continue;
        SCOPED_TRACE(control.id);
        ASSERT_NE(view.Control(control.id), nullptr);
        EXPECT_EQ(view.Control(control.id)->geometry(), DialogRect(control, view.Units()));
        if (auto* button = qobject_cast<QPushButton*>(view.Control(control.id))) {
            EXPECT_FALSE(button->autoDefault());
            EXPECT_EQ(button->text(), QString::fromLatin1(control.caption));
        }
    }
    // The pinned font keeps the window the same size everywhere.
    EXPECT_EQ(view.Display()->font().family(), QStringLiteral("DejaVu Sans Mono"));
}

TEST_F(QtMainViewTest, ClicksReportTheControlAndLeaveEveryMarkToTheProgram) {
    const uint16_t programSet[] = {C::kHex, C::kSendX, C::kDisplayHalt, C::kDtr, C::kRts,
                                   C::kCts, C::kDsr,   C::kRi,          C::kRlsd};
    for (uint16_t id : programSet) {
        SCOPED_TRACE(id);
        QAbstractButton* button = ButtonOf(id);
        ASSERT_NE(button, nullptr);
        events.clicks.clear();

        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(events.clicks, std::vector<uint16_t>{id});
        EXPECT_FALSE(view.IsChecked(id));

        view.SetChecked(id, true);
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_TRUE(view.IsChecked(id));
        EXPECT_EQ(events.clicks.size(), 2u);
    }
    events.clicks.clear();
    QTest::mouseClick(ButtonOf(C::kSyncX), Qt::LeftButton);
    EXPECT_EQ(events.clicks, std::vector<uint16_t>{C::kSyncX});
}

TEST_F(QtMainViewTest, IndicatorsShowTheirTextLeftOfTheMark) {
    for (uint16_t id : {C::kDtr, C::kRts, C::kCts, C::kDsr, C::kRi, C::kRlsd}) {
        EXPECT_EQ(view.Control(id)->layoutDirection(), Qt::RightToLeft) << id;
        EXPECT_FALSE(ButtonOf(id)->autoExclusive()) << id;
    }
}

TEST_F(QtMainViewTest, LampFillsItsAreaWithEachColour) {
    const LampColour colours[] = {LampColour::Yellow, LampColour::Green,   LampColour::Grey,
                                  LampColour::Red,    LampColour::Magenta, LampColour::Black};
    QWidget* lamp = view.Control(C::kLamp);
    for (LampColour colour : colours) {
        view.SetLamp(colour);
        const QImage image = lamp->grab().toImage();
        const Rgb want = LampRgb(colour);
        for (QPoint point : {QPoint(0, 0), image.rect().center(), image.rect().bottomRight()}) {
            EXPECT_EQ(image.pixelColor(point), QColor(want.red, want.green, want.blue))
                << static_cast<int>(colour) << " at " << point.x() << "," << point.y();
        }
    }
}

TEST_F(QtMainViewTest, FieldsAndCaptionShowWindows1252Text) {
    view.SetFieldText(C::kStatusLine, "==== \xA7 \x80 ====");
    view.SetCaption("QUORVANTVIEW   \xE4   V.2.17");
    EXPECT_EQ(qobject_cast<QLineEdit*>(view.Control(C::kStatusLine))->text(),
              QString::fromUtf8("==== § € ===="));
    EXPECT_EQ(view.windowTitle(), QString::fromUtf8("QUORVANTVIEW   ä   V.2.17"));
}

TEST_F(QtMainViewTest, FocusNoticesComeOnlyFromSettingsFieldAndStatusLine) {
    QTest::mouseClick(view.Control(C::kSettingsField), Qt::LeftButton);
    QTest::mouseClick(view.Control(C::kClock), Qt::LeftButton);
    QTest::mouseClick(view.Control(C::kStatusLine), Qt::LeftButton);
    // Delivered after Qt's own focus change is over.
    EXPECT_TRUE(events.focuses.empty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return events.focuses.size() == 2; }, 2000));
    EXPECT_EQ(events.focuses, (std::vector<uint16_t>{C::kSettingsField, C::kStatusLine}));
}

TEST_F(QtMainViewTest, TimersTickUntilStopped) {
    view.StartTimer(999, 10);
    view.StartTimer(998, 15);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return std::count(events.timers.begin(), events.timers.end(), 999) >= 2 &&
                   std::count(events.timers.begin(), events.timers.end(), 998) >= 2;
        },
        3000));
    view.StopTimer(999);
    view.StopTimer(998);
    events.timers.clear();
    QTest::qWait(60);
    EXPECT_TRUE(events.timers.empty());
}

// A box opened from a tick has its own event loop; the ticks must go on in
// it, each one whole, and the tick that opened it goes on once it closes.
// The boxes of the desktop and a bare one, as a later box may come.
TEST_F(QtMainViewTest, TicksGoOnWhileABoxOpenedByATickStands) {
    QtDesktop desktop(view, "quorvant");
    const SaveFileRequest request{"", "screen", "txt", "Save"};
    const std::pair<const char*, std::function<void()>> boxes[] = {
        {"message box", [&] { desktop.ShowMessage("The log cannot be written."); }},
        {"save dialog",
         [&] {
             char path[256];
             (void)desktop.AskSaveFileName(request, path, sizeof(path));
         }},
        {"bare dialog",
         [&] {
             QDialog box(&view);
             box.exec();
         }},
    };
    constexpr long kTicksUnder = 3;
    for (const auto& [what, openBox] : boxes) {
        SCOPED_TRACE(what);
        std::vector<std::string> journal;
        int depth = 0;
        int deepest = 0;
        long under = 0;
        // Closes the box when the ticks stay away, so the test fails, not hangs.
        QTimer giveUp;
        giveUp.setSingleShot(true);
        QObject::connect(&giveUp, &QTimer::timeout, RejectStandingBoxes);
        events.onTimer = [&](uint16_t) {
            deepest = std::max(deepest, ++depth);
            if (journal.empty()) {
                journal.push_back("open");
                giveUp.start(3000);
                openBox();
                journal.push_back("closed");
            } else if (depth > 1) {
                journal.push_back("under the box");
                if (++under == kTicksUnder) RejectStandingBoxes();
            } else {
                journal.push_back("after");
            }
            --depth;
        };
        view.StartTimer(kPollTimer, 50);
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return !journal.empty() && journal.back() == "after"; }, 5000));
        view.StopTimer(kPollTimer);
        events.onTimer = nullptr;

        std::vector<std::string> inOrder{"open"};
        inOrder.insert(inOrder.end(), kTicksUnder, "under the box");
        inOrder.push_back("closed");
        if (journal.size() > inOrder.size()) {
            inOrder.insert(inOrder.end(), journal.size() - inOrder.size(), "after");
        }
        EXPECT_EQ(journal, inOrder);
        // Ticks nest only in the box's loop, never in a tick that runs on.
        EXPECT_EQ(deepest, 2);
    }
}

// The window's teardown stops the poll timer from whatever tick it runs in,
// also one under a box: no tick follows once the box has closed.
TEST_F(QtMainViewTest, TimerStoppedUnderABoxStaysStopped) {
    int ticks = 0;
    events.onTimer = [&](uint16_t) {
        if (++ticks == 1) {
            QTimer::singleShot(300, RejectStandingBoxes);
            QDialog box(&view);
            box.exec();
        } else {
            view.StopTimer(kPollTimer);
        }
    };
    view.StartTimer(kPollTimer, 20);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return ticks >= 1 && !QApplication::activeModalWidget(); }, 2000));
    QTest::qWait(150);
    EXPECT_EQ(ticks, 2);
}

// Each tick is due one period after the one before, never sooner: no tick is
// doubled by re-arming.
TEST_F(QtMainViewTest, TicksKeepTheirPeriod) {
    constexpr int kTicks = 25;
    constexpr int kPeriodMs = 20;
    QElapsedTimer clock;
    qint64 lastTickMs = 0;
    events.onTimer = [&](uint16_t) {
        if (events.timers.size() == kTicks) lastTickMs = clock.elapsed();
    };
    clock.start();
    view.StartTimer(kPollTimer, kPeriodMs);
    ASSERT_TRUE(QTest::qWaitFor([&] { return lastTickMs != 0; }, 5000));
    view.StopTimer(kPollTimer);
    EXPECT_GE(lastTickMs, kTicks * kPeriodMs);
}

TEST_F(QtMainViewTest, CloseBoxAsksTheProgramAndKeepsTheWindow) {
    view.close();
    EXPECT_EQ(events.closeRequests, 1);
    EXPECT_TRUE(view.isVisible());
    view.EndWindow();
    EXPECT_FALSE(view.isVisible());
    EXPECT_TRUE(view.Ended());
}

// The core hands over one '\n' per line end and counts in characters; the
// document must show each as a block of its own and count the same.
TEST_F(QtMainViewTest, DisplayShowsWindows1252TextAndCutsTheFrontByCharacters) {
    Append("AB\nC");
    Append("\n");
    Append("x\ny\xE4\x80\xA7");
    EXPECT_EQ(DisplayText(), QString::fromUtf8("AB\nC\nx\ny\u00E4\u20AC\u00A7"));
    EXPECT_EQ(view.Display()->blockCount(), 4);

    view.DisplayDeleteFront(3);  // "AB" and its line end
    EXPECT_EQ(DisplayText(), QString::fromUtf8("C\nx\ny\u00E4\u20AC\u00A7"));
    view.DisplayDeleteFront(1);
    EXPECT_EQ(DisplayText(), QString::fromUtf8("\nx\ny\u00E4\u20AC\u00A7"));

    view.DisplayClear();
    EXPECT_EQ(DisplayText(), QString());
    EXPECT_EQ(view.DisplayFirstVisibleCharacter(), 0u);
}

TEST_F(QtMainViewTest, FirstVisibleCharacterStartsTheTopLine) {
    // 60 lines of "NN......" and a line end, 9 characters each: the view
    // scrolls to the end.
    for (int line = 0; line < 60; ++line) {
        char text[16];
        std::snprintf(text, sizeof(text), "%02d......\n", line);
        Append(text);
    }
    view.FlushDisplay();
    QScrollBar* bar = view.Display()->verticalScrollBar();
    ASSERT_GT(bar->value(), 0);
    const size_t position = view.DisplayFirstVisibleCharacter();
    EXPECT_EQ(position % 9, 0u);
    EXPECT_EQ(position / 9, static_cast<size_t>(bar->value()));
}

TEST_F(QtMainViewTest, EachEventsDisplayChangesAreOneEditBlock) {
    // Between the edits of one tick the document must not lay itself out.
    int changes = 0;
    QObject::connect(view.Display()->document(), &QTextDocument::contentsChanged,
                     [&] { ++changes; });
    view.DisplayAppend("0123456789\n", 11);
    view.DisplayAppend("abc", 3);
    view.DisplayDeleteFront(5);
    EXPECT_EQ(changes, 0);
    view.FlushDisplay();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(view.Display()->toPlainText(), QStringLiteral("56789\nabc"));
}

}  // namespace
