#include "common/gui/windowgeometry.h"

#include "common/ini.h"

#include <QWidget>

void restoreGeometry(QWidget *widget, const Ini &ini)
{
    const QString prefix = widget->objectName() + '.';
    const int width = ini.getInt(prefix + "Width", 0);
    if (width <= 0)
        return;
    const int height = ini.getInt(prefix + "Height", 0);
    widget->setGeometry(ini.getInt(prefix + "PosX", 0), ini.getInt(prefix + "PosY", 0), width,
                        height > 0 ? height : widget->height());
    if (ini.getInt(prefix + "Maximized", 0))
        widget->setWindowState(widget->windowState() | Qt::WindowMaximized);
}

void storeGeometry(const QWidget *widget, Ini &ini)
{
    const QString prefix = widget->objectName() + '.';
    const bool maximized = widget->isMaximized();
    if (!maximized) {
        const QRect g = widget->geometry();
        ini.setInt(prefix + "PosX", g.x());
        ini.setInt(prefix + "PosY", g.y());
        ini.setInt(prefix + "Width", g.width());
        ini.setInt(prefix + "Height", g.height());
    }
    ini.setInt(prefix + "Maximized", maximized ? 1 : 0);
}
