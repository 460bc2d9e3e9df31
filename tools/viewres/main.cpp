// Draws the images of the 3D view with QPainter, so that they can be regenerated and reviewed as
// code: the plate grid, the sky dome, the G-code colour ramps, the overlay icons, the plate logo and the
// print head's mesh. Usage: viewres <source tree root>.
#include "head.h"
#include "icons.h"

#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>
#include <QTextStream>
#include <QVector>
#include <cmath>

namespace
{

// One repeat of the plate texture is 10 mm: a line per millimetre, a stronger one per centimetre.
QImage drawGrid()
{
    const int size = 256;
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(QColor(70, 74, 82));
    QPainter painter(&image);
    painter.setPen(QPen(QColor(118, 124, 134), 1.0));
    for (int i = 1; i < 10; ++i) {
        const int at = i * size / 10;
        painter.drawLine(at, 0, at, size - 1);
        painter.drawLine(0, at, size - 1, at);
    }
    // The centimetre lines sit on both borders so that repeats join into one line of three pixels.
    painter.setPen(QPen(QColor(190, 196, 205), 1.0));
    for (int w = 0; w < 2; ++w) {
        painter.drawLine(w, 0, w, size - 1);
        painter.drawLine(size - 1 - w, 0, size - 1 - w, size - 1);
        painter.drawLine(0, w, size - 1, w);
        painter.drawLine(0, size - 1 - w, size - 1, size - 1 - w);
    }
    return image;
}

// Equirectangular, 2048 x 512: top row straight up, bottom row straight down. A deep blue zenith,
// a pale horizon, soft clouds above it and a dark floor below, so that reflections read as sky.
QImage drawSky()
{
    const int width = 2048, height = 512;
    QImage image(width, height, QImage::Format_ARGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 0, height);
    gradient.setColorAt(0.0, QColor(24, 58, 120));
    gradient.setColorAt(0.42, QColor(120, 170, 215));
    gradient.setColorAt(0.5, QColor(215, 225, 232));
    gradient.setColorAt(0.52, QColor(110, 116, 126));
    gradient.setColorAt(1.0, QColor(52, 56, 64));
    painter.fillRect(image.rect(), gradient);
    QRandomGenerator random(7970);
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 160; ++i) {
        const double x = random.bounded(double(width));
        const double y = height * (0.18 + random.bounded(0.28));
        const double w = 40 + random.bounded(140.0), h = 8 + random.bounded(22.0);
        painter.setBrush(QColor(255, 255, 255, 14 + random.bounded(24)));
        painter.drawEllipse(QRectF(x - w / 2, y - h / 2, w, h));
        // The sky wraps around: a cloud cut by the right edge continues on the left.
        painter.drawEllipse(QRectF(x - w / 2 - width, y - h / 2, w, h));
    }
    return image;
}

// The G-code colour ramps: 64 entries per row, one row per ramp, cold to hot from left to right.
QImage drawHeatPalette()
{
    const QVector<QVector<QColor>> ramps = {
        {QColor(0, 0, 255), QColor(0, 255, 255), QColor(0, 255, 0), QColor(255, 255, 0), QColor(255, 0, 0)},
        {QColor(20, 20, 20), QColor(255, 255, 255)},
        {QColor(0, 60, 255), QColor(255, 40, 0)},
        {QColor(68, 1, 84), QColor(59, 82, 139), QColor(33, 145, 140), QColor(94, 201, 98), QColor(253, 231, 37)},
        {QColor(0, 0, 0), QColor(180, 0, 0), QColor(255, 160, 0), QColor(255, 255, 220)},
        {QColor(40, 0, 120), QColor(255, 0, 160), QColor(255, 220, 0)},
        {QColor(0, 90, 40), QColor(120, 220, 60), QColor(250, 250, 200)},
        {QColor(0, 255, 0), QColor(255, 0, 255)},
        {QColor(255, 0, 0), QColor(255, 255, 0), QColor(0, 255, 0), QColor(0, 255, 255), QColor(0, 0, 255),
         QColor(255, 0, 255)},
    };
    QImage image(64, ramps.size(), QImage::Format_RGB32);
    for (int row = 0; row < ramps.size(); ++row) {
        // Pixel centres: the first and last entries are the ramp's ends exactly.
        QLinearGradient gradient(0.5, 0, 63.5, 0);
        const QVector<QColor> &stops = ramps[row];
        for (int i = 0; i < stops.size(); ++i)
            gradient.setColorAt(double(i) / (stops.size() - 1), stops[i]);
        QPainter painter(&image);
        painter.fillRect(QRect(0, row, 64, 1), gradient);
    }
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: viewres <source tree root>\n";
        return 2;
    }
    const QDir res(QString::fromLocal8Bit(argv[1]) + "/Tessaline/res");
    const bool ok = drawGrid().save(res.filePath("mmGrid.png")) && drawSky().save(res.filePath("skydome.png")) &&
                    drawHeatPalette().save(res.filePath("heatPalette.png")) &&
                    drawIcons().save(res.filePath("icons.png")) && drawLogo().save(res.filePath("logo.png")) &&
                    drawLogoRepeat().save(res.filePath("logoRep.png"));
    if (!ok)
        return 1;
    try {
        makePrintHead().exportFata(res.filePath("head.stl"), true);
    } catch (...) {
        return 1;
    }
    return 0;
}
