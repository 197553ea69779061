// The main window's copy and save on Qt: the display's bytes reach the
// clipboard and the file as the characters they show, with LF line ends; the
// save dialog is set up as asked.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QTemporaryDir>

#include "QtTestSupport.h"
#include "qt/QtDesktop.h"
#include "qt/QtMainView.h"

namespace {

class QtClipboardTest : public QtFixture {
  protected:
    QtMainView view;
    QtDesktop desktop{view, "quorvant"};
};

TEST_F(QtClipboardTest, CopiesWindows1252TextWithLineFeeds) {
    const char text[] = "one\r\ntwo\rthree\n\xE4\x80\xFF end";
    ASSERT_TRUE(desktop.CopyToClipboard(text, sizeof(text) - 1));
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QString::fromUtf8("one\ntwo\nthree\n\u00E4\u20AC\u00FF end"));
}

TEST_F(QtClipboardTest, SaveDialogOffersTxtFirstAndAsksBeforeOverwriting) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QByteArray path = QFile::encodeName(folder.path()) + "/";
    const SaveFileRequest request{path.constData(), "261206061000_quorvant_screenshot.txt", "txt",
                                  "quorvant  SAVE screenshot file"};
    QFileDialog dialog;
    ConfigureSaveDialog(dialog, request);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("quorvant  SAVE screenshot file"));
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog.nameFilters().first(), QStringLiteral("txt (*.txt)"));
    EXPECT_EQ(dialog.selectedNameFilter(), QStringLiteral("txt (*.txt)"));
    EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("txt"));
    EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(dialog.directory().absolutePath(), folder.path());
    EXPECT_TRUE(dialog.selectedFiles().first().endsWith(
        QStringLiteral("/261206061000_quorvant_screenshot.txt")));
}

TEST_F(QtClipboardTest, ScreenshotsAreUtf8WithLineFeeds) {
    EXPECT_EQ(desktop.ScreenshotForm(), TextForm::Utf8Lf);
}

}  // namespace
