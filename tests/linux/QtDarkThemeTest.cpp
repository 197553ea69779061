// On a dark desktop theme the controls whose background the program fixes
// (the display's light green, the help text's orange and green) must not
// take the theme's light text with it: each keeps a readable contrast.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QPalette>
#include <QPlainTextEdit>
#include <QTest>
#include <cmath>

#include "QtTestSupport.h"
#include "help/HelpWindow.h"
#include "qt/QtHelpDialog.h"
#include "qt/QtMainView.h"
#include "resources/DialogLayout.h"

namespace H = HelpControl;

namespace {

// The least contrast that guidelines for readable screen text ask of body text.
constexpr double kReadableContrast = 4.5;

double Linear(double channel) {
    return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& colour) {
    return 0.2126 * Linear(colour.redF()) + 0.7152 * Linear(colour.greenF()) +
           0.0722 * Linear(colour.blueF());
}

double Contrast(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QPalette DarkPalette() {
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::WindowText, QColor(0xEE, 0xEE, 0xEE));
    dark.setColor(QPalette::Base, QColor(0x2A, 0x2A, 0x2A));
    dark.setColor(QPalette::Text, QColor(0xEE, 0xEE, 0xEE));
    dark.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::ButtonText, QColor(0xEE, 0xEE, 0xEE));
    return dark;
}

// Every state a control's text is drawn in: focused, in a window in the
// background, and disabled.
void ExpectReadable(const QWidget& control, const char* what) {
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QPalette& palette = control.palette();
        const QColor text = palette.color(group, QPalette::Text);
        const QColor base = palette.color(group, QPalette::Base);
        EXPECT_GE(Contrast(text, base), kReadableContrast)
            << what << " in group " << group << ": text " << text.name().toStdString() << " on "
            << base.name().toStdString();
    }
}

class QtDarkThemeTest : public QtFixture {
  protected:
    QtDarkThemeTest() : saved(QApplication::palette()) { QApplication::setPalette(DarkPalette()); }
    ~QtDarkThemeTest() override { QApplication::setPalette(saved); }

    QPalette saved;
};

TEST_F(QtDarkThemeTest, DisplayAndHelpTextKeepTheirTextReadable) {
    // The theme itself would put its light text on the fixed light colours.
    ASSERT_LT(
        Contrast(DarkPalette().color(QPalette::Text),
                 QColor(kDisplayBackground.red, kDisplayBackground.green, kDisplayBackground.blue)),
        kReadableContrast);

    RecordingEvents events;
    QtMainView view;
    view.Attach(&events);
    view.SetDisplayBackground(kDisplayBackground);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    ExpectReadable(*view.Display(), "display");

    char helpLanguage = 'E';
    HelpWindow logic{helpLanguage};
    QtHelpDialog box{logic, nullptr};
    box.Open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    ExpectReadable(*box.HelpTextControl(), "English help");
    qobject_cast<QAbstractButton*>(box.Control(H::kGerman))->click();
    ASSERT_EQ(helpLanguage, 'D');
    ExpectReadable(*box.HelpTextControl(), "German help");
}

}  // namespace
