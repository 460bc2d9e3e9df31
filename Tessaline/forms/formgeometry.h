#pragma once

class QWidget;

// Restores a dialog's stored geometry and brings it onto the screen it lands on: a size stored on a larger
// screen (or damaged) shrinks to the available area and the dialog moves inside it, so it can always be seen
// and closed.
void restoreFormGeometry(QWidget *form);
