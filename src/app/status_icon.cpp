// SPDX-License-Identifier: GPL-3.0-or-later
#include "status_icon.h"

#include <array>

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace StatusIcon {

namespace {

// Light and dark shades of the system colours, indexed by signal.
constexpr std::array<std::array<QRgb, 2>, 5> shades{{
    {0xFF34C759, 0xFF30D158}, // green
    {0xFF8E8E93, 0xFF98989D}, // gray
    {0xFFFFCC00, 0xFFFFD60A}, // yellow
    {0xFFFF9500, 0xFFFF9F0A}, // orange
    {0xFFFF3B30, 0xFFFF453A}, // red
}};

QImage canvas(int w, int h, qreal scale) {
    QImage image(qRound(w * scale), qRound(h * scale), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    return image;
}

// An antenna mast with two arcs of waves on each side, in a box of `glyphWidth` × `glyphHeight`
// points whose top left corner is `origin`.
constexpr qreal glyphWidth = side;
constexpr qreal glyphHeight = 19;

void drawGlyph(QPainter& painter, QPointF origin, const QColor& color, qreal stroke, qreal hub) {
    const QPointF centre = origin + QPointF(glyphWidth / 2, 8);
    QPen pen(color, stroke, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(pen);
    painter.drawLine(centre + QPointF(0, 2), QPointF(centre.x(), origin.y() + glyphHeight));
    painter.setBrush(color);
    painter.drawEllipse(centre, hub, hub);
    painter.setBrush(Qt::NoBrush);
    for (qreal radius : {5.2, 9.2}) {
        const QRectF ring(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
        const int span = 100 * 16;
        painter.drawArc(ring, -span / 2, span);           // right
        painter.drawArc(ring, 180 * 16 - span / 2, span); // left
    }
}

// The outline around the glyph: light around a dark glyph, dark around a light one.
QColor haloFor(const QColor& label) {
    return label.lightness() < 128 ? QColor(255, 255, 255, 210) : QColor(0, 0, 0, 190);
}

// The mark of `signal` inside the dot `area`, in ink that stands out from `fill`.
void drawMark(QPainter& painter, const QRectF& area, SignalColor signal, const QColor& fill) {
    const QColor ink = fill.lightness() > 150 ? QColor(0x20, 0x20, 0x20) : QColor(Qt::white);
    const qreal u = area.width() / 10;
    const QPointF c = area.center();
    painter.save();
    painter.setPen(QPen(ink, 1.4 * u, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    switch (signal) {
    case SignalColor::green:
        painter.drawPolyline(QPolygonF{c + QPointF(-2.8 * u, 0.2 * u),
                                       c + QPointF(-0.8 * u, 2.2 * u),
                                       c + QPointF(2.8 * u, -1.8 * u)});
        break;
    case SignalColor::gray:
        painter.drawLine(c + QPointF(-1.3 * u, -2.3 * u), c + QPointF(-1.3 * u, 2.3 * u));
        painter.drawLine(c + QPointF(1.3 * u, -2.3 * u), c + QPointF(1.3 * u, 2.3 * u));
        break;
    case SignalColor::yellow:
    case SignalColor::orange:
        painter.drawLine(c + QPointF(0, -2.8 * u), c + QPointF(0, 0.8 * u));
        painter.drawPoint(c + QPointF(0, 2.8 * u));
        break;
    case SignalColor::red:
        painter.drawLine(c + QPointF(-2.2 * u, -2.2 * u), c + QPointF(2.2 * u, 2.2 * u));
        painter.drawLine(c + QPointF(-2.2 * u, 2.2 * u), c + QPointF(2.2 * u, -2.2 * u));
        break;
    }
    painter.restore();
}

} // namespace

QColor color(SignalColor signal, bool dark) {
    return QColor::fromRgba(shades[static_cast<size_t>(signal)][dark ? 1 : 0]);
}

QImage image(SignalColor signal, const QColor& state, const QColor& label, qreal scale) {
    QImage image = canvas(side, side, scale);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF origin(0, (side - glyphHeight) * 0.5);
    // The panel's colour is not known: the outlines keep glyph and dot visible on any of them.
    const QColor halo = haloFor(label);
    drawGlyph(painter, origin, halo, 4, 3.2);
    drawGlyph(painter, origin, label, 1.9, 2.2);
    painter.setPen(QPen(halo, 1.2));
    painter.setBrush(state);
    const QRectF dot(side - 9.2, side - 9.2, 8.8, 8.8);
    painter.drawEllipse(dot);
    drawMark(painter, dot, signal, state);
    return image;
}

QIcon icon(SignalColor signal, const QColor& state, const QColor& label) {
    QIcon icon;
    for (int size : pixelSizes) {
        QImage picture = image(signal, state, label, qreal(size) / side);
        picture.setDevicePixelRatio(1);
        icon.addPixmap(QPixmap::fromImage(picture));
    }
    return icon;
}

QImage stateDot(SignalColor signal, const QColor& color, int side, qreal scale) {
    QImage image = canvas(side, side, scale);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    const QRectF area(0, 0, side, side);
    painter.drawEllipse(area);
    drawMark(painter, area, signal, color);
    return image;
}

QImage dot(const QColor& color, qreal scale) {
    QImage image = canvas(9, 9, scale);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(QRectF(0, 0, 9, 9));
    return image;
}

} // namespace StatusIcon
