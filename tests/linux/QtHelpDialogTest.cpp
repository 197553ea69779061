// The Qt help window on the offscreen platform, driven by the real help
// logic: built from the layout data, the text and colour of each language,
// the marks, the clipboard, and the keys that end it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include "QtTestSupport.h"
#include "help/HelpTexts.h"
#include "help/HelpWindow.h"
#include "qt/Cp1252.h"
#include "qt/QtHelpDialog.h"

namespace H = HelpControl;

namespace {

class QtHelpDialogTest : public QtFixture {
  protected:
    void OpenWith(char language) {
        helpLanguage = language;
        box.Open();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
        ASSERT_TRUE(QTest::qWaitFor([&] { return Text()->hasFocus(); }, 2000));
    }
    QPlainTextEdit* Text() { return box.HelpTextControl(); }
    QAbstractButton* ButtonOf(uint16_t id) {
        return qobject_cast<QAbstractButton*>(box.Control(id));
    }
    QColor Background() { return Text()->palette().color(QPalette::Base); }

    char helpLanguage = 'D';
    HelpWindow logic{helpLanguage};
    QtHelpDialog box{logic, nullptr};
};

TEST_F(QtHelpDialogTest, ControlsSitWhereTheLayoutPutsThem) {
    OpenWith('E');
    const DialogLayout& layout = HelpDialogLayout();
    EXPECT_EQ(box.windowTitle(), QStringLiteral("help window"));
    for (size_t i = 0; i < layout.controlCount; ++i) {
        const ControlLayout& control = layout.controls[i];
        SCOPED_TRACE(control.id);
        ASSERT_NE(box.Control(control.id), nullptr);
        // Only the hint line is reached with Tab.
        EXPECT_EQ(box.Control(control.id)->focusPolicy() == Qt::StrongFocus,
                  control.id == H::kHint);
    }
    EXPECT_FALSE(Text()->isReadOnly());
    EXPECT_TRUE(qobject_cast<QLineEdit*>(box.Control(H::kHint))->isReadOnly());
}

TEST_F(QtHelpDialogTest, ShowsEachLanguageAndReplacesTypedText) {
    OpenWith('E');
    EXPECT_EQ(Text()->toPlainText(), Cp1252ToQString(kHelpTextEnglish));
    EXPECT_EQ(Background(), QColor(0xFF, 0xE0, 0x70));
    EXPECT_EQ(qobject_cast<QLineEdit*>(box.Control(H::kHint))->text(),
              QStringLiteral("Return to main window: press ESCAPE;"));
    EXPECT_TRUE(ButtonOf(H::kEnglish)->isChecked());
    EXPECT_FALSE(ButtonOf(H::kGerman)->isChecked());

    // Return in the text is a line break, not the end of the window.
    QTest::keyClicks(Text(), "typed");
    QTest::keyClick(Text(), Qt::Key_Return);
    EXPECT_TRUE(box.isVisible());
    EXPECT_TRUE(Text()->toPlainText().contains(QStringLiteral("typed")));

    ButtonOf(H::kGerman)->click();
    EXPECT_EQ(helpLanguage, 'D');
    const QString german = Text()->toPlainText();
    EXPECT_EQ(german, Cp1252ToQString(kHelpTextGerman));
    EXPECT_TRUE(german.contains(QStringLiteral("ver\u00E4ndern")));
    EXPECT_EQ(Background(), QColor(0xE0, 0xFF, 0x70));
    EXPECT_TRUE(ButtonOf(H::kGerman)->isChecked());
    EXPECT_FALSE(ButtonOf(H::kEnglish)->isChecked());
}

TEST_F(QtHelpDialogTest, CopiesTheWholeTextAndClosesWithEscape) {
    OpenWith('D');
    QGuiApplication::clipboard()->clear();
    ButtonOf(H::kCopy)->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), Cp1252ToQString(kHelpTextGerman));
    EXPECT_TRUE(Text()->textCursor().atEnd());
    EXPECT_FALSE(Text()->textCursor().hasSelection());

    QTest::keyClick(&box, Qt::Key_Escape);
    EXPECT_FALSE(box.isVisible());
}

}  // namespace
