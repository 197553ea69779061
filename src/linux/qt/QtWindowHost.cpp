#include "qt/QtWindowHost.h"

#include <QApplication>
#include <QByteArray>
#include <QFileInfo>
#include <QString>

#include "qt/AppKeyFilter.h"
#include "qt/DeferredKeyboardLayout.h"
#include "qt/ExitSignals.h"
#include "qt/KeyTranslator.h"
#include "qt/QtDesktop.h"
#include "qt/QtMainView.h"
#include "qt/TerminalWindowEvents.h"
#include "window/TerminalWindow.h"

namespace {

constexpr char kSessionBusVariable[] = "DBUS_SESSION_BUS_ADDRESS";
constexpr char kRuntimeDirVariable[] = "XDG_RUNTIME_DIR";
constexpr char kSessionBusSocket[] = "/bus";
// An address D-Bus refuses at once, without trying to start a bus.
constexpr char kNoSessionBus[] = "disabled:";

bool HasSessionBus() {
    if (qEnvironmentVariableIsSet(kSessionBusVariable)) return true;
    const QString runtimeDir = qEnvironmentVariable(kRuntimeDirVariable);
    return !runtimeDir.isEmpty() &&
           QFileInfo::exists(runtimeDir + QLatin1String(kSessionBusSocket));
}

}  // namespace

// The first widget built asks Qt whether accessibility is on, and Qt's
// accessibility bridge looks for its bus through the session bus. Without a
// session bus (a bare X server, a remote login) it would try to start one and
// hold the window back for tens of milliseconds, although no screen reader
// could be listening on a bus started just now.
void QtWindowHost::SkipSessionBusStart() {
    if (!HasSessionBus()) qputenv(kSessionBusVariable, QByteArray(kNoSessionBus));
}

void QtWindowHost::RunMainWindow(TerminalApp& app) {
    SkipSessionBusStart();
    DeferredKeyboardLayout layout;
    const KeyTranslator translator(layout);

    QtMainView view;
    QtDesktop desktop(view, app.appPaths.BaseName());
    TerminalWindow window(app.Services(), view, desktop);
    TerminalWindowEvents events(window);
    view.Attach(&events);
    AppKeyFilter keyFilter(view, translator);
    qApp->installEventFilter(&keyFilter);
    // From the start on: a signal that comes while a box of the start-up is
    // open ends the program the same way.
    ExitSignals exitSignals([&view] { view.RequestClose(); });

    window.InitWindow();
    view.FlushDisplay();
    if (!view.Ended()) {
        if (!view.isVisible()) view.ShowAndRaise();
        // Queued behind the window's own first calls, so after its map request.
        QMetaObject::invokeMethod(
            &view, [&layout] { layout.Resolve(); }, Qt::QueuedConnection);
        QApplication::exec();
    }

    qApp->removeEventFilter(&keyFilter);
    window.TearDown();
    view.Attach(nullptr);
}
