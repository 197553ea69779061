#pragma once
#include <string>
#include <string_view>

// A keyboard configuration as XKB names it: the rules file and the model,
// layout, variant and options it is asked for. An empty field leaves the
// choice to the rules' default.
struct XkbRuleNames {
    std::string rules;
    std::string model;
    std::string layout;
    std::string variant;
    std::string options;
};

// Where Debian and its kin keep the system's keyboard configuration, and
// where systemd's localed writes it for X on other distributions.
inline constexpr char kKeyboardDefaultsFile[] = "/etc/default/keyboard";
inline constexpr char kXorgKeyboardFile[] = "/etc/X11/xorg.conf.d/00-keyboard.conf";

// The names in the text of a keyboard defaults file: shell assignments
// XKBMODEL, XKBLAYOUT, XKBVARIANT and XKBOPTIONS, each value bare or quoted.
XkbRuleNames ParseKeyboardDefaults(std::string_view text);

// The names in the text of an X server configuration file: its lines
// Option "XkbRules" (and XkbModel, XkbLayout, XkbVariant, XkbOptions) with a
// quoted value, the option name matched as X matches it (without regard to
// case and underscores).
XkbRuleNames ParseXorgKeyboardConf(std::string_view text);

// The names the session's environment gives (XKB_DEFAULT_RULES, _MODEL,
// _LAYOUT, _VARIANT, _OPTIONS); lookup returns nullptr for an unset variable.
XkbRuleNames EnvironmentNames(const char* (*lookup)(const char*));

// The layout the user types with when no display server can be asked: the
// first of these that names a layout: the environment, the defaults file
// (keyboardDefaultsPath), the X configuration file (xorgKeyboardPath). Names
// without a layout when none does.
XkbRuleNames SessionKeyboardNames(const char* (*lookup)(const char*),
                                  const char* keyboardDefaultsPath, const char* xorgKeyboardPath);
