#pragma once
#include <QObject>
#include <functional>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP (a service stop, Ctrl+C in the terminal that
// started the program, a logout) become a call of onSignal in the event loop,
// so that the program ends through its own closing steps: outputs dropped,
// the port closed and its exclusive lock released. The handler only writes a
// byte into a pipe that the event loop watches. One instance at a time; the
// previous handlers come back when it goes.
class ExitSignals final : public QObject {
  public:
    explicit ExitSignals(std::function<void()> onSignal);
    ~ExitSignals() override;
    ExitSignals(const ExitSignals&) = delete;
    ExitSignals& operator=(const ExitSignals&) = delete;

    // False when the pipe or a handler could not be set up; the signals then
    // keep their default action.
    bool Ok() const { return installed; }

  private:
    void Drain();

    std::function<void()> onSignal;
    int readEnd = -1;
    QSocketNotifier* notifier = nullptr;
    bool installed = false;
};
