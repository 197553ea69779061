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

TEST(KeyboardNames, XorgConfigurationGivesItsXkbOptions) {
    const struct {
        const char* text;
        const char* names;
    } cases[] = {
        {"# Written by systemd-localed(8)\nSection \"InputClass\"\n"
         "        Identifier \"system-keyboard\"\n        MatchIsKeyboard \"on\"\n"
         "        Option \"XkbLayout\" \"de,us\"\n        Option \"XkbModel\" \"pc105\"\n"
         "        Option \"XkbVariant\" \"nodeadkeys,\"\n"
         "        Option \"XkbOptions\" \"grp:alt_shift_toggle\"\nEndSection\n",
         "|pc105|de,us|nodeadkeys,|grp:alt_shift_toggle"},
        {"\toption \"xkb_layout\" \"fr\"\n\tOption \"XKBRULES\" \"evdev\"\n", "evdev||fr||"},
        {"# Option \"XkbLayout\" \"de\"\nOptions \"XkbLayout\" \"de\"\n"
         "Option \"XkbLayout\"\nOption \"AutoRepeat\" \"500 30\"\n",
         "||||"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Describe(ParseXorgKeyboardConf(c.text)), c.names) << c.text;
    }
}

std::map<std::string, std::string> environment;
const char* Lookup(const char* name) {
    const auto found = environment.find(name);
    return found == environment.end() ? nullptr : found->second.c_str();
}

TEST(KeyboardNames, TheFirstSourceThatNamesALayoutGivesAllNames) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.Ok());
    const std::string defaults = folder.Join("keyboard");
    const std::string xorg = folder.Join("00-keyboard.conf");
    const std::string missing = folder.Join("missing");
    std::ofstream(defaults) << "XKBMODEL=\"pc105\"\nXKBLAYOUT=\"de\"\nXKBVARIANT=\"nodeadkeys\"\n";
    std::ofstream(xorg) << "Section \"InputClass\"\n  Option \"XkbLayout\" \"fr\"\nEndSection\n";
    const std::string noLayout = folder.Join("keyboard-without-layout");
    std::ofstream(noLayout) << "XKBMODEL=\"pc105\"\n";

    const struct {
        std::map<std::string, std::string> variables;
        const std::string& defaultsFile;
        const std::string& xorgFile;
        const char* names;
    } cases[] = {
        {{{"XKB_DEFAULT_LAYOUT", "us"}, {"XKB_DEFAULT_VARIANT", "dvorak"}},
         defaults,
         xorg,
         "||us|dvorak|"},
        // A variant without a layout belongs to no layout the files name.
        {{{"XKB_DEFAULT_VARIANT", "dvorak"}}, defaults, xorg, "|pc105|de|nodeadkeys|"},
        {{{"XKB_DEFAULT_LAYOUT", ""}}, defaults, xorg, "|pc105|de|nodeadkeys|"},
        {{}, missing, xorg, "||fr||"},
        {{}, noLayout, xorg, "||fr||"},
        {{}, missing, missing, "||||"},
    };
    for (const auto& c : cases) {
        environment = c.variables;
        EXPECT_EQ(
            Describe(SessionKeyboardNames(Lookup, c.defaultsFile.c_str(), c.xorgFile.c_str())),
            c.names)
            << c.defaultsFile << " " << c.xorgFile;
    }
    environment = {};
    EXPECT_EQ(SessionKeyboardNames(Lookup, nullptr, nullptr).layout, "");
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
