// The overlay buttons' icons: white pictograms on a transparent ground (the button's plate carries its
// colour), each drawn twice, first as a dark outline so that it reads on light colours too.
#include "icons.h"

#include "view/iconatlas.h"

#include <QMap>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <functional>

namespace
{

using Pictogram = std::function<void(QPainter &)>;

// Strokes in a 48 x 48 cell; lines end round.
QPen line(QPainter &p, qreal width = 3.5)
{
    QPen pen = p.pen();
    pen.setWidthF(width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

void arrowHead(QPainter &p, QPointF tip, qreal angleDegrees, qreal size = 7)
{
    const qreal a = qDegreesToRadians(angleDegrees);
    const QPointF back(-std::cos(a) * size, -std::sin(a) * size);
    const QPointF side(-std::sin(a) * size * 0.7, std::cos(a) * size * 0.7);
    QPolygonF head;
    head << tip << tip + back + side << tip + back - side;
    p.drawPolygon(head);
}

void arrow(QPainter &p, QPointF from, QPointF to)
{
    p.drawLine(from, to);
    const QPointF d = to - from;
    arrowHead(p, to, qRadiansToDegrees(std::atan2(d.y(), d.x())));
}

void curvedArrow(QPainter &p, bool clockwise)
{
    QPainterPath arc;
    const QRectF r(10, 12, 28, 26);
    if (clockwise) {
        arc.arcMoveTo(r, 200);
        arc.arcTo(r, 200, -200);
    } else {
        arc.arcMoveTo(r, -20);
        arc.arcTo(r, -20, 200);
    }
    p.setBrush(Qt::NoBrush);
    p.drawPath(arc);
    p.setBrush(p.pen().color());
    if (clockwise)
        arrowHead(p, QPointF(38, 27), 100);
    else
        arrowHead(p, QPointF(10, 27), 80);
}

void floppy(QPainter &p)
{
    p.setBrush(Qt::NoBrush);
    QPainterPath body;
    body.moveTo(10, 10);
    body.lineTo(33, 10);
    body.lineTo(38, 15);
    body.lineTo(38, 38);
    body.lineTo(10, 38);
    body.closeSubpath();
    p.drawPath(body);
    p.drawRect(QRectF(16, 10, 14, 8));
    p.drawRect(QRectF(15, 26, 18, 12));
}

void folder(QPainter &p)
{
    p.setBrush(Qt::NoBrush);
    QPainterPath f;
    f.moveTo(8, 36);
    f.lineTo(8, 13);
    f.lineTo(18, 13);
    f.lineTo(21, 17);
    f.lineTo(38, 17);
    f.lineTo(38, 22);
    p.drawPath(f);
    QPainterPath front;
    front.moveTo(8, 36);
    front.lineTo(14, 22);
    front.lineTo(42, 22);
    front.lineTo(36, 36);
    front.closeSubpath();
    p.drawPath(front);
}

void cube(QPainter &p, QPointF at = QPointF(24, 25), qreal s = 12)
{
    p.setBrush(Qt::NoBrush);
    const QPointF top = at + QPointF(0, -s), left = at + QPointF(-s, -s / 2), right = at + QPointF(s, -s / 2);
    QPolygonF outline;
    outline << top << right << right + QPointF(0, s) << at + QPointF(0, s * 1.0 + s / 2) << left + QPointF(0, s)
            << left;
    p.drawPolygon(outline);
    p.drawLine(left, at);
    p.drawLine(right, at);
    p.drawLine(at, at + QPointF(0, s * 1.5));
}

void layers(QPainter &p, int count, qreal top)
{
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < count; ++i) {
        const qreal y = top + i * 7;
        QPolygonF rhomb;
        rhomb << QPointF(24, y) << QPointF(40, y + 5) << QPointF(24, y + 10) << QPointF(8, y + 5);
        p.drawPolygon(rhomb);
    }
}

void zigzag(QPainter &p, qreal top, qreal bottom)
{
    QPainterPath z;
    z.moveTo(9, top);
    const int rows = 4;
    for (int i = 0; i < rows; ++i) {
        const qreal y = top + (bottom - top) * i / (rows - 1);
        z.lineTo(i % 2 ? 9 : 39, y);
        if (i + 1 < rows)
            z.lineTo(i % 2 ? 9 : 39, top + (bottom - top) * (i + 1) / (rows - 1));
    }
    p.setBrush(Qt::NoBrush);
    p.drawPath(z);
}

void gear(QPainter &p)
{
    QPainterPath g;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        const qreal a0 = 2 * M_PI * i / (teeth * 2), a1 = 2 * M_PI * (i + 1) / (teeth * 2);
        const qreal r = i % 2 ? 12.0 : 16.0;
        const QPointF p0(24 + r * std::cos(a0), 24 + r * std::sin(a0)),
            p1(24 + r * std::cos(a1), 24 + r * std::sin(a1));
        if (i == 0)
            g.moveTo(p0);
        else
            g.lineTo(p0);
        g.lineTo(p1);
    }
    g.closeSubpath();
    p.setBrush(Qt::NoBrush);
    p.drawPath(g);
    p.drawEllipse(QPointF(24, 24), 5, 5);
}

QMap<int, Pictogram> pictograms()
{
    QMap<int, Pictogram> icons;
    icons[1] = [](QPainter &p) { // Select: a cursor
        QPolygonF cursor;
        cursor << QPointF(15, 8) << QPointF(15, 36) << QPointF(22, 29) << QPointF(27, 40) << QPointF(32, 38)
               << QPointF(27, 27) << QPointF(36, 27);
        p.setBrush(Qt::NoBrush);
        p.drawPolygon(cursor);
    };
    icons[2] = [](QPainter &p) { // Move: four arrows
        p.setBrush(p.pen().color());
        arrow(p, QPointF(24, 24), QPointF(24, 7));
        arrow(p, QPointF(24, 24), QPointF(24, 41));
        arrow(p, QPointF(24, 24), QPointF(7, 24));
        arrow(p, QPointF(24, 24), QPointF(41, 24));
    };
    icons[3] = [](QPainter &p) { // Rotate: a turning arrow round a dot
        curvedArrow(p, true);
        p.drawEllipse(QPointF(24, 27), 2, 2);
    };
    icons[4] = [](QPainter &p) { // Scale: a small and a large square joined by an arrow
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(8, 24, 14, 14));
        p.drawRect(QRectF(8, 8, 32, 32));
        p.setBrush(p.pen().color());
        arrow(p, QPointF(22, 24), QPointF(36, 11));
    };
    icons[5] = [](QPainter &p) { // Add
        p.drawLine(QPointF(24, 9), QPointF(24, 39));
        p.drawLine(QPointF(9, 24), QPointF(39, 24));
    };
    icons[6] = [](QPainter &p) { // Remove
        p.drawLine(QPointF(12, 12), QPointF(36, 36));
        p.drawLine(QPointF(36, 12), QPointF(12, 36));
    };
    icons[16] = [](QPainter &p) { curvedArrow(p, false); };
    icons[17] = [](QPainter &p) { curvedArrow(p, true); };
    icons[18] = [](QPainter &p) { floppy(p); };
    icons[19] = [](QPainter &p) { folder(p); };
    icons[20] = [](QPainter &p) { // New: a page with a folded corner
        p.setBrush(Qt::NoBrush);
        QPolygonF page;
        page << QPointF(12, 8) << QPointF(29, 8) << QPointF(36, 15) << QPointF(36, 40) << QPointF(12, 40);
        p.drawPolygon(page);
        p.drawPolyline(QPolygonF() << QPointF(29, 8) << QPointF(29, 15) << QPointF(36, 15));
        p.drawLine(QPointF(24, 22), QPointF(24, 34));
        p.drawLine(QPointF(18, 28), QPointF(30, 28));
    };
    icons[21] = [](QPainter &p) { // Save as: a disk and a pencil
        p.save();
        p.scale(0.8, 0.8);
        floppy(p);
        p.restore();
        p.drawLine(QPointF(26, 42), QPointF(42, 26));
        p.drawLine(QPointF(24, 44), QPointF(26, 42));
    };
    icons[22] = [](QPainter &p) { // Auto drop: an arrow down onto the plate
        p.drawLine(QPointF(8, 40), QPointF(40, 40));
        p.setBrush(p.pen().color());
        arrow(p, QPointF(24, 8), QPointF(24, 33));
    };
    icons[23] = [](QPainter &p) { // Slice (G-code view): layers and a blade
        layers(p, 3, 14);
        p.drawLine(QPointF(6, 10), QPointF(42, 10));
    };
    icons[35] = [](QPainter &p) { zigzag(p, 10, 38); };
    icons[37] = [](QPainter &p) { // Support: a slab on three pillars
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(8, 9, 32, 8));
        for (qreal x : {12.0, 24.0, 36.0})
            p.drawLine(QPointF(x, 17), QPointF(x, 39));
        p.drawLine(QPointF(6, 40), QPointF(42, 40));
    };
    icons[38] = [](QPainter &p) { cube(p); };
    icons[39] = [](QPainter &p) { layers(p, 4, 8); };
    icons[48] = [](QPainter &p) { // Save G-code: a disk with a path on its label
        floppy(p);
        p.drawLine(QPointF(19, 30), QPointF(29, 30));
        p.drawLine(QPointF(19, 34), QPointF(29, 34));
    };
    icons[49] = [](QPainter &p) { // Load G-code
        folder(p);
        p.drawLine(QPointF(18, 29), QPointF(32, 29));
    };
    icons[50] = [](QPainter &p) { // Clear: a bin
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(9, 13), QPointF(39, 13));
        p.drawRect(QRectF(19, 8, 10, 5));
        QPolygonF bin;
        bin << QPointF(12, 13) << QPointF(15, 40) << QPointF(33, 40) << QPointF(36, 13);
        p.drawPolyline(bin);
        p.drawLine(QPointF(20, 19), QPointF(21, 34));
        p.drawLine(QPointF(28, 19), QPointF(27, 34));
    };
    icons[51] = [](QPainter &p) { // Print: a printer's frame, its head and a part
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(8, 8, 32, 32));
        p.drawLine(QPointF(8, 16), QPointF(40, 16));
        QPolygonF head;
        head << QPointF(20, 16) << QPointF(28, 16) << QPointF(24, 23);
        p.setBrush(p.pen().color());
        p.drawPolygon(head);
        p.drawRect(QRectF(17, 31, 14, 6));
    };
    icons[52] = [](QPainter &p) { // Export: a cube with an arrow leaving it
        cube(p, QPointF(18, 28), 10);
        p.setBrush(p.pen().color());
        arrow(p, QPointF(26, 22), QPointF(41, 7));
    };
    icons[53] = [](QPainter &p) { // Drop plane: a tilted face turned down onto the plate
        p.drawLine(QPointF(6, 40), QPointF(42, 40));
        p.setBrush(Qt::NoBrush);
        QPolygonF face;
        face << QPointF(10, 22) << QPointF(30, 8) << QPointF(38, 18) << QPointF(18, 32);
        p.drawPolygon(face);
        p.setBrush(p.pen().color());
        arrow(p, QPointF(24, 26), QPointF(24, 36));
    };
    icons[54] = [](QPainter &p) { gear(p); };
    icons[55] = [](QPainter &p) { // G-code view: a path over layers
        zigzag(p, 8, 24);
        layers(p, 2, 27);
    };
    icons[64] = [](QPainter &p) { // Stats: a bar chart
        p.drawLine(QPointF(8, 40), QPointF(40, 40));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(11, 26, 6, 14));
        p.drawRect(QRectF(21, 14, 6, 26));
        p.drawRect(QRectF(31, 20, 6, 20));
    };
    return icons;
}

