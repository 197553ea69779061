#include "qt/DeferredKeyboardLayout.h"

#include <QCoreApplication>

DeferredKeyboardLayout::~DeferredKeyboardLayout() {
    if (xkb && QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeNativeEventFilter(xkb.get());
    }
}

char32_t DeferredKeyboardLayout::BaseCharacter(uint32_t evdevCode, uint32_t group) {
    return Active().BaseCharacter(evdevCode, group);
}

void DeferredKeyboardLayout::Resolve() {
    if (resolved) return;
    resolved = true;
    xkb = XkbLayout::FromQtConnection();
    // From here on a new keyboard or a changed map marks the keymap stale.
    if (xkb && QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->installNativeEventFilter(xkb.get());
    }
}

KeyboardLayout& DeferredKeyboardLayout::Active() {
    Resolve();
    return xkb ? static_cast<KeyboardLayout&>(*xkb) : german;
}
