#pragma once
#include <cstdint>

#include "resources/DialogLayout.h"

class HelpView;

// The help window's logic: the text, colour, hint and radio marks of the
// language in use, switching it, and copying the text. The language is the
// program-wide one, so the window that opened this saves it afterwards.
class HelpWindow {
  public:
    explicit HelpWindow(char& helpLanguage);

    // The front end's events, between InitDialog and OnDestroy.
    void InitDialog(HelpView& view);
    void OnFocus(uint16_t controlId);
    void OnClicked(uint16_t controlId);
    // A click inside the help text.
    void OnTextClicked();
    void OnDestroy();

    // What a render shows for a language ('E' English, else German).
    static const char* HelpText(char language);
    static const char* HintText(char language);
    static Rgb Background(char language);

  private:
    void Render();
    void ChooseLanguage(char language);

    char& helpLanguage;
    HelpView* view = nullptr;
};
