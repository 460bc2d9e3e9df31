#include "common/platform/window.h"

#include <QDesktopServices>
#include <QUrl>
#include <QWidget>
#include <QWindow>

namespace platform {

void bringToFront(QWidget *window)
{
    if (!window)
        return;
    if (window->isMinimized()) {
        const bool wasMaximized = window->windowState() & Qt::WindowMaximized;
        window->setWindowState((window->windowState() & ~Qt::WindowMinimized)
                               | (wasMaximized ? Qt::WindowMaximized : Qt::WindowNoState));
    }
    window->show();
    window->raise();
    window->activateWindow();
    // X11 window managers honour an activation request from the window itself; there is no
    // foreground lock to get around as on Windows.
    if (QWindow *handle = window->windowHandle())
        handle->requestActivate();
}

bool openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

} // namespace platform
