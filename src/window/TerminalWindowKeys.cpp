// Keys reach the window before the dialog sees them: typed keys go to the
// port at once, function keys leave requests for the next poll tick.
#include "app/TerminalApp.h"
#include "resources/DialogLayout.h"
#include "terminal/KeyTranslation.h"
#include "window/MainView.h"
#include "window/TerminalWindow.h"

KeyResult TerminalWindow::KeyFilter(const KeyMessage& message, const KeyboardState& keyboard) {
    KeyDecision decision = ClassifyKey(message, keyboard);
    switch (decision.action) {
        case KeyAction::PassOn:
            return KeyResult::PassOn;
        case KeyAction::Consume:
            break;
        case KeyAction::CloseWindow:
            CloseWindow();
            break;
        case KeyAction::ClearDisplay:
            clearRequest = 1;
            break;
        case KeyAction::FunctionKey:
            RequestFunctionKey(decision.functionKey);
            break;
        case KeyAction::StopStreamOrSend:
            if (streamOn != 0) {
                StopTestStream();
                break;
            }
            serialPort.write(&decision.byte, 1, 0);
            break;
        case KeyAction::Send:
            // A closed port loses the byte; there is nobody to tell.
            serialPort.write(&decision.byte, 1, 0);
            break;
    }
    return KeyResult::Handled;
}
