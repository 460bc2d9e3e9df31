#include "edgemarkplane.h"

void EdgeMarkPlane::prepare(int width, int height, int bytesPerPixel)
{
    const bool sameLayout = width == this->width() && height == this->height() && bytesPerPixel == m_bytesPerPixel;
    if (!sameLayout) {
        allocate(width, height, qint64(width) * height * bytesPerPixel, "EdgeMarkPlane::prepare()");
        m_bytesPerPixel = bytesPerPixel;
        m_clean = false;
    }
    if (!m_clean)
        fillBytes(0);
    m_clean = false;
}
