#include "qt/XkbLayout.h"

#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <QGuiApplication>
#include <cstdlib>

namespace {

// X keycodes are evdev codes shifted by the 8 codes the core protocol reserves.
constexpr uint32_t kX11KeycodeOffset = 8;
// Event codes within the XKB extension's event (second byte of the event).
constexpr uint8_t kXkbNewKeyboardNotify = 0;
constexpr uint8_t kXkbMapNotify = 1;
constexpr uint8_t kSendEventBit = 0x80;

struct DeadKey {
    uint32_t keysym;
    char32_t spacing;
};

constexpr DeadKey kDeadKeys[] = {
    {XKB_KEY_dead_grave, '`'},       {XKB_KEY_dead_acute, 0xB4},
    {XKB_KEY_dead_circumflex, '^'},  {XKB_KEY_dead_tilde, '~'},
    {XKB_KEY_dead_macron, 0xAF},     {XKB_KEY_dead_breve, 0x2D8},
    {XKB_KEY_dead_abovedot, 0x2D9},  {XKB_KEY_dead_diaeresis, 0xA8},
    {XKB_KEY_dead_abovering, 0x2DA}, {XKB_KEY_dead_doubleacute, 0x2DD},
    {XKB_KEY_dead_caron, 0x2C7},     {XKB_KEY_dead_cedilla, 0xB8},
    {XKB_KEY_dead_ogonek, 0x2DB},
};

}  // namespace

char32_t DeadKeyCharacter(uint32_t keysym) {
    for (const DeadKey& dead : kDeadKeys) {
        if (dead.keysym == keysym) return dead.spacing;
    }
    return 0;
}

std::unique_ptr<XkbLayout> XkbLayout::FromQtConnection() {
    if (qGuiApp == nullptr) return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 != nullptr && x11->connection() != nullptr) return FromX11(x11->connection());
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return nullptr;
    const auto environment = [](const char* name) -> const char* { return std::getenv(name); };
    return FromRuleNames(
        SessionKeyboardNames(environment, kKeyboardDefaultsFile, kXorgKeyboardFile));
}

std::unique_ptr<XkbLayout> XkbLayout::FromRuleNames(const XkbRuleNames& names) {
    if (names.layout.empty()) return nullptr;
    std::unique_ptr<XkbLayout> layout(new XkbLayout(nullptr, -1, 0));
    if (layout->context == nullptr) return nullptr;
    const auto field = [](const std::string& text) {
        return text.empty() ? nullptr : text.c_str();
    };
    const xkb_rule_names ruleNames{field(names.rules), field(names.model), field(names.layout),
                                   field(names.variant), field(names.options)};
    layout->keymap =
        xkb_keymap_new_from_names(layout->context, &ruleNames, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (layout->keymap == nullptr) return nullptr;
    layout->keymapStale = false;
    return layout;
}

std::unique_ptr<XkbLayout> XkbLayout::FromX11(xcb_connection_t* connection) {
    uint16_t major = 0;
    uint16_t minor = 0;
    uint8_t eventBase = 0;
    uint8_t errorBase = 0;
    if (!xkb_x11_setup_xkb_extension(
            connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
            XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, &major, &minor, &eventBase, &errorBase)) {
        return nullptr;
    }
    const int32_t deviceId = xkb_x11_get_core_keyboard_device_id(connection);
    if (deviceId < 0) return nullptr;
    std::unique_ptr<XkbLayout> layout(new XkbLayout(connection, deviceId, eventBase));
    if (layout->context == nullptr || !layout->LoadKeymap()) return nullptr;
    return layout;
}

XkbLayout::XkbLayout(xcb_connection_t* connection, int32_t deviceId, uint8_t xkbEventBase)
    : connection(connection),
      deviceId(deviceId),
      xkbEventBase(xkbEventBase),
      // Names left empty take the rules' defaults, never the environment's:
      // the names given are the whole choice.
      context(xkb_context_new(connection == nullptr ? XKB_CONTEXT_NO_ENVIRONMENT_NAMES
                                                    : XKB_CONTEXT_NO_FLAGS)) {}

XkbLayout::~XkbLayout() {
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
}

bool XkbLayout::LoadKeymap() {
    xkb_keymap* fresh =
        xkb_x11_keymap_new_from_device(context, connection, deviceId, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (fresh == nullptr) return false;
    xkb_keymap_unref(keymap);
    keymap = fresh;
    keymapStale = false;
    return true;
}

char32_t XkbLayout::BaseCharacter(uint32_t evdevCode, uint32_t group) {
    // A failed reload keeps the old keymap: a slightly stale layout is better
    // than none.
    if (keymapStale && connection != nullptr) LoadKeymap();
    if (keymap == nullptr) return 0;
    const xkb_keycode_t keycode = evdevCode + kX11KeycodeOffset;
    const xkb_layout_index_t groups = xkb_keymap_num_layouts_for_key(keymap, keycode);
    if (groups == 0) return 0;
    // The server wraps a group the key lacks into the key's own range.
    const xkb_layout_index_t keyGroup = group % groups;
    const xkb_keysym_t* symbols = nullptr;
    const int count = xkb_keymap_key_get_syms_by_level(keymap, keycode, keyGroup, 0, &symbols);
    if (count < 1 || symbols == nullptr) return 0;
    const char32_t dead = DeadKeyCharacter(symbols[0]);
    if (dead != 0) return dead;
    return xkb_keysym_to_utf32(symbols[0]);
}

bool XkbLayout::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (connection == nullptr || eventType != "xcb_generic_event_t" || message == nullptr) {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & ~kSendEventBit) != xkbEventBase) return false;
    const uint8_t xkbType = event->pad0;
    if (xkbType == kXkbNewKeyboardNotify || xkbType == kXkbMapNotify) keymapStale = true;
    return false;
}
