#include "DialogTemplate.h"

#include <windows.h>

namespace {

// Predefined class atoms of the dialog manager.
constexpr uint16_t kButtonAtom = 0x0080;
constexpr uint16_t kEditAtom = 0x0081;
constexpr uint16_t kStaticAtom = 0x0082;
constexpr uint16_t kOrdinalMarker = 0xFFFF;

constexpr uint32_t kDialogStyle =
    DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER | DS_SETFONT;

// The dialogs' raster fonts come in the cell sizes of 96 DPI only; as a
// DPI-aware program on a display above 96 DPI their windows would stay that
// small, and some systems draw a raster font scaled up letter by letter,
// widely spaced. There a TrueType font that every Windows has, with about the
// same cell at 96 DPI, takes each one's place and grows with the display:
// for the main window's fixed font a fixed-pitch one, for the others the
// logical face a dialog template names for the system's dialog font.
struct ScalableFace {
    const char* rasterFace;
    const char* face;
    uint16_t points;
    bool fixedPitch;
};
constexpr ScalableFace kScalableFaces[] = {
    {"Fixedsys", "Courier New", 10, true},
    {"System", "MS Shell Dlg", 10, false},
    {"MS Sans Serif", "MS Shell Dlg", 8, false},
};
constexpr int kBaseDpi = 96;
constexpr int kPointsPerInch = 72;

int SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : kBaseDpi;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return dpi;
}

const ScalableFace* ScalableFaceOf(const DialogLayout& layout) {
    if (SystemDpi() <= kBaseDpi) return nullptr;
    for (const ScalableFace& face : kScalableFaces) {
        if (lstrcmpiA(layout.fontName, face.rasterFace) == 0) return &face;
    }
    return nullptr;
}

// A template names its font by face alone, and where that face is missing
// the font mapper picks a proportional one: the display's columns and every
// width in dialog units would then follow a font of other metrics. For a
// fixed-pitch face, the template names the face the mapper gives when asked
// for that face or else any fixed-pitch one: the face itself wherever it is
// installed, otherwise the fixed-pitch font nearest to it (under Wine the
// metric-compatible Liberation Mono for Courier New).
void ResolveFixedPitchFace(const char* face, uint16_t points, char* resolved, int capacity) {
    lstrcpynA(resolved, face, capacity);
    LOGFONTA request{};
    request.lfHeight = -MulDiv(points, SystemDpi(), kPointsPerInch);
    request.lfWeight = FW_NORMAL;
    request.lfCharSet = DEFAULT_CHARSET;
    request.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynA(request.lfFaceName, face, LF_FACESIZE);
    HFONT font = CreateFontIndirectA(&request);
    HDC screen = GetDC(nullptr);
    if (font != nullptr && screen != nullptr) {
        HGDIOBJ previous = SelectObject(screen, font);
        char chosen[LF_FACESIZE] = {};
        if (GetTextFaceA(screen, sizeof(chosen), chosen) > 0) lstrcpynA(resolved, chosen, capacity);
        SelectObject(screen, previous);
    }
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    if (font != nullptr) DeleteObject(font);
}

uint32_t DialogStyle(const DialogLayout& layout) {
    uint32_t style = kDialogStyle;
    if (layout.frame & kFrameMinimiseBox) style |= WS_MINIMIZEBOX;
    if (layout.frame & kFrameForeground) style |= DS_SETFOREGROUND;
    return style;
}

uint32_t DialogExStyle(const DialogLayout& layout) {
    uint32_t style = 0;
    // Its own task-bar button although it has no owner window to hide behind.
    if (layout.frame & kFrameTaskBarButton) style |= WS_EX_APPWINDOW;
    if (layout.frame & kFrameClientEdge) style |= WS_EX_CLIENTEDGE;
    return style;
}

uint32_t CommonStyle(const ControlLayout& control) {
    uint32_t style = WS_CHILD | WS_VISIBLE;
    if (control.style & kStyleBorder) style |= WS_BORDER;
    if (control.style & kStyleTabStop) style |= WS_TABSTOP;
    if (control.style & kStyleGroup) style |= WS_GROUP;
    return style;
}

// Text left of the mark, right-aligned.
uint32_t LeftTextStyle(const ControlLayout& control) {
    return (control.style & kStyleLeftText) ? BS_LEFTTEXT | BS_RIGHT : 0;
}

}  // namespace

