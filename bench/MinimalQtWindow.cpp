// The floor the window benchmark compares the terminal with: the least a Qt 6
// Widgets program does for each of its figures.
//   minimal_qt_window              a bare window of the terminal's size
//                                  (the start-up floor);
//   minimal_qt_window --port PATH  the same window taking every 100 ms what a
//                                  reader thread has read from PATH (at most
//                                  two ticks of a 4,000,000 baud line), painting
//                                  it as lines of the terminal's font and size,
//                                  and writing each key's character to PATH
//                                  (the idle, stream and key floors);
//   --clock, with or without --port
//                                  adds a read-only field of the terminal's
//                                  clock size showing the time, set once a
//                                  second: what a visible clock costs idle,
//                                  and a start-up that loads a font.
// No status line, no buttons, no document: what this costs, any program that
// does the same on this machine costs at least.
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <QApplication>
#include <QDateTime>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <array>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "terminal/ReceiveDisplay.h"
#include "window/ReadPace.h"
#include "window/TerminalWindow.h"

namespace {

constexpr int kWidth = 668;
constexpr int kHeight = 476;
// The most the program reads in a tick, at the fastest line it offers.
constexpr size_t kReadPerTick = ReadPace::kReadCapacity;
constexpr int kFontPixelSize = 13;
constexpr size_t kShownLines = 27;
constexpr int kMargin = 4;
// Where and how large the terminal's clock field is at 96 DPI.
constexpr QRect kClockField(494, 444, 154, 23);
constexpr int kClockPeriodMs = 1000;

// The clock field: a read-only line edit whose text is the time, set anew
// every second.
void AddClock(QWidget& window) {
    auto* clock = new QLineEdit(&window);
    clock->setReadOnly(true);
    clock->setAlignment(Qt::AlignCenter);
    clock->setFocusPolicy(Qt::NoFocus);
    clock->setGeometry(kClockField);
    const auto show = [clock] {
        clock->setText(QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yy hh:mm:ss")));
    };
    show();
    auto* timer = new QTimer(&window);
    QObject::connect(timer, &QTimer::timeout, clock, show);
    timer->start(kClockPeriodMs);
}

// Reads the pty as bytes arrive, as the program's channel does: a tty shows
// only 4095 bytes at a time and refills a moment after a read, so a window
// that read it only on its tick would fall behind a fast line.
class PortReader {
  public:
    explicit PortReader(int portFd) : port(portFd), stop(eventfd(0, EFD_CLOEXEC)) {
        worker = std::thread([this] { Serve(); });
    }
    ~PortReader() {
        const uint64_t one = 1;
        (void)!write(stop, &one, sizeof one);
        worker.join();
        close(stop);
    }
    PortReader(const PortReader&) = delete;
    PortReader& operator=(const PortReader&) = delete;

    // Moves up to length waiting bytes to out; the number moved.
    size_t Take(char* out, size_t length) {
        std::lock_guard<std::mutex> guard(lock);
        const size_t n = std::min(length, waiting.size());
        std::copy(waiting.begin(), waiting.begin() + static_cast<std::ptrdiff_t>(n), out);
        waiting.erase(waiting.begin(), waiting.begin() + static_cast<std::ptrdiff_t>(n));
        return n;
    }

  private:
    void Serve() {
        std::array<char, 16384> chunk{};
        for (;;) {
            pollfd fds[2] = {{port, POLLIN, 0}, {stop, POLLIN, 0}};
            if (poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN) != 0) return;
            if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return;
            const ssize_t got = read(port, chunk.data(), chunk.size());
            if (got <= 0) continue;
            std::lock_guard<std::mutex> guard(lock);
            // Bounded as the program's input queue: the rest is lost.
            const size_t room = kQueueBytes - std::min(kQueueBytes, waiting.size());
            waiting.insert(waiting.end(), chunk.data(),
                           chunk.data() + std::min(room, static_cast<size_t>(got)));
        }
    }

    static constexpr size_t kQueueBytes = 300000;
    int port;
    int stop;
    std::mutex lock;
    std::vector<char> waiting;
    std::thread worker;
};

class PollingWindow : public QWidget {
  public:
    explicit PollingWindow(int portFd) : port(portFd), reader(portFd) {
        QFont font(QStringLiteral("DejaVu Sans Mono"));
        font.setPixelSize(kFontPixelSize);
        font.setStyleStrategy(QFont::PreferNoShaping);
        setFont(font);
        lines.emplace_back();
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this] { Tick(); });
        timer->start(static_cast<int>(kPollPeriodMs));
    }

  protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().base());
        const int lineHeight = fontMetrics().lineSpacing();
        int baseline = kMargin + fontMetrics().ascent();
        for (const QString& line : lines) {
            painter.drawText(kMargin, baseline, line);
            baseline += lineHeight;
        }
    }

    void keyPressEvent(QKeyEvent* event) override {
        const QByteArray text = event->text().toLatin1();
        if (text.isEmpty()) return;
        // A floor: a byte the pty refuses is simply not timed by the bench.
        const ssize_t written = write(port, text.constData(), 1);
        Q_UNUSED(written);
    }

  private:
    void Tick() {
        const size_t total = reader.Take(buffer.data(), buffer.size());
        if (total == 0) return;
        for (size_t i = 0; i < total; ++i) Put(buffer[i]);
        while (lines.size() > kShownLines) lines.pop_front();
        update();
    }

    void Put(char byte) {
        if (byte == '\n') return;
        if (byte == '\r' ||
            lines.back().size() >= static_cast<qsizetype>(ReceiveDisplay::kLineWidth)) {
            lines.emplace_back();
        }
        if (byte != '\r') lines.back().append(QLatin1Char(byte));
    }

    int port;
    PortReader reader;
    std::array<char, kReadPerTick> buffer{};
    std::deque<QString> lines;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const qsizetype portAt = arguments.indexOf(QStringLiteral("--port"));
    std::unique_ptr<QWidget> window;
    if (portAt > 0 && portAt + 1 < arguments.size()) {
        const int fd = open(arguments.at(portAt + 1).toLocal8Bit().constData(),
                            O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd < 0) return 1;
        window = std::make_unique<PollingWindow>(fd);
    } else {
        window = std::make_unique<QWidget>();
    }
    if (arguments.contains(QStringLiteral("--clock"))) AddClock(*window);
    window->setWindowTitle(QStringLiteral("minimal"));
    window->resize(kWidth, kHeight);
    window->show();
    return QApplication::exec();
}
