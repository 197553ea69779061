#include "qt/LayoutWidgets.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "qt/Cp1252.h"

namespace {

// A push-like check box: only the program sets its state, a click merely
// reports itself.
class LatchedButton final : public QPushButton {
  public:
    explicit LatchedButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
        setCheckable(true);
    }

  protected:
    void nextCheckState() override {}
};

// A radio button whose mark only the program sets: a click reports itself and
// leaves every mark as it was, in its own set and in the others.
class ProgramRadioButton final : public QRadioButton {
  public:
    explicit ProgramRadioButton(const QString& text, QWidget* parent) : QRadioButton(text, parent) {
        setAutoExclusive(false);
    }

  protected:
    void nextCheckState() override {}
};

// A check box whose tick only the program sets.
class ProgramCheckBox final : public QCheckBox {
  public:
    explicit ProgramCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {}

  protected:
    void nextCheckState() override {}
};

// A push button whose text wraps onto several lines, left-aligned and centred
// vertically.
class WrappingButton final : public QPushButton {
  public:
    WrappingButton(const QString& text, QWidget* parent) : QPushButton(parent) {
        auto* label = new QLabel(text, this);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(kTextMargin, 0, kTextMargin, 0);
        layout->addWidget(label);
        setAccessibleName(text);
    }

  private:
    static constexpr int kTextMargin = 4;
};

constexpr int kDisplayMargin = 2;

bool Has(const ControlLayout& layout, uint32_t style) {
    return (layout.style & style) != 0;
}

Qt::FocusPolicy FocusPolicyOf(const ControlLayout& layout) {
    return Has(layout, kStyleTabStop) ? Qt::StrongFocus : Qt::ClickFocus;
}

// Text left of the mark, right-aligned: the mark stands at the right edge.
void PlaceTextLeft(QWidget* widget, const ControlLayout& layout) {
    if (Has(layout, kStyleLeftText)) widget->setLayoutDirection(Qt::RightToLeft);
}

template <typename Button>
Button* Reporting(Button* button, uint16_t id, const LayoutWidgets::ClickHandler& clicked) {
    QObject::connect(button, &QAbstractButton::clicked, button, [clicked, id] { clicked(id); });
    return button;
}

QWidget* MakeLineEdit(const ControlLayout& layout, QWidget& parent, bool readOnly) {
    auto* edit = new QLineEdit(&parent);
    edit->setReadOnly(readOnly);
    edit->setFrame(Has(layout, kStyleBorder));
    if (Has(layout, kStyleCentred)) edit->setAlignment(Qt::AlignCenter);
    return edit;
}

// A text area that cannot be typed into takes no input method. Qt's compose
// support would otherwise take a dead key and the key after it as one
// composed character, before any key filter of the window saw either, where
// the main window sends every key press as a byte of its own.
class TextArea final : public QPlainTextEdit {
  public:
    using QPlainTextEdit::inputMethodQuery;
    using QPlainTextEdit::QPlainTextEdit;

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override {
        if (query == Qt::ImEnabled && isReadOnly()) return false;
        return QPlainTextEdit::inputMethodQuery(query);
    }
};

QWidget* MakeTextArea(const ControlLayout& layout, QWidget& parent) {
    auto* area = new TextArea(&parent);
    area->setReadOnly(true);
    area->setUndoRedoEnabled(false);
    area->setTabChangesFocus(true);
    area->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    area->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    area->setFrameShape(Has(layout, kStyleBorder) ? QFrame::StyledPanel : QFrame::NoFrame);
    area->document()->setDocumentMargin(kDisplayMargin);
    return area;
}

}  // namespace

void LayoutWidgets::Build(const DialogLayout& layout, QWidget& parent, const BaseUnits& units,
                          const ClickHandler& clicked) {
    for (size_t i = 0; i < layout.controlCount; ++i) {
        const ControlLayout& control = layout.controls[i];
        QWidget* widget = MakeControl(control, parent, clicked);
        widget->setGeometry(DialogRect(control, units));
        if (control.kind != ControlKind::GroupFrame && control.kind != ControlKind::Label &&
            control.kind != ControlKind::GreyLabel && control.kind != ControlKind::ImageStatic) {
            widget->setFocusPolicy(FocusPolicyOf(control));
        }
        if (control.id != kNoId) Bind(control.id, widget);
    }
    radioGroup = nullptr;
}

