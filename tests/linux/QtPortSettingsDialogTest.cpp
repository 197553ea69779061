// The Qt port settings dialog on the offscreen platform, driven by the real
// dialog logic: built from the layout data, marks set only by the logic, the
// focus passed on to the new port, the keys that end it, the live port list
// and the line under it that names each present port's device.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <map>
#include <string>

#include <termios.h>

#include "FakeCommDevice.h"
#include "PtyPort.h"
#include "QtTestSupport.h"
#include "TermiosCommDevice.h"
#include "app/TerminalApp.h"
#include "qt/LocalTimeSource.h"
#include "qt/QtDesktop.h"
#include "qt/QtMainView.h"
#include "qt/QtPortSettingsDialog.h"
#include "qt/TerminalWindowEvents.h"
#include "serial/PortSettingsDialog.h"
#include "window/TerminalWindow.h"

namespace P = PortControl;

namespace {

// Names that know the device behind some ports, as the Linux names do.
class DescribedPortNames final : public FakePortNames {
  public:
    using FakePortNames::FakePortNames;
    bool Describe(uint16_t port, char* out, size_t capacity) const override {
        auto it = descriptions.find(port);
        if (it == descriptions.end()) return false;
        std::snprintf(out, capacity, "%s", it->second.c_str());
        return true;
    }
    std::map<uint16_t, std::string> descriptions;
};

class QtPortSettingsDialogTest : public QtFixture {
  protected:
    QtPortSettingsDialogTest() {
        names.descriptions[33] = "/dev/ttyUSB0 (usb-Maker_Adapter_A1-if00-port0)";
        logic.SetRequest(LineSettings{33, 115200, 'E', 8, 1});
        box.Open();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&box));
    }

    QAbstractButton* ButtonOf(uint16_t id) {
        return qobject_cast<QAbstractButton*>(box.Control(id));
    }
    QString TextOf(uint16_t id) {
        QWidget* control = box.Control(id);
        if (auto* edit = qobject_cast<QLineEdit*>(control)) return edit->text();
        if (auto* area = qobject_cast<QPlainTextEdit*>(control)) return area->toPlainText();
        if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
        return QString();
    }
    bool FocusOn(uint16_t id) {
        return QTest::qWaitFor([&] { return box.Control(id)->hasFocus(); }, 2000);
    }
    std::string Result() const { return logic.ResultText().text; }

    DescribedPortNames names{1, 33};
    PortSettingsDialog logic{names};
    QtPortSettingsDialog box{logic, nullptr};
};

TEST_F(QtPortSettingsDialogTest, ControlsSitWhereTheLayoutPutsThem) {
    const DialogLayout& layout = PortDialogLayoutWithHint();
    EXPECT_EQ(box.size(), DialogSize(layout, box.Units()));
    EXPECT_EQ(box.windowTitle(), QStringLiteral("Serial Port Settings"));
    int radios = 0;
    for (size_t i = 0; i < layout.controlCount; ++i) {
        const ControlLayout& control = layout.controls[i];
        if (control.id == kNoId) continue;
        SCOPED_TRACE(control.id);
        QWidget* widget = box.Control(control.id);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->geometry(), DialogRect(control, box.Units()));
        // Only the new port number is reached with Tab.
        EXPECT_EQ(widget->focusPolicy() == Qt::StrongFocus, control.id == P::kNewPort);
        if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
            ++radios;
            EXPECT_FALSE(radio->autoExclusive());
            EXPECT_EQ(radio->text(), QString::fromLatin1(control.caption));
        }
    }
    EXPECT_EQ(radios, 27);
    EXPECT_EQ(box.Control(1021)->layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(box.Control(P::kParityEven)->layoutDirection(), Qt::LeftToRight);
    EXPECT_TRUE(qobject_cast<QLineEdit*>(box.Control(P::kCurrentPort))->isReadOnly());
    EXPECT_FALSE(qobject_cast<QLineEdit*>(box.Control(P::kNewPort))->isReadOnly());
}

