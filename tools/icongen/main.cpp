// Draws the desktop icons of both programs with QPainter, so that they can be regenerated and reviewed
// as code. Every size is painted from the same 256-unit drawing rather than scaled from one bitmap, so
// the small sizes stay sharp. Usage: icongen <source tree root>; the images land in
// packaging/icons/hicolor/<N>x<N>/apps/ where the install rules pick them up.
#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>
#include <cmath>

namespace
{

// The sizes desktops ask the hicolor theme for; 48 is the one every theme must have.
constexpr int iconSizes[] = {16, 24, 32, 48, 64, 128, 256};
// The drawing's own units: every icon is drawn on a 256 x 256 canvas and scaled.
constexpr double canvas = 256;

void drawTile(QPainter &painter, const QColor &top, const QColor &bottom)
{
    QLinearGradient gradient(0, 8, 0, canvas - 8);
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    painter.setPen(QPen(QColor(0, 0, 0, 90), 4));
    painter.setBrush(gradient);
    painter.drawRoundedRect(QRectF(10, 10, canvas - 20, canvas - 20), 44, 44);
}

// The slicer: a vase cut into layers, each layer a flat bead, the top one still being laid by the nozzle.
void drawTessaline(QPainter &painter)
{
    drawTile(painter, QColor(46, 52, 64), QColor(22, 25, 31));
    const int layers = 7;
    const double bottom = 212, layerHeight = 20;
    for (int i = 0; i < layers; ++i) {
        // The outline bulges in the middle like a vase: the width follows a sine over the height.
        const double t = double(i) / (layers - 1);
        const double halfWidth = 58 + 26 * std::sin(t * M_PI) - 10 * t;
        const double y = bottom - (i + 1) * layerHeight;
        QLinearGradient bead(0, y, 0, y + layerHeight);
        const QColor base = QColor::fromHsvF(0.47 - 0.05 * t, 0.75, 0.95);
        bead.setColorAt(0, base.lighter(130));
        bead.setColorAt(1, base.darker(140));
        painter.setPen(Qt::NoPen);
        painter.setBrush(bead);
        painter.drawRoundedRect(QRectF(128 - halfWidth, y + 1.5, 2 * halfWidth, layerHeight - 3), 8, 8);
    }
    // The nozzle above the last layer.
    QPainterPath nozzle;
    const double tipY = bottom - layers * layerHeight - 6;
    nozzle.moveTo(128 - 26, tipY - 40);
    nozzle.lineTo(128 + 26, tipY - 40);
    nozzle.lineTo(128 + 8, tipY - 8);
    nozzle.lineTo(128 + 4, tipY);
    nozzle.lineTo(128 - 4, tipY);
    nozzle.lineTo(128 - 8, tipY - 8);
    nozzle.closeSubpath();
    painter.setPen(QPen(QColor(30, 30, 30), 3));
    painter.setBrush(QColor(235, 180, 60));
    painter.drawPath(nozzle);
}

// The host: a filament spool seen from the side, with a progress arc around it as the job streams.
void drawSpoolwatch(QPainter &painter)
{
    drawTile(painter, QColor(64, 48, 40), QColor(30, 22, 18));
    const QPointF centre(128, 128);
    // Progress ring: the part already printed bright, the rest dim.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 50), 14, Qt::SolidLine, Qt::FlatCap));
    painter.drawEllipse(centre, 96, 96);
    painter.setPen(QPen(QColor(120, 230, 120), 14, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(QRectF(32, 32, 192, 192), 90 * 16, -250 * 16);
    // The filament wound on the spool.
    QRadialGradient wound(centre, 76);
    wound.setColorAt(0.45, QColor(255, 150, 40));
    wound.setColorAt(1.0, QColor(200, 80, 10));
    painter.setPen(QPen(QColor(40, 20, 10), 3));
    painter.setBrush(wound);
    painter.drawEllipse(centre, 74, 74);
    painter.setPen(QPen(QColor(255, 210, 150, 110), 2));
    painter.setBrush(Qt::NoBrush);
    for (double r = 50; r < 72; r += 7)
        painter.drawEllipse(centre, r, r);
    // The hub with its bore.
    painter.setPen(QPen(QColor(40, 40, 40), 3));
    painter.setBrush(QColor(210, 214, 220));
    painter.drawEllipse(centre, 40, 40);
    painter.setBrush(QColor(40, 44, 52));
    painter.drawEllipse(centre, 14, 14);
}

QImage render(void (*draw)(QPainter &), int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / canvas, size / canvas);
    draw(painter);
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: icongen <source tree root>\n";
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]) + "/packaging/icons/hicolor");
    for (int size : iconSizes) {
        const QString folder = QString("%1x%1/apps").arg(size);
        if (!root.mkpath(folder))
            return 1;
        const QDir apps(root.filePath(folder));
        if (!render(drawTessaline, size).save(apps.filePath("tessaline.png")) ||
            !render(drawSpoolwatch, size).save(apps.filePath("spoolwatch.png")))
            return 1;
    }
    return 0;
}
