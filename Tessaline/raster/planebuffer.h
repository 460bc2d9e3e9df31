#pragma once

#include <QtGlobal>

#include <memory>

// The storage both raster plane types share: a byte buffer whose data pointer is 16-byte aligned and whose
// byte size is rounded up to a multiple of 16, so that vector code may always read and write whole 16-byte
// blocks. A buffer owns its bytes; it moves but never copies implicitly (planes are large, a copy is an
// explicit operation of the plane types).
class PlaneBuffer
{
public:
    qint32 byteSize() const { return m_byteSize; }
    qint32 width() const { return m_width; }
    qint32 height() const { return m_height; }
    bool isEmpty() const { return m_width == 0 || m_height == 0; }
    bool sameSize(const PlaneBuffer &other) const { return m_width == other.m_width && m_height == other.m_height; }

    quint8 *data() { return m_data; }
    const quint8 *data() const { return m_data; }

    void fillBytes(quint8 value);

protected:
    PlaneBuffer() = default;
    PlaneBuffer(PlaneBuffer &&other) noexcept { swap(other); }
    PlaneBuffer &operator=(PlaneBuffer &&other) noexcept
    {
        PlaneBuffer moved(std::move(other));
        swap(moved);
        return *this;
    }
    PlaneBuffer(const PlaneBuffer &) = delete;
    PlaneBuffer &operator=(const PlaneBuffer &) = delete;
    ~PlaneBuffer() = default;

    // Sets the size; keeps the old buffer when it already has the needed byte size (contents undefined
    // then). `owner` names the plane type in the message for sizes that do not fit.
    void allocate(qint64 width, qint64 height, qint64 bytes, const char *owner);

    void swap(PlaneBuffer &other) noexcept;

private:
    static constexpr int alignment = 16;

    qint32 m_byteSize = 0;
    qint32 m_width = 0;
    qint32 m_height = 0;
    std::unique_ptr<quint8[]> m_buffer; // byteSize + 15 bytes
    quint8 *m_data = nullptr;
};
