// The help window: its texts, what a render shows per language, its events,
// and how the main window opens it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "FakeHelpView.h"
#include "WindowRig.h"
#include "help/HelpTexts.h"
#include "help/HelpWindow.h"

namespace {

using namespace window_test;
namespace H = HelpControl;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    for (std::string::size_type end; (end = text.find('\n', start)) != std::string::npos;) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

bool SameRgb(Rgb a, Rgb b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

TEST(HelpTexts, AreSingleByteLinesEachEndedByALineFeed) {
    struct Case {
        const char* text;
        size_t lines;
        // A line whose blanks at either end must survive, by its number.
        size_t blankLine;
        const char* blankLineText;
    };
    const Case cases[] = {
        {kHelpTextEnglish, 30, 19, "Example: "},
        {kHelpTextGerman, 33, 4,
         "   gelb= Schnittstelle geoeffnet; gruen= Schnittstelle ist geoeffnet "
         "und aktiv;"},
    };
    for (const Case& c : cases) {
        const std::string text = c.text;
        SCOPED_TRACE(text.substr(0, 20));
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text.back(), '\n');
        EXPECT_EQ(text.find('\r'), std::string::npos);
        const std::vector<std::string> lines = Lines(text);
        ASSERT_EQ(lines.size(), c.lines);
        EXPECT_EQ(lines[c.blankLine - 1], c.blankLineText);
    }
    const std::vector<std::string> german = Lines(kHelpTextGerman);
    // The one character beyond ASCII is a single Windows-1252 byte.
    EXPECT_EQ(german.back(),
              "Info: 'SELECTED_MAC=0' fragt die momentane Zieladresse ab, ohne etwas zu "
              "ver\xE4ndern.");
    EXPECT_EQ(german[6].back(), ' ');
    EXPECT_EQ(german[7].back(), ' ');
    EXPECT_TRUE(german[5].empty());
    const std::string english = kHelpTextEnglish;
    EXPECT_TRUE(std::all_of(english.begin(), english.end(),
                            [](char c) { return static_cast<unsigned char>(c) < 0x80; }));
}

TEST(HelpWindow, RendersTheTextColourHintAndMarkOfTheLanguage) {
    struct Case {
        char language;
        const char* text;
        Rgb background;
        const char* hint;
        uint16_t marked;
    };
    const Case cases[] = {
        {'E',
         kHelpTextEnglish,
         {0xFF, 0xE0, 0x70},
         "Return to main window: press ESCAPE;",
         H::kEnglish},
        {'D', kHelpTextGerman, {0xE0, 0xFF, 0x70}, "Help-Fenster schliessen: ESCAPE;", H::kGerman},
        {'e', kHelpTextGerman, {0xE0, 0xFF, 0x70}, "Help-Fenster schliessen: ESCAPE;", H::kGerman},
        {'\0', kHelpTextGerman, {0xE0, 0xFF, 0x70}, "Help-Fenster schliessen: ESCAPE;", H::kGerman},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.language));
        char language = c.language;
        HelpWindow window(language);
        FakeHelpView view;
        window.InitDialog(view);
        window.OnFocus(H::kHint);
        EXPECT_EQ(view.text, c.text);
        EXPECT_TRUE(SameRgb(view.background, c.background));
        EXPECT_EQ(view.hint, c.hint);
        const uint16_t other = c.marked == H::kEnglish ? H::kGerman : H::kEnglish;
        // The other mark is cleared before this one is set.
        EXPECT_EQ(view.markChanges,
                  (std::vector<uint16_t>{static_cast<uint16_t>(~other), c.marked}));
        EXPECT_EQ(view.textFocus, 1);
        EXPECT_EQ(language, c.language);  // showing it changes nothing
    }
}