TEST_F(QtPortSettingsDialogTest, ShowsTheRequestAndThePortsWithTheirDevices) {
    EXPECT_EQ(TextOf(P::kCurrentSettings), QStringLiteral("115200,E,8,1"));
    EXPECT_EQ(TextOf(P::kCurrentPort), QStringLiteral("33"));
    EXPECT_TRUE(ButtonOf(P::kPermanently)->isChecked());
    const QString list = TextOf(P::kPortList);
    EXPECT_TRUE(list.startsWith(QStringLiteral("001 ___ "))) << list.toStdString();
    EXPECT_EQ(list.mid(32 * 4, 4), QStringLiteral("033 "));
    // The list keeps its own text; the device names stand beside it.
    const QString hint = QStringLiteral("COM33 = /dev/ttyUSB0 (usb-Maker_Adapter_A1-if00-port0)");
    EXPECT_EQ(TextOf(P::kPortHint), hint);
    EXPECT_EQ(box.Control(P::kPortList)->toolTip(), hint);
}

TEST_F(QtPortSettingsDialogTest, RadioMarksComeOnlyFromTheLogic) {
    ASSERT_TRUE(ButtonOf(1032)->isChecked());
    // Clicking the marked button leaves it marked; a plain radio button
    // without its set around it would drop the mark.
    QTest::mouseClick(ButtonOf(1032), Qt::LeftButton);
    EXPECT_TRUE(ButtonOf(1032)->isChecked());
    QTest::mouseClick(ButtonOf(1025), Qt::LeftButton);
    EXPECT_TRUE(ButtonOf(1025)->isChecked());
    EXPECT_FALSE(ButtonOf(1032)->isChecked());
    QTest::mouseClick(ButtonOf(P::kParityNone), Qt::LeftButton);
    EXPECT_TRUE(ButtonOf(P::kParityNone)->isChecked());
    EXPECT_FALSE(ButtonOf(P::kParityEven)->isChecked());
    EXPECT_TRUE(ButtonOf(1025)->isChecked());

    QTest::mouseClick(ButtonOf(P::kPermanently), Qt::LeftButton);
    EXPECT_FALSE(ButtonOf(P::kPermanently)->isChecked());
    QTest::mouseClick(ButtonOf(P::kOk), Qt::LeftButton);
    EXPECT_EQ(Result(), "033_009600_N_8_1_0_");
    EXPECT_FALSE(box.isVisible());
}

TEST_F(QtPortSettingsDialogTest, ReadOnlyFieldsPassTheFocusToTheNewPort) {
    for (uint16_t id : {P::kPortList, P::kCurrentPort, P::kCurrentSettings}) {
        SCOPED_TRACE(id);
        box.Control(id)->setFocus(Qt::MouseFocusReason);
        EXPECT_TRUE(FocusOn(P::kNewPort));
    }
    QTest::keyClicks(box.Control(P::kNewPort), "7");
    QTest::keyClick(box.Control(P::kNewPort), Qt::Key_Return);
    EXPECT_EQ(Result(), "007_115200_E_8_1_P_");
}

TEST_F(QtPortSettingsDialogTest, EscapeAndTheCloseBoxHandBackTheRequest) {
    QTest::mouseClick(ButtonOf(1025), Qt::LeftButton);
    QTest::keyClick(box.Control(P::kNewPort), Qt::Key_Escape);
    EXPECT_EQ(Result(), "033_115200_E_8_1_X_");
    EXPECT_FALSE(box.isVisible());
    box.Close();

    QtPortSettingsDialog again(logic, nullptr);
    again.Open();
    QTest::mouseClick(qobject_cast<QAbstractButton*>(again.Control(1021)), Qt::LeftButton);
    again.close();
    EXPECT_EQ(Result(), "033_115200_E_8_1_X_");
    EXPECT_FALSE(again.isVisible());
}

