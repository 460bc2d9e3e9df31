#pragma once

class QApplication;
class QIcon;
class QString;

// The look shared by both programs: the "Fusion" style, a dark palette and blue tool tips.
void applyApplicationLook(QApplication &app);

// A program's icon from its resources: `base` + ".png" (256 pixels) and `base` + "-48.png".
QIcon programIcon(const QString &base);
