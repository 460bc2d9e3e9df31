#pragma once

#include <QByteArray>

class Faces;

// OBJ text, Y-up as the scene, CR LF line ends: all "v x y z" lines (three decimals) first, then
// "f a b c" with 1-based indices. Equal vertices are shared within a sliding window of the last
// thousand written, which keeps the file small without a quadratic search.
QByteArray writeObj(const Faces &faces);
