#pragma once

class QApplication;

// The look shared by both programs: the "Fusion" style, a dark palette and blue tool tips.
void applyApplicationLook(QApplication &app);