void drawShapes(QPainter &painter)
{
    // The plate: a rounded square filling its cell, brighter at the top.
    const QRect plate = IconAtlas::cellRect(IconAtlas::plateCell);
    QLinearGradient shade(plate.topLeft(), plate.bottomLeft());
    shade.setColorAt(0, QColor(255, 255, 255, 255));
    shade.setColorAt(1, QColor(170, 170, 170, 255));
    painter.setPen(Qt::NoPen);
    painter.setBrush(shade);
    painter.drawRoundedRect(QRectF(plate).adjusted(1, 1, -1, -1), 9, 9);
    painter.setPen(QPen(QColor(255, 255, 255, 200), 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(plate).adjusted(1.5, 1.5, -1.5, -1.5), 9, 9);

    const QRect selection = IconAtlas::cellRect(IconAtlas::selectionCell);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(selection.x() + 4, selection.bottom() - 5, 40, 5), 2, 2);

    const QRect divider = IconAtlas::cellRect(IconAtlas::dividerCell);
    painter.drawRect(QRectF(divider.x() + 6, divider.bottom() - 2, 36, 2));
}

} // namespace

QList<int> iconIndexes()
{
    return pictograms().keys();
}

QImage drawIcons()
{
    QImage atlas(IconAtlas::atlasSize, IconAtlas::atlasSize, QImage::Format_ARGB32);
    atlas.fill(Qt::transparent);
    QPainter painter(&atlas);
    painter.setRenderHint(QPainter::Antialiasing);
    const QMap<int, Pictogram> icons = pictograms();
    for (auto it = icons.begin(); it != icons.end(); ++it) {
        const QRect cell = IconAtlas::cellRect(it.key());
        for (const QColor &colour : {QColor(0, 0, 0, 150), QColor(Qt::white)}) {
            painter.save();
            painter.translate(cell.topLeft());
            const bool outline = colour.alpha() < 255;
            if (outline)
                painter.translate(0.8, 1.2);
            painter.setClipRect(QRect(0, 0, IconAtlas::cellSize, IconAtlas::cellSize));
            painter.setPen(colour);
            painter.setPen(line(painter, outline ? 5.5 : 3.0));
            painter.setBrush(colour);
            it.value()(painter);
            painter.restore();
        }
    }
    drawShapes(painter);
    return atlas;
}

