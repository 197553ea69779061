#include "qt/QtWindowHost.h"

#include <QApplication>
#include <memory>

#include "qt/AppKeyFilter.h"
#include "qt/FixedGermanLayout.h"
#include "qt/KeyTranslator.h"
#include "qt/QtDesktop.h"
#include "qt/QtMainView.h"
#include "qt/TerminalWindowEvents.h"
#include "qt/XkbLayout.h"
#include "window/TerminalWindow.h"

void QtWindowHost::RunMainWindow(TerminalApp& app) {
    std::unique_ptr<XkbLayout> xkb = XkbLayout::FromQtConnection();
    FixedGermanLayout german;
    KeyboardLayout& layout = xkb ? static_cast<KeyboardLayout&>(*xkb) : german;
    if (xkb) qApp->installNativeEventFilter(xkb.get());
    const KeyTranslator translator(layout);

    QtMainView view;
    QtDesktop desktop(view, app.appPaths.BaseName());
    TerminalWindow window(app.Services(), view, desktop);
    TerminalWindowEvents events(window);
    view.Attach(&events);
    AppKeyFilter keyFilter(view, translator);
    qApp->installEventFilter(&keyFilter);

    window.InitWindow();
    view.FlushDisplay();
    if (!view.Ended()) {
        if (!view.isVisible()) view.ShowAndRaise();
        QApplication::exec();
    }

    qApp->removeEventFilter(&keyFilter);
    window.TearDown();
    view.Attach(nullptr);
    if (xkb) qApp->removeNativeEventFilter(xkb.get());
}
