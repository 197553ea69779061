#include "qt/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int kSizes[] = {16, 32, 48, 64};
constexpr int kPinsTop = 5;
constexpr int kPinsBottom = 4;

QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;

    // Background tile.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(24, 48, 96));
    painter.drawRoundedRect(QRectF(0, 0, s, s), s * 0.15, s * 0.15);

    // Connector shell: a trapezoid, wide side up.
    QPainterPath shell;
    shell.moveTo(s * 0.10, s * 0.38);
    shell.lineTo(s * 0.90, s * 0.38);
    shell.lineTo(s * 0.80, s * 0.82);
    shell.lineTo(s * 0.20, s * 0.82);
    shell.closeSubpath();
    painter.setBrush(QColor(200, 205, 215));
    painter.drawPath(shell);

    // Pins, five above four.
    painter.setBrush(QColor(40, 40, 40));
    const qreal pin = s * 0.09;
    for (int i = 0; i < kPinsTop; ++i) {
        painter.drawEllipse(QPointF(s * (0.22 + 0.14 * i), s * 0.52), pin / 2, pin / 2);
    }
    for (int i = 0; i < kPinsBottom; ++i) {
        painter.drawEllipse(QPointF(s * (0.29 + 0.14 * i), s * 0.69), pin / 2, pin / 2);
    }

    // The lamp.
    painter.setBrush(QColor(0, 255, 0));
    painter.drawEllipse(QPointF(s * 0.80, s * 0.18), s * 0.11, s * 0.11);
    return pixmap;
}

}  // namespace

QIcon AppIcon() {
    QIcon icon;
    for (int size : kSizes) icon.addPixmap(DrawIcon(size));
    return icon;
}
