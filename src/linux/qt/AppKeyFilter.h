#pragma once
#include <QObject>

class KeyTranslator;
class QtMainView;

// Sees every key press and wheel turn of the application before any widget
// does (Tab and Return included) and hands those of the main window to the
// window logic; what it handles never reaches the widgets.
class AppKeyFilter final : public QObject {
  public:
    AppKeyFilter(QtMainView& view, const KeyTranslator& translator);

    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QtMainView& view;
    const KeyTranslator& translator;
};
