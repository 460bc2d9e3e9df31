// Draws the printer host's images with QPainter, so that they can be regenerated and reviewed as code:
// the panel's button glyphs (48 x 48, shown at 24 px and sharp on dense screens) and the activity LEDs
// (16 x 16). Light strokes on a transparent ground, for the dark window. Usage: hostres <source root>.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>
#include <QtMath>

#include <functional>
#include <utility>
#include <vector>

namespace
{

constexpr int iconSize = 48;
const QColor ink(228, 232, 238);
const QColor accent(250, 200, 60);
const QColor alarm(235, 80, 70);
const QColor go(110, 210, 120);

QPen stroke(const QColor &color = ink, double width = 4)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QImage drawIcon(const std::function<void(QPainter &)> &draw)
{
    QImage image(iconSize, iconSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    return image;
}

void arrow(QPainter &p, QPointF from, QPointF to, const QColor &color = ink)
{
    p.setPen(stroke(color));
    p.drawLine(from, to);
    const QLineF line(to, from);
    for (double turn : {-28.0, 28.0}) {
        QLineF head = line;
        head.setLength(10);
        head.setAngle(line.angle() + turn);
        p.drawLine(head);
    }
}

void polygon(QPainter &p, std::initializer_list<QPointF> points, const QColor &color)
{
    p.setPen(stroke(color, 2));
    p.setBrush(color);
    p.drawPolygon(QPolygonF(QVector<QPointF>(points)));
}

void house(QPainter &p)
{
    p.setPen(stroke());
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({{8, 24}, {24, 9}, {40, 24}}));
    p.drawPolyline(QPolygonF({{13, 20}, {13, 39}, {35, 39}, {35, 20}}));
}

void letter(QPainter &p, const QString &text, QRectF box, const QColor &color = accent)
{
    QFont font("DejaVu Sans");
    font.setBold(true);
    font.setPixelSize(int(box.height()));
    p.setFont(font);
    p.setPen(color);
    p.drawText(box, Qt::AlignCenter, text);
}

std::vector<std::pair<QString, QImage>> icons()
{
    std::vector<std::pair<QString, QImage>> list;
    auto add = [&](const QString &name, const std::function<void(QPainter &)> &draw) {
        list.emplace_back(name, drawIcon(draw));
    };
    add("play", [](QPainter &p) { polygon(p, {{15, 9}, {39, 24}, {15, 39}}, go); });
    add("pause", [](QPainter &p) {
        p.setPen(Qt::NoPen);
        p.setBrush(accent);
        p.drawRoundedRect(QRectF(11, 9, 9, 30), 2, 2);
        p.drawRoundedRect(QRectF(28, 9, 9, 30), 2, 2);
    });
    add("stop", [](QPainter &p) {
        p.setPen(Qt::NoPen);
        p.setBrush(alarm);
        p.drawRoundedRect(QRectF(11, 11, 26, 26), 3, 3);
    });
    add("close", [](QPainter &p) {
        p.setPen(stroke(alarm, 5));
        p.drawLine(QPointF(13, 13), QPointF(35, 35));
        p.drawLine(QPointF(35, 13), QPointF(13, 35));
    });
    add("reconnect", [](QPainter &p) {
        p.setPen(stroke());
        p.drawArc(QRectF(10, 10, 28, 28), 100 * 16, 280 * 16);
        polygon(p, {{22, 4}, {30, 10}, {22, 16}}, ink);
    });
    add("load", [](QPainter &p) {
        p.setPen(stroke());
        p.setBrush(Qt::NoBrush);
        p.drawPolygon(QPolygonF({{6, 14}, {18, 14}, {22, 18}, {42, 18}, {42, 38}, {6, 38}}));
        arrow(p, QPointF(24, 6), QPointF(24, 31), accent);
    });
    add("terminal", [](QPainter &p) {
        p.setPen(stroke(ink, 3));
        p.setBrush(QColor(20, 24, 30));
        p.drawRoundedRect(QRectF(5, 9, 38, 30), 3, 3);
        p.setPen(stroke(go, 3.5));
        p.drawPolyline(QPolygonF({{12, 17}, {19, 23}, {12, 29}}));
        p.drawLine(QPointF(23, 31), QPointF(34, 31));
    });
    add("firmware", [](QPainter &p) {
        p.setPen(stroke(ink, 3));
        p.setBrush(QColor(40, 46, 56));
        p.drawRect(QRectF(13, 13, 22, 22));
        for (int i = 0; i < 3; ++i) {
            const double at = 18 + i * 6;
            p.drawLine(QPointF(at, 6), QPointF(at, 12));
            p.drawLine(QPointF(at, 36), QPointF(at, 42));
            p.drawLine(QPointF(6, at), QPointF(12, at));
            p.drawLine(QPointF(36, at), QPointF(42, at));
        }
        arrow(p, QPointF(24, 31), QPointF(24, 17), accent);
    });
    add("motorsoff", [](QPainter &p) {
        p.setPen(stroke(alarm, 4.5));
        p.drawArc(QRectF(10, 11, 28, 28), 120 * 16, 300 * 16);
        p.drawLine(QPointF(24, 7), QPointF(24, 24));
    });
    add("homexy", [](QPainter &p) {
        house(p);
        letter(p, "XY", QRectF(13, 24, 22, 13));
    });
    add("homez", [](QPainter &p) {
        house(p);
        letter(p, "Z", QRectF(13, 23, 22, 15));
    });
    add("setz", [](QPainter &p) {
        arrow(p, QPointF(14, 26), QPointF(14, 6));
        arrow(p, QPointF(14, 22), QPointF(14, 42));
        letter(p, "Z", QRectF(22, 12, 22, 24));
    });
    add("thermo", [](QPainter &p) {
        p.setPen(stroke(ink, 3));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(19, 5, 10, 28), 5, 5);
        p.setBrush(alarm);
        p.drawEllipse(QPointF(24, 36), 8, 8);
        p.setPen(stroke(alarm, 4));
        p.drawLine(QPointF(24, 16), QPointF(24, 32));
    });
    add("fan", [](QPainter &p) {
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        for (int blade = 0; blade < 3; ++blade) {
            p.save();
            p.translate(24, 24);
            p.rotate(blade * 120);
            QPainterPath path;
            path.moveTo(0, 0);
            path.cubicTo(-4, -8, -2, -18, 8, -19);
            path.cubicTo(10, -12, 6, -4, 0, 0);
            p.drawPath(path);
            p.restore();
        }
        p.setBrush(accent);
        p.drawEllipse(QPointF(24, 24), 4, 4);
    });
    add("tweak", [](QPainter &p) {
        for (int i = 0; i < 3; ++i) {
            const double y = 12 + i * 12, knob = 14 + ((i * 11) % 20);
            p.setPen(stroke(ink, 3));
            p.drawLine(QPointF(7, y), QPointF(41, y));
            p.setPen(stroke(ink, 2));
            p.setBrush(accent);
            p.drawEllipse(QPointF(knob, y), 5, 5);
        }
    });
    add("progress", [](QPainter &p) {
        p.setPen(stroke(ink, 3));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(9, 5, 30, 38), 3, 3);
        for (int i = 0; i < 5; ++i)
            p.drawLine(QPointF(20, 12 + i * 6), QPointF(33, 12 + i * 6));
        polygon(p, {{13, 20}, {18, 24}, {13, 28}}, accent);
    });
    add("extrude", [](QPainter &p) {
        p.setPen(stroke(ink, 3));
        p.setBrush(QColor(40, 46, 56));
        p.drawPolygon(QPolygonF({{14, 6}, {34, 6}, {34, 20}, {27, 28}, {21, 28}, {14, 20}}));
        arrow(p, QPointF(24, 26), QPointF(24, 43), go);
    });
    add("retract", [](QPainter &p) {
        p.setPen(stroke(ink, 3));
        p.setBrush(QColor(40, 46, 56));
        p.drawPolygon(QPolygonF({{14, 22}, {34, 22}, {34, 36}, {27, 44}, {21, 44}, {14, 36}}));
        arrow(p, QPointF(24, 30), QPointF(24, 4), accent);
    });
    return list;
}