QWidget* LayoutWidgets::MakeControl(const ControlLayout& layout, QWidget& parent,
                                    const ClickHandler& clicked) {
    const QString caption = Cp1252ToQString(layout.caption);
    const uint16_t id = layout.id;
    // Any control that starts a group ends the set of radio buttons before it.
    if (Has(layout, kStyleGroup) || layout.kind != ControlKind::RadioButton) radioGroup = nullptr;
    switch (layout.kind) {
        case ControlKind::ReadOnlyEdit:
            return MakeLineEdit(layout, parent, true);
        case ControlKind::Edit:
            return MakeLineEdit(layout, parent, false);
        case ControlKind::ImageStatic: {
            auto* image = new QWidget(&parent);
            image->setAutoFillBackground(true);
            return image;
        }
        case ControlKind::PushButton:
        case ControlKind::LatchedButton: {
            QPushButton* button = nullptr;
            if (layout.kind == ControlKind::LatchedButton) {
                button = new LatchedButton(caption, &parent);
            } else if (Has(layout, kStyleMultiLine)) {
                button = new WrappingButton(caption, &parent);
            } else {
                button = new QPushButton(caption, &parent);
            }
            button->setAutoDefault(false);
            button->setDefault(false);
            return Reporting(button, id, clicked);
        }
        case ControlKind::GroupFrame: {
            if (layout.caption[0] != '\0') return new QGroupBox(caption, &parent);
            auto* frame = new QFrame(&parent);
            frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
            return frame;
        }
        case ControlKind::GreyLabel: {
            auto* label = new QLabel(caption, &parent);
            label->setEnabled(false);
            return label;
        }
        case ControlKind::Label: {
            auto* label = new QLabel(caption, &parent);
            label->setWordWrap(true);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return label;
        }
        case ControlKind::Indicator: {
            auto* indicator = new ProgramRadioButton(caption, &parent);
            indicator->setLayoutDirection(Qt::RightToLeft);
            return Reporting(indicator, id, clicked);
        }
        case ControlKind::RadioButton:
            return MakeRadioButton(layout, parent, clicked);
        case ControlKind::CheckBox: {
            auto* box = new ProgramCheckBox(caption, &parent);
            PlaceTextLeft(box, layout);
            return Reporting(box, id, clicked);
        }
        case ControlKind::RichDisplay: {
            auto* display = static_cast<QPlainTextEdit*>(MakeTextArea(layout, parent));
            display->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            if (Has(layout, kStyleEditable)) {
                // Typing, Return included, goes into the text.
                display->setReadOnly(false);
                display->setTabChangesFocus(false);
            }
            return display;
        }
        case ControlKind::MultiLineEdit:
            return MakeTextArea(layout, parent);
    }
    return new QWidget(&parent);
}

// One group per set, not exclusive: the marks stay the program's.
QWidget* LayoutWidgets::MakeRadioButton(const ControlLayout& layout, QWidget& parent,
                                        const ClickHandler& clicked) {
    if (radioGroup == nullptr) {
        radioGroup = new QButtonGroup(&parent);
        radioGroup->setExclusive(false);
    }
    auto* radio = new ProgramRadioButton(Cp1252ToQString(layout.caption), &parent);
    PlaceTextLeft(radio, layout);
    radioGroup->addButton(radio, layout.id);
    return Reporting(radio, layout.id, clicked);
}

void LayoutWidgets::Bind(uint16_t id, QWidget* widget) {
    if (controlCount < kMaxControls) controls[controlCount++] = {id, widget};
}

QWidget* LayoutWidgets::Control(uint16_t controlId) const {
    for (size_t i = 0; i < controlCount; ++i) {
        if (controls[i].id == controlId) return controls[i].widget;
    }
    return nullptr;
}

QAbstractButton* LayoutWidgets::Button(uint16_t controlId) const {
    return qobject_cast<QAbstractButton*>(Control(controlId));
}

uint16_t LayoutWidgets::IdOf(const QObject* widget) const {
    for (size_t i = 0; i < controlCount; ++i) {
        if (controls[i].widget == widget) return controls[i].id;
    }
    return kNoId;
}
