#pragma once

#include "raster/planebuffer.h"

class Plane8;

// A 1-bit raster: rows of width / 8 bytes one after the other; pixel (x, y) is bit (x mod 8) of byte
// (y * width + x) / 8, least significant bit first, so read as little-endian 32-bit words pixel x of a row
// is bit x mod 32 of word x / 32. Layer planes hold 1 for empty pixels and 0 for solid ones.
// Width and height are multiples of 32 (the raster frame guarantees it).
class Plane1 : public PlaneBuffer
{
public:
    Plane1() = default;
    Plane1(int width, int height) { resize(width, height); }

    void resize(int width, int height);
    void fill(bool set) { fillBytes(set ? 0xFF : 0x00); }
    int wordsPerRow() const { return width() / 32; }
    quint32 *words() { return reinterpret_cast<quint32 *>(data()); }
    const quint32 *words() const { return reinterpret_cast<const quint32 *>(data()); }

    // Pixel by its bit index into the whole plane (y * width + x).
    bool testBit(qint64 index) const { return (data()[index >> 3] >> (index & 7)) & 1; }
    bool pixel(int x, int y) const { return testBit(qint64(y) * width() + x); }
    void setPixel(int x, int y, bool set);

    void copyTo(Plane1 &target) const;

    // bit = value >= threshold, or value < threshold when inverted.
    static void fromPlane8(Plane1 &target, const Plane8 &source, int threshold, bool invert);

    // Boolean combination of whole planes:
    //   1 a = b               2 a = a AND b        3 a = a XOR b
    //   4 a = b AND c         5 a = NOT (a AND b) AND c
    //   6 a = a OR b          7 a = a OR NOT b     other numbers change nothing.
    // Operations 1 and 4 resize a to b. Timed as "Bitwise" unless quiet.
    static void bitwiseOp(int operation, Plane1 *a, const Plane1 *b, const Plane1 *c = nullptr, bool quiet = false);

    // One-pixel morphology: 'A' erode and 'O' dilate with the 3 x 3 square, 'a' erode and 'o' dilate with the
    // cross. Rows form one bit stream (a row's first pixel neighbours the previous row's last one); the first
    // and the last row are copied unchanged.
    void offset1(Plane1 &target, char operation) const;

    // |n| one-pixel steps, square and cross alternating (square first), which approximates a disc:
    // n > 0 dilates, n < 0 erodes, 0 copies.
    void offset(Plane1 &target, int n) const;

    // Grows the plane by 32 pixels on every side, the new border filled with `fill` (0 or 255).
    void inflate64(quint8 fill);

    // Tile map (one byte per 16 x 16 tile): 0 no bit set, 255 all set, 128 mixed.
    void tileMap(Plane8 &map) const;
};