TEST(HelpWindow, RadioButtonsSwitchAtOnceAndEveryRenderReplacesTypedText) {
    char language = 'E';
    HelpWindow window(language);
    FakeHelpView view;
    window.InitDialog(view);
    window.OnFocus(H::kHint);

    view.text += "typed by the user";
    window.OnClicked(H::kGerman);
    EXPECT_EQ(language, 'D');
    EXPECT_EQ(view.text, kHelpTextGerman);
    EXPECT_TRUE(view.IsChecked(H::kGerman));
    EXPECT_FALSE(view.IsChecked(H::kEnglish));
    EXPECT_EQ(view.textFocus, 2);

    view.text = "typed over";
    window.OnTextClicked();
    EXPECT_EQ(view.text, kHelpTextGerman);

    window.OnClicked(H::kEnglish);
    EXPECT_EQ(language, 'E');
    EXPECT_TRUE(SameRgb(view.background, {0xFF, 0xE0, 0x70}));

    // Only the hint line's focus renders: the text's own focus must not loop.
    const int renders = view.renders;
    window.OnFocus(H::kText);
    EXPECT_EQ(view.renders, renders);
}

TEST(HelpWindow, CopiesTheWholeTextAndClosesByEscapeOrEnter) {
    for (uint16_t closer : {H::kEscape, H::kOk}) {
        char language = 'E';
        HelpWindow window(language);
        FakeHelpView view;
        window.InitDialog(view);
        window.OnFocus(H::kHint);
        window.OnClicked(H::kCopy);
        EXPECT_EQ(view.clipboard, kHelpTextEnglish);
        EXPECT_EQ(view.ends, 0);
        window.OnClicked(closer);
        EXPECT_EQ(view.ends, 1);
        window.OnDestroy();
        window.OnClicked(H::kGerman);  // a late event after the end is ignored
        EXPECT_EQ(language, 'E');
    }
}

std::string SetupFileText(WindowRig& rig) {
    std::ifstream file(rig.app.appPaths.SetupFilePath(), std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(HelpFromTheMainWindow, TheChosenLanguageIsSavedWhenTheWindowCloses) {
    for (uint16_t choice : {H::kEnglish, H::kGerman}) {
        WindowRig rig;
        rig.Start();
        rig.desktop.helpScript = [choice](HelpWindow& window, FakeHelpView&) {
            window.OnClicked(choice);
        };
        rig.Click(C::kHelp);
        const std::string expected = choice == H::kEnglish ? "LANGUAGE=E" : "LANGUAGE=D";
        EXPECT_NE(SetupFileText(rig).find(expected), std::string::npos) << expected;

        // The next opening shows the language chosen.
        rig.desktop.helpScript = nullptr;
        rig.window.OnHelpRequest();
        EXPECT_EQ(rig.desktop.lastHelpView.text,
                  choice == H::kEnglish ? kHelpTextEnglish : kHelpTextGerman);
    }
}

TEST(HelpFromTheMainWindow, TicksDoNothingWhileOpenAndF1OpensNoSecondWindow) {
    WindowRig rig;
    rig.Start();
    rig.Click(C::kSendX);
    rig.Tick();
    const std::string sentBefore = rig.Written();
    ASSERT_FALSE(sentBefore.empty());

    rig.desktop.helpScript = [&rig](HelpWindow&, FakeHelpView&) {
        rig.device.Feed("waits in the queue");
        rig.view.statusHistory.clear();
        rig.Tick(3);
        rig.window.OnHelpRequest();  // F1 through the help window's own loop
        rig.Click(C::kHelp);
    };
    rig.Click(C::kHelp);
    EXPECT_EQ(rig.desktop.helpRuns, 1);
    EXPECT_TRUE(rig.view.statusHistory.empty());
    EXPECT_EQ(rig.view.display, "");
    EXPECT_FALSE(rig.view.IsChecked(C::kSendX));

    rig.Tick();  // the stream stays off; the waiting bytes come now
    EXPECT_EQ(rig.Written(), sentBefore);
    EXPECT_EQ(rig.view.display, "waits in the queue");
}

}  // namespace
