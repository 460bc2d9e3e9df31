#include "geometry/meshtext.h"

#include <cmath>
#include <limits>

bool MeshToken::is(const char *word) const
{
    const size_t length = std::strlen(word);
    return size_t(size) == length && std::memcmp(begin, word, length) == 0;
}

float MeshToken::toFloat() const
{
    bool ok = false;
    const double value = QByteArray::fromRawData(begin, size).toDouble(&ok);
    if (!ok)
        return 0.0f;
    if (std::fabs(value) > double(std::numeric_limits<float>::max()))
        return value > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
    return float(value);
}

bool MeshToken::toInt64(qint64 &value) const
{
    bool ok = false;
    value = QByteArray::fromRawData(begin, size).toLongLong(&ok, 10);
    return ok;
}
