#include "help/ProgramIcon.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace corvalet {

namespace {

void DrawEnvelope(QPainter& painter, const QRectF& body, qreal line) {
    painter.setPen(QPen(QColor(0x2d, 0x4a, 0x6e), line, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(QColor(0xf4, 0xf1, 0xe8));
    painter.drawRoundedRect(body, line * 1.5, line * 1.5);
    QPainterPath flap;
    flap.moveTo(body.topLeft());
    flap.lineTo(body.center().x(), body.top() + body.height() * 0.58);
    flap.lineTo(body.topRight());
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(flap);
}

void DrawClock(QPainter& painter, const QPointF& centre, qreal radius, qreal line) {
    painter.setPen(QPen(QColor(0x7a, 0x2e, 0x12), line));
    painter.setBrush(QColor(0xf2, 0xa5, 0x3b));
    painter.drawEllipse(centre, radius, radius);
    painter.setBrush(QColor(0xff, 0xfb, 0xf0));
    painter.drawEllipse(centre, radius * 0.78, radius * 0.78);
    // Hands at ten past nine, in the face's dark colour.
    painter.setPen(QPen(QColor(0x33, 0x33, 0x33), line, Qt::SolidLine, Qt::RoundCap));
    const auto hand = [&](double minutesOnDial, qreal length) {
        const double angle = minutesOnDial / 60.0 * 2.0 * M_PI;
        painter.drawLine(centre, centre + QPointF(std::sin(angle) * length, -std::cos(angle) * length));
    };
    hand(45.0 + 10.0 / 12.0, radius * 0.45);
    hand(10.0, radius * 0.65);
}

} // namespace

QPixmap ProgramPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const qreal line = std::max<qreal>(1.0, s / 28.0);
    DrawEnvelope(painter, QRectF(s * 0.06, s * 0.16, s * 0.72, s * 0.52), line);
    DrawClock(painter, QPointF(s * 0.68, s * 0.66), s * 0.28, line);
    return pixmap;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64, 128})
        icon.addPixmap(ProgramPixmap(size));
    return icon;
}

} // namespace corvalet
