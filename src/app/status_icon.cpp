#include "status_icon.h"

#include <array>

#include <QPainter>
#include <QPainterPath>

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

// An antenna mast with two arcs of waves on each side, about 13 points tall, in a box of
// `glyphWidth` × `glyphHeight` whose top left corner is `origin`.
constexpr qreal glyphWidth = 15;
constexpr qreal glyphHeight = 13;

void drawGlyph(QPainter& painter, QPointF origin, const QColor& color, qreal stroke, qreal hub) {
    const QPointF centre = origin + QPointF(glyphWidth / 2, 5.5);
    QPen pen(color, stroke, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(pen);
    painter.drawLine(centre + QPointF(0, 1.5), QPointF(centre.x(), origin.y() + glyphHeight));
    painter.setBrush(color);
    painter.drawEllipse(centre, hub, hub);
    painter.setBrush(Qt::NoBrush);
    for (qreal radius : {3.6, 6.4}) {
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

} // namespace

QColor color(SignalColor signal, bool dark) {
    return QColor::fromRgba(shades[static_cast<size_t>(signal)][dark ? 1 : 0]);
}

QImage image(const QColor& state, const QColor& label, qreal scale) {
    QImage image = canvas(width, height, scale);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF origin(0, (height - glyphHeight) * 0.5);
    // The panel's colour is not known: the glyph's outline keeps it visible on any of them.
    drawGlyph(painter, origin, haloFor(label), 3.4, 2.6);
    drawGlyph(painter, origin, label, 1.4, 1.6);
    painter.setPen(Qt::NoPen);
    painter.setBrush(state);
    // One point in from the right and the bottom edge.
    painter.drawEllipse(QRectF(width - 8, height - 1 - 7, 7, 7));
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
