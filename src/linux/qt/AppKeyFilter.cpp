#include "qt/AppKeyFilter.h"

#include <QKeyEvent>
#include <QWidget>

#include "qt/KeyTranslator.h"
#include "qt/QtMainView.h"

AppKeyFilter::AppKeyFilter(QtMainView& view, const KeyTranslator& translator)
    : view(view), translator(translator) {}

bool AppKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::Wheel) return false;
    // Widgets only: Qt shows the event to the native window first. Other
    // windows (message boxes, dialogs) handle their own keys.
    if (!watched->isWidgetType()) return false;
    if (static_cast<QWidget*>(watched)->window() != &view || view.Ended()) return false;

    KeyMessage message;
    KeyboardState keyboard;
    if (type == QEvent::Wheel) {
        message.kind = KeyKind::MouseWheel;
    } else if (!translator.Translate(*static_cast<QKeyEvent*>(event), message, keyboard)) {
        return false;
    }
    // A key passed on travels up to the parent widgets and comes by here
    // again; the window logic keeps no state for such keys, so asking twice
    // gives the same answer.
    return view.DeliverKey(message, keyboard) == KeyResult::Handled;
}
