#include "raster/edgemarkplane.h"

#include <algorithm>

void EdgeMarkPlane::prepare(int width, int height, int bytesPerPixel)
{
    const bool sameLayout = width == this->width() && height == this->height() && bytesPerPixel == m_bytesPerPixel;
    if (!sameLayout) {
        allocate(width, height, qint64(width) * height * bytesPerPixel, "EdgeMarkPlane::prepare()");
        m_bytesPerPixel = bytesPerPixel;
        m_clean = false;
        m_dirtyWords = size_t(width / blockPixels + 63) / 64;
        m_dirty.assign(m_dirtyWords * size_t(height), 0);
    }
    if (!m_clean) {
        fillBytes(0);
        std::fill(m_dirty.begin(), m_dirty.end(), 0);
    }
    m_clean = false;
}

void EdgeMarkPlane::clearDirtyRow(int y)
{
    std::fill_n(m_dirty.begin() + std::ptrdiff_t(size_t(y) * m_dirtyWords), m_dirtyWords, 0);
}
