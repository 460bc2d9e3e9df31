#pragma once

#include "raster/planebuffer.h"

#include <vector>

// Scratch of the supersampling rasterisers: per pixel one 32-bit word of winding marks (an up and a down
// bit for each of the 16 sub-samples) or one 16-bit word of parity marks. Sub-sample (i, j), column i and
// sub-row j, is number 4j + i; its up bit is bit 2n and its down bit 2n + 1 of the 32-bit word, its parity
// bit is bit n of the 16-bit word.
// The rasterisers clear the marks as they read them, so a scratch that is reused for the next layer does
// not need clearing again; an interrupted pass (an exception) leaves it marked as unknown.
class EdgeMarkPlane : public PlaneBuffer
{
public:
    // Sizes the scratch for a W x H plane with `bytesPerPixel` (4 winding, 2 parity) and makes sure it is clear.
    void prepare(int width, int height, int bytesPerPixel);
    void markClean(bool clean) { m_clean = clean; }

    // Blocks of 32 pixels of a row that hold marks, one bit each, so that the row pass reads only those.
    static constexpr int blockPixels = 32;
    void markDirty(int y, int x) { m_dirty[size_t(y) * m_dirtyWords + size_t(x >> 11)] |= 1ull << ((x >> 5) & 63); }
    const quint64 *dirtyRow(int y) const { return m_dirty.data() + size_t(y) * m_dirtyWords; }
    void clearDirtyRow(int y);

private:
    int m_bytesPerPixel = 0;
    bool m_clean = false;
    size_t m_dirtyWords = 0; // per row
    std::vector<quint64> m_dirty;
};
