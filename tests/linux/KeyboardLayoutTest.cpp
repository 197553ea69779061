// The layout lookup without a display server: which XKB names the session
// gives, and what a layout compiled from them puts on a key. Only the
// machine's XKB data is used, never its keyboard or its display.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>

#include "ScratchFolder.h"
#include "qt/KeyTranslator.h"
#include "qt/XkbLayout.h"
#include "qt/XkbRuleNames.h"

namespace {

// evdev codes of the PC keys whose characters differ between layouts.
constexpr uint32_t kKeyY = 21;  // US Y, German Z
constexpr uint32_t kKeyZ = 44;  // US Z, German Y
constexpr uint32_t kKeyMinus = 12;
constexpr uint32_t kKeyQ = 16;

std::string Describe(const XkbRuleNames& n) {
    return n.rules + "|" + n.model + "|" + n.layout + "|" + n.variant + "|" + n.options;
}

TEST(KeyboardNames, DefaultsFileGivesTheFourNames) {
    const struct {
        const char* text;
        const char* names;
    } cases[] = {
        {"# KEYBOARD CONFIGURATION FILE\nXKBMODEL=\"pc105\"\nXKBLAYOUT=\"de\"\n"
         "XKBVARIANT=\"nodeadkeys\"\nXKBOPTIONS=\"\"\n\nBACKSPACE=\"guess\"\n",
         "|pc105|de|nodeadkeys|"},
        {"XKBLAYOUT=us\r\nXKBOPTIONS='ctrl:nocaps,compose:ralt'\r\n",
         "||us||ctrl:nocaps,compose:ralt"},
        {"  XKBLAYOUT = \"fr\"  # the office's keyboards\n", "||fr||"},
        {"XKBLAYOUT=gb # bare, then a comment\n", "||gb||"},
        {"#XKBLAYOUT=\"de\"\nXKBLAYOUTS=\"de\"\nXKBLAYOUT\n", "||||"},
        {"XKBLAYOUT=\"us,de\"\nXKBLAYOUT=\"ch\"", "||ch||"},  // the last one counts, as in sh
        {"", "||||"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Describe(ParseKeyboardDefaults(c.text)), c.names) << c.text;
    }
}

std::map<std::string, std::string> environment;
const char* Lookup(const char* name) {
    const auto found = environment.find(name);
    return found == environment.end() ? nullptr : found->second.c_str();
}

TEST(KeyboardNames, EnvironmentWinsOverTheDefaultsFileWhenItNamesALayout) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.Ok());
    const std::string file = folder.Join("keyboard");
    std::ofstream(file) << "XKBMODEL=\"pc105\"\nXKBLAYOUT=\"de\"\nXKBVARIANT=\"nodeadkeys\"\n";

    environment = {{"XKB_DEFAULT_LAYOUT", "us"}, {"XKB_DEFAULT_VARIANT", "dvorak"}};
    EXPECT_EQ(Describe(SessionKeyboardNames(Lookup, file.c_str())), "||us|dvorak|");
    // A variant without a layout belongs to no layout the file names.
    environment = {{"XKB_DEFAULT_VARIANT", "dvorak"}};
    EXPECT_EQ(Describe(SessionKeyboardNames(Lookup, file.c_str())), "|pc105|de|nodeadkeys|");
    environment = {{"XKB_DEFAULT_LAYOUT", ""}};
    EXPECT_EQ(Describe(SessionKeyboardNames(Lookup, file.c_str())), "|pc105|de|nodeadkeys|");
    environment = {};
    EXPECT_EQ(SessionKeyboardNames(Lookup, folder.Join("missing").c_str()).layout, "");
    EXPECT_EQ(SessionKeyboardNames(Lookup, nullptr).layout, "");
}

TEST(XkbLayoutFromNames, KeysCarryTheNamedLayoutsCharacters) {
    const struct {
        const char* layout;
        const char* variant;
        uint32_t group;
        uint32_t key;
        char32_t character;
    } cases[] = {
        {"us", "", 0, kKeyZ, U'z'},    {"us", "", 0, kKeyY, U'y'},
        {"de", "", 0, kKeyZ, U'y'},    {"de", "", 0, kKeyMinus, 0xDF},
        {"de", "", 0, 13, 0xB4},  // a dead key in its spacing form
        {"fr", "", 0, kKeyQ, U'a'},    {"us", "dvorak", 0, kKeyQ, U'\''},
        {"us,de", "", 1, kKeyZ, U'y'}, {"us,de", "", 0, kKeyZ, U'z'},
        {"us", "", 0, 0x2FF, 0},  // no such key
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.layout) + "(" + c.variant + ") key " + std::to_string(c.key));
        XkbRuleNames names;
        names.layout = c.layout;
        names.variant = c.variant;
        const std::unique_ptr<XkbLayout> layout = XkbLayout::FromRuleNames(names);
        ASSERT_NE(layout, nullptr);
        EXPECT_EQ(layout->BaseCharacter(c.key, c.group), c.character);
    }
}

TEST(XkbLayoutFromNames, NoLayoutOrAnUnknownOneGivesNone) {
    EXPECT_EQ(XkbLayout::FromRuleNames(XkbRuleNames{}), nullptr);
    XkbRuleNames unknown;
    unknown.layout = "no-such-layout";
    EXPECT_EQ(XkbLayout::FromRuleNames(unknown), nullptr);
}

// What the user of a US keyboard sees: the key labelled Z sends z.
TEST(XkbLayoutFromNames, TranslatedKeyFollowsTheNamedLayout) {
    XkbRuleNames names;
    names.layout = "us";
    const std::unique_ptr<XkbLayout> layout = XkbLayout::FromRuleNames(names);
    ASSERT_NE(layout, nullptr);
    const KeyTranslator translator(*layout);
    RawKey key;
    key.evdev = kKeyZ;
    KeyMessage message;
    KeyboardState keyboard;
    translator.TranslateRaw(key, message, keyboard);
    EXPECT_EQ(message.virtualKey, 'Z');
    EXPECT_EQ(keyboard.unshiftedChar, 'Z');
}

}  // namespace
