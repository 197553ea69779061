#include "qt/XkbRuleNames.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace {

constexpr std::string_view kBlanks = " \t\r";

std::string_view Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

// A shell word as such files hold it: "quoted", 'quoted' or bare up to a
// blank or a comment.
std::string ShellValue(std::string_view text) {
    text = Trimmed(text);
    if (!text.empty() && (text.front() == '"' || text.front() == '\'')) {
        const size_t close = text.find(text.front(), 1);
        if (close == std::string_view::npos) return std::string(text.substr(1));
        return std::string(text.substr(1, close - 1));
    }
    const size_t end = text.find_first_of(" \t#");
    return std::string(text.substr(0, end));
}

std::string* FieldOf(XkbRuleNames& names, std::string_view key) {
    if (key == "XKBMODEL") return &names.model;
    if (key == "XKBLAYOUT") return &names.layout;
    if (key == "XKBVARIANT") return &names.variant;
    if (key == "XKBOPTIONS") return &names.options;
    return nullptr;
}

// X compares option names without regard to case, blanks and underscores.
std::string XorgOptionName(std::string_view name) {
    std::string folded;
    for (const char c : name) {
        if (c == '_' || c == ' ' || c == '\t') continue;
        folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return folded;
}

std::string* XorgFieldOf(XkbRuleNames& names, std::string_view option) {
    const std::string name = XorgOptionName(option);
    if (name == "xkbrules") return &names.rules;
    if (name == "xkbmodel") return &names.model;
    if (name == "xkblayout") return &names.layout;
    if (name == "xkbvariant") return &names.variant;
    if (name == "xkboptions") return &names.options;
    return nullptr;
}

// The next "quoted" word of text from position at on; false when there is
// none. at moves past its closing quote.
bool NextQuoted(std::string_view text, size_t& at, std::string_view& word) {
    const size_t open = text.find('"', at);
    if (open == std::string_view::npos) return false;
    const size_t close = text.find('"', open + 1);
    if (close == std::string_view::npos) return false;
    word = text.substr(open + 1, close - open - 1);
    at = close + 1;
    return true;
}

bool StartsWithWord(std::string_view line, std::string_view word) {
    if (line.size() <= word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(line[i])) != word[i]) return false;
    }
    return line[word.size()] == ' ' || line[word.size()] == '\t';
}

std::string ReadWholeFile(const char* path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return {};
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace

XkbRuleNames ParseKeyboardDefaults(std::string_view text) {
    XkbRuleNames names;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = Trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty() || line.front() == '#') continue;
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        std::string* field = FieldOf(names, Trimmed(line.substr(0, equals)));
        if (field != nullptr) *field = ShellValue(line.substr(equals + 1));
    }
    return names;
}

XkbRuleNames ParseXorgKeyboardConf(std::string_view text) {
    XkbRuleNames names;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = Trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!StartsWithWord(line, "option")) continue;
        size_t at = 0;
        std::string_view option;
        std::string_view value;
        if (!NextQuoted(line, at, option) || !NextQuoted(line, at, value)) continue;
        std::string* field = XorgFieldOf(names, option);
        if (field != nullptr) *field = std::string(value);
    }
    return names;
}

XkbRuleNames EnvironmentNames(const char* (*lookup)(const char*)) {
    const auto value = [lookup](const char* name) {
        const char* text = lookup(name);
        return std::string(text != nullptr ? text : "");
    };
    return XkbRuleNames{value("XKB_DEFAULT_RULES"), value("XKB_DEFAULT_MODEL"),
                        value("XKB_DEFAULT_LAYOUT"), value("XKB_DEFAULT_VARIANT"),
                        value("XKB_DEFAULT_OPTIONS")};
}

// The names are taken from one source only: a variant or option of one
// source belongs to its own layout, not to the other source's.
XkbRuleNames SessionKeyboardNames(const char* (*lookup)(const char*),
                                  const char* keyboardDefaultsPath, const char* xorgKeyboardPath) {
    XkbRuleNames names = EnvironmentNames(lookup);
    if (!names.layout.empty()) return names;
    if (keyboardDefaultsPath != nullptr) {
        names = ParseKeyboardDefaults(ReadWholeFile(keyboardDefaultsPath));
        if (!names.layout.empty()) return names;
    }
    if (xorgKeyboardPath != nullptr) {
        names = ParseXorgKeyboardConf(ReadWholeFile(xorgKeyboardPath));
        if (!names.layout.empty()) return names;
    }
    return {};
}