ControlClass ControlClassOf(const ControlLayout& control, const char* richEditClass) {
    const uint32_t common = CommonStyle(control);
    switch (control.kind) {
        case ControlKind::ReadOnlyEdit: {
            // A single-line edit without automatic scrolling refuses text wider
            // than itself; a long message must still show its beginning.
            uint32_t style = common | ES_READONLY | ES_AUTOHSCROLL;
            if (control.style & kStyleCentred) style |= ES_CENTER;
            return {kEditAtom, nullptr, style};
        }
        case ControlKind::ImageStatic:
            // With a centred image the control keeps its size and fills the
            // rest with the image's corner pixel: a one-pixel bitmap paints
            // the whole lamp.
            return {kStaticAtom, nullptr, common | SS_BITMAP | SS_CENTERIMAGE};
        case ControlKind::PushButton: {
            uint32_t style = common | BS_PUSHBUTTON;
            if (control.style & kStyleMultiLine) style |= BS_MULTILINE | BS_LEFT | BS_VCENTER;
            return {kButtonAtom, nullptr, style};
        }
        case ControlKind::LatchedButton:
            // Not the automatic kind: a click must not change the state; only
            // the program does.
            return {kButtonAtom, nullptr, common | BS_CHECKBOX | BS_PUSHLIKE};
        case ControlKind::GroupFrame:
            return {kButtonAtom, nullptr, common | BS_GROUPBOX};
        case ControlKind::GreyLabel:
            return {kStaticAtom, nullptr, common | SS_LEFT | WS_DISABLED};
        case ControlKind::Indicator:
            return {kButtonAtom, nullptr, common | BS_RADIOBUTTON | BS_LEFTTEXT};
        case ControlKind::RichDisplay: {
            uint32_t style = common | ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL;
            // Typing, Return included, goes into an editable text.
            style |= (control.style & kStyleEditable) ? ES_WANTRETURN : ES_READONLY;
            return {0, richEditClass, style};
        }
        case ControlKind::Label:
            return {kStaticAtom, nullptr, common | SS_LEFT};
        case ControlKind::Edit: {
            uint32_t style = common;
            if (control.style & kStyleHScroll) style |= ES_AUTOHSCROLL;
            return {kEditAtom, nullptr, style};
        }
        case ControlKind::MultiLineEdit:
            return {kEditAtom, nullptr, common | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL};
        case ControlKind::RadioButton:
            // Not the automatic kind: only the program marks it.
            return {kButtonAtom, nullptr, common | BS_RADIOBUTTON | LeftTextStyle(control)};
        case ControlKind::CheckBox:
            return {kButtonAtom, nullptr, common | BS_CHECKBOX | LeftTextStyle(control)};
    }
    return {kStaticAtom, nullptr, common};
}

DialogTemplate::DialogTemplate(const DialogLayout& layout, const char* richEditClass) {
    words.reserve(2048);
    AddDialogHeader(layout);
    for (size_t i = 0; i < layout.controlCount; ++i) {
        AddControl(layout.controls[i], richEditClass);
    }
}

void DialogTemplate::AddDialogHeader(const DialogLayout& layout) {
    AddDword(DialogStyle(layout));
    AddDword(DialogExStyle(layout));
    AddWord(static_cast<uint16_t>(layout.controlCount));
    AddWord(0);  // x, y: DS_CENTER places the window
    AddWord(0);
    AddWord(static_cast<uint16_t>(layout.width));
    AddWord(static_cast<uint16_t>(layout.height));
    AddWord(0);   // no menu
    AddWord(0);   // the standard dialog class
    AddText("");  // the caption is set when the dialog starts
    if (const ScalableFace* scalable = ScalableFaceOf(layout)) {
        char face[LF_FACESIZE];
        lstrcpynA(face, scalable->face, sizeof(face));
        if (scalable->fixedPitch) {
            ResolveFixedPitchFace(scalable->face, scalable->points, face, sizeof(face));
        }
        AddWord(scalable->points);
        AddText(face);
    } else {
        AddWord(layout.fontPoints);
        AddText(layout.fontName);
    }
}

void DialogTemplate::AddControl(const ControlLayout& control, const char* richEditClass) {
    AlignToDword();
    const ControlClass kind = ControlClassOf(control, richEditClass);
    AddDword(kind.style);
    AddDword(0);  // extended style
    AddWord(static_cast<uint16_t>(control.x));
    AddWord(static_cast<uint16_t>(control.y));
    AddWord(static_cast<uint16_t>(control.width));
    AddWord(static_cast<uint16_t>(control.height));
    AddWord(control.id);  // kNoId is the dialog manager's "no id" (-1) as well
    if (kind.classAtom != 0) {
        AddWord(kOrdinalMarker);
        AddWord(kind.classAtom);
    } else {
        AddText(kind.className);
    }
    if (control.kind == ControlKind::ImageStatic) {
        // The lamp starts black, before the port was ever opened.
        AddWord(kOrdinalMarker);
        AddWord(static_cast<uint16_t>(LampColour::Black));
    } else {
        AddText(control.caption);
    }
    AddWord(0);  // no creation data
}

void DialogTemplate::AddWord(uint16_t value) {
    words.push_back(value);
}

void DialogTemplate::AddDword(uint32_t value) {
    AddWord(static_cast<uint16_t>(value & 0xFFFF));
    AddWord(static_cast<uint16_t>(value >> 16));
}

void DialogTemplate::AddText(const char* text) {
    // Templates hold UTF-16 text; the program's texts are Windows-1252.
    constexpr UINT kWindows1252 = 1252;
    for (const char* p = text; p != nullptr && *p != '\0'; ++p) {
        wchar_t wide = L'?';
        MultiByteToWideChar(kWindows1252, 0, p, 1, &wide, 1);
        AddWord(static_cast<uint16_t>(wide));
    }
    AddWord(0);
}

void DialogTemplate::AlignToDword() {
    if (words.size() % 2 != 0) AddWord(0);
}
