#include "engine/settingstrailer.h"

#include "engine/slicerparams.h"

#include <zlib.h>

const char settingsTrailerPrefix[] = ";Tessaline_Settings=";

namespace
{

const char *const invalidTrailer = "decodeSettingsTrailer() invalid settings trailer";

// Settings JSON is a few kilobytes; the cap keeps a corrupted length from claiming gigabytes.
constexpr quint32 maxSettingsBytes = 16 * 1024 * 1024;
constexpr int lengthHeaderBytes = 4;

quint32 bigEndianLength(const QByteArray &bytes)
{
    quint32 length = 0;
    for (int i = 0; i < lengthHeaderBytes; ++i)
        length = (length << 8) | quint8(bytes[i]);
    return length;
}

// Inflates exactly `expected` bytes and requires the stream to end there, with nothing after it.
QByteArray inflateExactly(const char *data, int size, quint32 expected)
{
    QByteArray out(int(expected), Qt::Uninitialized);
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        throw invalidTrailer;
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data));
    stream.avail_in = uInt(size);
    // One spare byte so that a stream holding more than the claimed length is noticed.
    char spare = 0;
    stream.next_out = expected ? reinterpret_cast<Bytef *>(out.data()) : reinterpret_cast<Bytef *>(&spare);
    stream.avail_out = expected ? uInt(expected) : 1;
    int result = inflate(&stream, Z_FINISH);
    if ((result == Z_OK || result == Z_BUF_ERROR) && expected && stream.avail_out == 0) {
        stream.next_out = reinterpret_cast<Bytef *>(&spare);
        stream.avail_out = 1;
        result = inflate(&stream, Z_FINISH);
    }
    const bool complete = result == Z_STREAM_END && stream.total_out == expected && stream.avail_in == 0;
    inflateEnd(&stream);
    if (!complete)
        throw invalidTrailer;
    return out;
}

} // namespace

QByteArray settingsTrailerEncoding(const SlicerParams &params)
{
    return qCompress(params.toJson(), 9).toBase64();
}

QByteArray decodeSettingsTrailer(const QByteArray &line)
{
    QByteArray text = line.trimmed();
    if (text.startsWith(settingsTrailerPrefix))
        text.remove(0, int(sizeof(settingsTrailerPrefix)) - 1);
    const auto decoded = QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() < lengthHeaderBytes)
        throw invalidTrailer;
    const QByteArray &compressed = decoded.decoded;
    const quint32 expected = bigEndianLength(compressed);
    if (expected > maxSettingsBytes)
        throw invalidTrailer;
    // qCompress writes empty data as the length alone, without a stream.
    if (expected == 0 && compressed.size() == lengthHeaderBytes)
        return QByteArray();
    return inflateExactly(compressed.constData() + lengthHeaderBytes, compressed.size() - lengthHeaderBytes, expected);
}
