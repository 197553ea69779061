#pragma once
#include <QAbstractNativeEventFilter>
#include <cstdint>
#include <memory>

#include "qt/KeyboardLayout.h"
#include "qt/XkbRuleNames.h"

struct xcb_connection_t;
struct xkb_context;
struct xkb_keymap;

// The keyboard layout the user types with, through libxkbcommon. Under X it
// is the server's, read over Qt's own connection and fetched again when the
// server reports a new keyboard or a changed map (setxkbmap, a layout switch
// in the desktop). A Wayland client cannot ask for it in a way Qt lets
// through, so there the layout is compiled from the names the session
// configures.
class XkbLayout final : public KeyboardLayout, public QAbstractNativeEventFilter {
  public:
    // The layout of the running X display; on Wayland the one the session
    // names (SessionKeyboardNames). nullptr elsewhere (the offscreen
    // platform, whose keys follow no keyboard), when the X server lacks XKB
    // or when no layout is named or none can be compiled.
    static std::unique_ptr<XkbLayout> FromQtConnection();
    // A layout compiled from XKB names alone; nullptr when the names give no
    // layout or the system's XKB data has none by that name.
    static std::unique_ptr<XkbLayout> FromRuleNames(const XkbRuleNames& names);
    ~XkbLayout() override;

    char32_t BaseCharacter(uint32_t evdevCode, uint32_t group) override;
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  private:
    XkbLayout(xcb_connection_t* connection, int32_t deviceId, uint8_t xkbEventBase);
    static std::unique_ptr<XkbLayout> FromX11(xcb_connection_t* connection);
    bool LoadKeymap();

    xcb_connection_t* connection;  // nullptr: compiled from names, never reloaded
    int32_t deviceId;
    uint8_t xkbEventBase;
    xkb_context* context = nullptr;
    xkb_keymap* keymap = nullptr;
    bool keymapStale = true;
};
