#include "fw_tool/firmwarefile.h"

#include <QtEndian>

#include <array>

namespace firmwarefile
{

namespace
{

constexpr std::uint32_t crcPolynomial = 0xEDB88320u;
// Where the header keeps the images' offsets and lengths.
constexpr int mainOffsetField = 68, mainLengthField = 72, lcdOffsetField = 76, lcdLengthField = 80;
constexpr int checkValueBytes = 4;

const std::array<std::uint32_t, 256> &crcTable()
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> entries{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t value = i;
            for (int bit = 0; bit < 8; ++bit)
                value = (value & 1) ? (value >> 1) ^ crcPolynomial : value >> 1;
            entries[i] = value;
        }
        return entries;
    }();
    return table;
}

std::uint32_t readWord(const QByteArray &file, int offset)
{
    return qFromLittleEndian<quint32>(reinterpret_cast<const uchar *>(file.constData()) + offset);
}

// Both layers of the scrambling are XORs, so the same pass scrambles and unscrambles.
void scramble(char *payload, std::uint32_t size, std::uint32_t checkValue)
{
    uchar key[checkValueBytes];
    qToLittleEndian<quint32>(checkValue, key);
    for (std::uint32_t i = 0; i < size; ++i)
        payload[i] = char(uchar(payload[i]) ^ key[i % checkValueBytes] ^ uchar(crcTableEntry(i % 256)));
}

} // namespace

std::uint32_t crcTableEntry(unsigned index)
{
    return crcTable()[index % 256];
}

std::uint32_t crc32(const char *data, std::size_t size)
{
    const auto &table = crcTable();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i)
        crc = table[(crc ^ uchar(data[i])) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

bool load(const QByteArray &file, FirmwareImages &images)
{
    if (file.size() < minimumBytes)
        return false;
    const qint64 mainOffset = readWord(file, mainOffsetField), mainLength = readWord(file, mainLengthField);
    const qint64 lcdOffset = readWord(file, lcdOffsetField), lcdLength = readWord(file, lcdLengthField);
    // The payload and the check value behind it must lie inside the file, and each image inside the
    // checked bytes: lengths come from outside and would otherwise read past the end.
    const qint64 checkedEnd = payloadOffset + mainLength + lcdLength;
    if (checkedEnd + checkValueBytes > file.size())
        return false;
    if (mainOffset + mainLength > checkedEnd || lcdOffset + lcdLength > checkedEnd)
        return false;
    const std::uint32_t checkValue = readWord(file, file.size() - checkValueBytes);
    QByteArray plain = file.left(int(checkedEnd));
    scramble(plain.data() + payloadOffset, std::uint32_t(mainLength + lcdLength), checkValue);
    if (crc32(plain.constData(), std::size_t(plain.size())) != checkValue)
        return false;
    images.mainBoard = plain.mid(int(mainOffset), int(mainLength));
    images.lcdBoard = plain.mid(int(lcdOffset), int(lcdLength));
    return true;
}

QByteArray build(const FirmwareImages &images)
{
    const int mainLength = images.mainBoard.size(), lcdLength = images.lcdBoard.size();
    QByteArray file(payloadOffset, '\0');
    const QByteArray title = "Taliform firmware";
    file.replace(0, title.size(), title);
    auto putWord = [&file](int offset, quint32 value) {
        qToLittleEndian<quint32>(value, reinterpret_cast<uchar *>(file.data()) + offset);
    };
    putWord(mainOffsetField, payloadOffset);
    putWord(mainLengthField, quint32(mainLength));
    putWord(lcdOffsetField, quint32(payloadOffset + mainLength));
    putWord(lcdLengthField, quint32(lcdLength));
    file += images.mainBoard;
    file += images.lcdBoard;
    const std::uint32_t checkValue = crc32(file.constData(), std::size_t(file.size()));
    scramble(file.data() + payloadOffset, std::uint32_t(mainLength + lcdLength), checkValue);
    QByteArray check(checkValueBytes, '\0');
    qToLittleEndian<quint32>(checkValue, reinterpret_cast<uchar *>(check.data()));
    return file + check;
}

} // namespace firmwarefile