// A lit LED glows from a bright centre to its colour; an unlit one is a dull grey lens.
QImage drawLed(const QColor &color, bool lit)
{
    const int size = 16;
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QRadialGradient glow(QPointF(6.5, 6), 9);
    glow.setColorAt(0, lit ? color.lighter(170) : QColor(110, 110, 110));
    glow.setColorAt(0.6, lit ? color : QColor(60, 60, 60));
    glow.setColorAt(1, lit ? color.darker(160) : QColor(35, 35, 35));
    painter.setPen(QPen(QColor(15, 15, 15), 1));
    painter.setBrush(glow);
    painter.drawEllipse(QRectF(1, 1, size - 2, size - 2));
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: hostres <source tree root>\n";
        return 2;
    }
    const QDir res(QString::fromLocal8Bit(argv[1]) + "/Spoolwatch/res");
    bool ok = true;
    for (const auto &[name, image] : icons())
        ok = image.save(res.filePath(name + ".png")) && ok;
    const std::pair<const char *, QColor> leds[] = {
        {"red", QColor(240, 50, 40)}, {"yellow", QColor(250, 210, 30)}, {"green", QColor(60, 220, 80)}};
    for (const auto &[name, color] : leds)
        ok = drawLed(color, true).save(res.filePath(QString("led_%1.png").arg(name))) && ok;
    ok = drawLed(Qt::gray, false).save(res.filePath("led_off.png")) && ok;
    return ok ? 0 : 1;
}
