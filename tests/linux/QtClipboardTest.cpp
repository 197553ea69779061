// The main window's copy on Qt: the display's bytes reach the clipboard as
// the characters they show, with LF line ends.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>

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

}  // namespace
