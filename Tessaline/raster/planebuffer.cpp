#include "raster/planebuffer.h"

#include <QString>

#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

void PlaneBuffer::fillBytes(quint8 value)
{
    if (m_byteSize > 0)
        std::memset(m_data, value, size_t(m_byteSize));
}

void PlaneBuffer::swap(PlaneBuffer &other) noexcept
{
    std::swap(m_byteSize, other.m_byteSize);
    std::swap(m_width, other.m_width);
    std::swap(m_height, other.m_height);
    std::swap(m_buffer, other.m_buffer);
    std::swap(m_data, other.m_data);
}

void PlaneBuffer::allocate(qint64 width, qint64 height, qint64 bytes, const char *owner)
{
    // The byte size is a signed 32-bit field of the plane; anything beyond it is a broken frame, not a
    // request worth gigabytes of memory.
    const qint64 rounded = (bytes + alignment - 1) / alignment * alignment;
    if (width < 0 || height < 0 || rounded > std::numeric_limits<qint32>::max() - alignment)
        throw QString("%1: invalid plane size %2 x %3 pixels").arg(owner).arg(width).arg(height);
    m_width = qint32(width);
    m_height = qint32(height);
    if (m_buffer && rounded == m_byteSize)
        return;
    m_buffer.reset();
    m_data = nullptr;
    m_byteSize = qint32(rounded);
    if (rounded == 0)
        return;
    m_buffer = std::make_unique<quint8[]>(size_t(rounded) + alignment - 1);
    const auto address = reinterpret_cast<std::uintptr_t>(m_buffer.get());
    m_data = m_buffer.get() + ((alignment - address % alignment) % alignment);
}
