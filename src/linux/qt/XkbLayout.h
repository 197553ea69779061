#pragma once
#include <QAbstractNativeEventFilter>
#include <cstdint>
#include <memory>

#include "qt/KeyboardLayout.h"

struct xcb_connection_t;
struct xkb_context;
struct xkb_keymap;

// The X server's keyboard layout, read with libxkbcommon-x11 over Qt's own
// connection. The keymap is fetched again when the server reports a new
// keyboard or a changed map (setxkbmap, a layout switch in the desktop).
class XkbLayout final : public KeyboardLayout, public QAbstractNativeEventFilter {
  public:
    // The layout of the running X display, or nullptr when Qt has no X
    // connection (the offscreen platform) or the server lacks XKB.
    static std::unique_ptr<XkbLayout> FromQtConnection();
    ~XkbLayout() override;

    char32_t BaseCharacter(uint32_t evdevCode, uint32_t group) override;
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  private:
    XkbLayout(xcb_connection_t* connection, int32_t deviceId, uint8_t xkbEventBase);
    bool LoadKeymap();

    xcb_connection_t* connection;
    int32_t deviceId;
    uint8_t xkbEventBase;
    xkb_context* context = nullptr;
    xkb_keymap* keymap = nullptr;
    bool keymapStale = true;
};
