#pragma once

#include <QImage>
#include <QList>

// "icons.png": the overlay icons at their indexes (see view/iconatlas.h) and the button shapes.
QImage drawIcons();
// The indexes that hold a pictogram.
QList<int> iconIndexes();
// "logo.png" and "logoRep.png": the plate's logo and its repeating pattern.
QImage drawLogo();
QImage drawLogoRepeat();
