// The floor for the start-up figure of the window benchmark: the least a Qt 6
// Widgets program does to put a window of the terminal's size on the screen.
#include <QApplication>
#include <QWidget>

namespace {
constexpr int kWidth = 652;
constexpr int kHeight = 476;
}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("minimal"));
    window.resize(kWidth, kHeight);
    window.show();
    return QApplication::exec();
}
