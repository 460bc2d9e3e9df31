#pragma once

class Ini;
class QWidget;

// Window geometry kept in the settings store under "<objectName>.PosX", ".PosY", ".Width", ".Height"
// (the frame-less geometry, pixels) and ".Maximized" (0 or 1).

// Applies the stored geometry when a width above 0 is stored; otherwise leaves the widget as it is.
void restoreGeometry(QWidget *widget, const Ini &ini);

// Stores the normal geometry unless the widget is maximized (so the last normal geometry is kept for
// un-maximizing), and always stores the maximized flag.
void storeGeometry(const QWidget *widget, Ini &ini);
