#pragma once

class QUrl;
class QWidget;

namespace platform {

// Brings a window to the front even when another program has the focus, restoring it when minimised
// (maximised again when it was maximised before).
void bringToFront(QWidget *window);

// Opens a web address in the user's browser; false when nothing could open it.
bool openUrl(const QUrl &url);

} // namespace platform
