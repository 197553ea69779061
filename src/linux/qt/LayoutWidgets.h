#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

#include "qt/DialogUnits.h"
#include "resources/DialogLayout.h"

class QAbstractButton;
class QButtonGroup;
class QObject;
class QWidget;

// The controls of one dialog layout as Qt widgets, built alike for every
// dialog of the program: each kind of the layout data becomes one kind of
// widget, placed in dialog units. No control changes its own state: latched
// buttons, indicators, radio buttons and check boxes only report their click,
// and the program sets their marks.
class LayoutWidgets {
  public:
    static constexpr size_t kMaxControls = 64;
    using ClickHandler = std::function<void(uint16_t controlId)>;

    // Builds the controls as children of parent; every kind of button reports
    // its clicks to clicked.
    void Build(const DialogLayout& layout, QWidget& parent, const BaseUnits& units,
               const ClickHandler& clicked);

    QWidget* Control(uint16_t controlId) const;
    QAbstractButton* Button(uint16_t controlId) const;
    // The id of a built widget, or kNoId.
    uint16_t IdOf(const QObject* widget) const;

  private:
    struct BoundControl {
        uint16_t id = kNoId;
        QWidget* widget = nullptr;
    };

    QWidget* MakeControl(const ControlLayout& layout, QWidget& parent, const ClickHandler& clicked);
    QWidget* MakeRadioButton(const ControlLayout& layout, QWidget& parent,
                             const ClickHandler& clicked);
    void Bind(uint16_t id, QWidget* widget);

    BoundControl controls[kMaxControls];
    size_t controlCount = 0;
    // The set the radio buttons being built belong to.
    QButtonGroup* radioGroup = nullptr;
};
