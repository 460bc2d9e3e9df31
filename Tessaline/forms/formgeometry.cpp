#include "forms/formgeometry.h"

#include "common/gui/windowgeometry.h"
#include "common/ini.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void restoreFormGeometry(QWidget *form)
{
    ::restoreGeometry(form, Ini::global());
    const QRect geometry = form->geometry();
    QScreen *screen = QGuiApplication::screenAt(geometry.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    QRect fitted(geometry.topLeft(), geometry.size().boundedTo(available.size()));
    fitted.moveLeft(qBound(available.left(), fitted.left(), available.right() - fitted.width() + 1));
    fitted.moveTop(qBound(available.top(), fitted.top(), available.bottom() - fitted.height() + 1));
    if (fitted != geometry)
        form->setGeometry(fitted);
}
