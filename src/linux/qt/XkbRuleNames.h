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

// Where Debian and its kin keep the system's keyboard configuration.
inline constexpr char kKeyboardDefaultsFile[] = "/etc/default/keyboard";

// The names in the text of a keyboard defaults file: shell assignments
// XKBMODEL, XKBLAYOUT, XKBVARIANT and XKBOPTIONS, each value bare or quoted.
XkbRuleNames ParseKeyboardDefaults(std::string_view text);

// The names the session's environment gives (XKB_DEFAULT_RULES, _MODEL,
// _LAYOUT, _VARIANT, _OPTIONS); lookup returns nullptr for an unset variable.
XkbRuleNames EnvironmentNames(const char* (*lookup)(const char*));

// The layout the user types with when no display server can be asked: the
// environment's names when they name a layout, else those of the defaults
// file (keyboardDefaultsPath). Names without a layout when neither does.
XkbRuleNames SessionKeyboardNames(const char* (*lookup)(const char*),
                                  const char* keyboardDefaultsPath);