// A hexagon with a corner pointing down, around `centre`.
QPolygonF hexagonAround(const QPointF &centre, qreal radius)
{
    QPolygonF hexagon;
    for (int i = 0; i < 6; ++i) {
        const qreal a = M_PI / 3 * i + M_PI / 6;
        hexagon << centre + QPointF(radius * std::cos(a), radius * std::sin(a));
    }
    return hexagon;
}

// The plate's mark: a tessellated hexagon beside the name, white on transparent (the plate tints it).
QImage drawLogo()
{
    QImage image(512, 128, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 4));
    painter.setBrush(Qt::NoBrush);
    const QPointF centre(64, 64);
    const QPolygonF hexagon = hexagonAround(centre, 48);
    painter.drawPolygon(hexagon);
    for (int i = 0; i < 6; i += 2)
        painter.drawLine(centre, hexagon[i]);
    painter.setBrush(Qt::white);
    painter.drawPolygon(QPolygonF() << centre << hexagon[0] << hexagon[1] << hexagon[2]);
    QFont font("DejaVu Sans");
    font.setPixelSize(72);
    font.setBold(true);
    QPainterPath text;
    text.addText(128, 90, font, "Tessaline");
    painter.setPen(Qt::NoPen);
    painter.drawPath(text);
    return image;
}

// The mark alone, tiled: a quiet repeating pattern for the plate's far parts.
QImage drawLogoRepeat()
{
    QImage image(128, 128, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 255, 255, 90), 2));
    painter.setBrush(Qt::NoBrush);
    for (const QPointF &centre : {QPointF(32, 32), QPointF(96, 96)}) {
        const QPolygonF hexagon = hexagonAround(centre, 20);
        painter.drawPolygon(hexagon);
        for (int i = 0; i < 6; i += 2)
            painter.drawLine(centre, hexagon[i]);
    }
    return image;
}
