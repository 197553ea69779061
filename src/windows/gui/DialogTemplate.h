#pragma once
#include <cstdint>
#include <vector>

#include "resources/DialogLayout.h"

// An in-memory dialog template (the DLGTEMPLATE form) built from a layout, so
// that the window needs no dialog resource of its own. WORD-sized cells keep
// the template's 16-bit alignment; items are padded to 32 bits.
class DialogTemplate {
  public:
    // richEditClass names the window class of the display control (the
    // rich-edit library must be loaded before the dialog is created); a
    // layout without a display may pass nullptr.
    DialogTemplate(const DialogLayout& layout, const char* richEditClass);

    const void* Data() const { return words.data(); }
    size_t SizeInBytes() const { return words.size() * sizeof(uint16_t); }

  private:
    void AddDialogHeader(const DialogLayout& layout);
    void AddControl(const ControlLayout& control, const char* richEditClass);
    void AddWord(uint16_t value);
    void AddDword(uint32_t value);
    void AddText(const char* text);
    void AlignToDword();

    std::vector<uint16_t> words;
};

// Window class and style of one control kind; classAtom is 0 when the control
// is named by className instead.
struct ControlClass {
    uint16_t classAtom;
    const char* className;
    uint32_t style;
};
ControlClass ControlClassOf(const ControlLayout& control, const char* richEditClass);
