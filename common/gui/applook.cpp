#include "common/gui/applook.h"

#include <QApplication>
#include <QIcon>
#include <QPalette>
#include <QStyleFactory>

void applyApplicationLook(QApplication &app)
{
    app.setStyle(QStyleFactory::create("Fusion"));

    const QColor dark(53, 53, 53);
    const QColor blue(42, 130, 218);
    QPalette palette;
    palette.setColor(QPalette::Window, dark);
    palette.setColor(QPalette::WindowText, Qt::white);
    palette.setColor(QPalette::Base, QColor(25, 25, 25));
    palette.setColor(QPalette::AlternateBase, dark);
    palette.setColor(QPalette::ToolTipBase, Qt::white);
    palette.setColor(QPalette::ToolTipText, Qt::white);
    palette.setColor(QPalette::Text, Qt::white);
    palette.setColor(QPalette::Button, dark);
    palette.setColor(QPalette::ButtonText, Qt::white);
    palette.setColor(QPalette::BrightText, Qt::red);
    palette.setColor(QPalette::Link, blue);
    palette.setColor(QPalette::Highlight, blue);
    palette.setColor(QPalette::HighlightedText, Qt::black);
    app.setPalette(palette);

    app.setStyleSheet("QToolTip { color: #ffffff; background-color: #2a82da; border: 1px solid white; }");
}

QIcon programIcon(const QString &base)
{
    QIcon icon;
    icon.addFile(base + ".png", QSize(256, 256));
    icon.addFile(base + "-48.png", QSize(48, 48));
    return icon;
}