TEST_F(QtPortSettingsDialogTest, TheTimerRebuildsTheListAndRefocuses) {
    const QString opening = TextOf(P::kPortList);
    ASSERT_TRUE(opening.endsWith(QLatin1Char(' ')));
    box.Control(P::kOk)->setFocus();
    // The first tick hands the focus to the new port.
    EXPECT_TRUE(FocusOn(P::kNewPort));
    // The first rebuild comes on the tenth tick, 5 s after opening.
    names.present.insert(3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return TextOf(P::kPortList).endsWith('_'); }, 8000));
    EXPECT_TRUE(TextOf(P::kPortList).startsWith(QStringLiteral("001 ___ 003 ")));
    names.present.erase(33);
    ASSERT_TRUE(QTest::qWaitFor([&] { return TextOf(P::kPortList).endsWith(' '); }, 4000));
    EXPECT_EQ(TextOf(P::kPortList).mid(32 * 4, 4), QStringLiteral("___ "));
    EXPECT_EQ(TextOf(P::kPortHint), QString());

    box.Close();
    const QString closed = TextOf(P::kPortList);
    QTest::qWait(2200);
    EXPECT_EQ(TextOf(P::kPortList), closed);
}

// The real window on a pty as COM1, with the real desktop: a click into the
// settings field runs the dialog modally and the port opens again with its
// answer.
class QtPortSettingsChangeTest : public QtFixture {
  protected:
    QtPortSettingsChangeTest() {
        // A window ended by an earlier test leaves Qt refusing to run any
        // further event loop, the dialog's included, until the application's
        // own loop has run once.
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
        view.Attach(&events);
    }
    ~QtPortSettingsChangeTest() override {
        window.TearDown();
        view.Attach(nullptr);
    }

    void SetUp() override {
        ASSERT_TRUE(port.Ok());
        window.InitWindow();
        view.FlushDisplay();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
        ASSERT_EQ(Field(), " COM1: 115200,E,8,1");
    }

    std::string Field() {
        return qobject_cast<QLineEdit*>(view.Control(MainControl::kSettingsField))
            ->text()
            .toStdString();
    }

    // Clicks into the settings field and plays the user in the dialog once it
    // is up; returns when the dialog has closed.
    void ChangeSettings(const std::function<void(QtPortSettingsDialog&)>& user) {
        // The window is active again after a dialog: typing goes to the port.
        ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
        bool played = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* box = dynamic_cast<QtPortSettingsDialog*>(QApplication::activeModalWidget());
            if (box == nullptr || played) return;
            played = true;
            user(*box);
        });
        poll.start(20);
        QTest::mouseClick(view.Control(MainControl::kSettingsField), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return played; }, 5000)) << "no dialog";
        ASSERT_TRUE(
            QTest::qWaitFor([] { return QApplication::activeModalWidget() == nullptr; }, 5000));
    }

    speed_t LineSpeed() const {
        termios line{};
        tcgetattr(port.pty.MasterFd(), &line);
        return cfgetospeed(&line);
    }

    PtyPort port;
    TermiosCommDevice device{port.names};
    LocalTimeSource clock;
    std::string modulePath = port.directory.Path() + "quorvant";
    PlatformServices services{device, clock, modulePath.c_str(), modulePath.c_str(),
                              '/',    true,  &port.names};
    TerminalApp app{services};
    QtMainView view;
    QtDesktop desktop{view, "quorvant"};
    TerminalWindow window{app.Services(), view, desktop};
    TerminalWindowEvents events{window};
};

TEST_F(QtPortSettingsChangeTest, OkOpensThePortWithTheChosenSettings) {
    ChangeSettings([](QtPortSettingsDialog& box) {
        QTest::mouseClick(qobject_cast<QAbstractButton*>(box.Control(1025)), Qt::LeftButton);
        QTest::mouseClick(qobject_cast<QAbstractButton*>(box.Control(P::kParityNone)),
                          Qt::LeftButton);
        QTest::keyClick(box.Control(P::kNewPort), Qt::Key_Return);
    });
    EXPECT_EQ(Field(), " COM1: 9600,N,8,1");
    EXPECT_EQ(LineSpeed(), static_cast<speed_t>(B9600));

    // ESCAPE keeps it all.
    ChangeSettings([](QtPortSettingsDialog& box) {
        QTest::mouseClick(qobject_cast<QAbstractButton*>(box.Control(1021)), Qt::LeftButton);
        QTest::keyClick(box.Control(P::kNewPort), Qt::Key_Escape);
    });
    EXPECT_EQ(Field(), " COM1: 9600,N,8,1");
    EXPECT_EQ(LineSpeed(), static_cast<speed_t>(B9600));
    EXPECT_TRUE(view.IsChecked(MainControl::kDtr));
}

}  // namespace
