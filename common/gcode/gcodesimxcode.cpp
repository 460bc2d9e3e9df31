#include "common/gcode/gcodesimxcode.h"

#include "common/gcode/gcodesimformat.h"
#include "common/platform/paths.h"

#include <QDebug>
#include <QFile>
#include <QStringList>
#include <QtAlgorithms>

#include <algorithm>
#include <bitset>
#include <cstdint>
#include <cstring>
#include <limits>

namespace
{

// File layout: the magic, a header up to byte 128 that carries nothing we need, then records of
// [length L (signed), type, L - 1 more bytes], multi-byte numbers little-endian.
constexpr char kMagic[] = {'Z', 'C', 'o', 'd', 'e'};
constexpr int kHeaderSize = 128;

enum RecordType { MoveRecord = 1, FeedRecord = 2, HomeRecord = 4 };

// Move flags: bits 0..3 say which of X, Y, Z, E follow, bit 5 a fan word; 4, 6 and 7 mean nothing.
constexpr unsigned kAxisBits = 0x0F, kFanBit = 0x20, kUnknownMoveBits = 0xD0;
// Home mask: bits 0..2 home X, Y, Z (each followed by an unused word), bit 3 sets E.
constexpr unsigned kHomeAxisBits = 0x07, kSetEBit = 0x08, kUnknownHomeBits = 0xF0;

// Machine units per word: X and Y 1/640 mm, Z 1/800 mm, E 1/1200 mm at 100 %.
constexpr float kXYFactor = 0.0015625f, kZFactor = 0.00125f, kEFactorAt100 = 0.00083333335f;
// Beyond these a value is suspicious enough to log (it is still written).
constexpr float kMinPlausible = -1, kMaxPlausible = 150;

// A damaged file could otherwise flood the debug log with one line per record.
constexpr int kMaxDiagnostics = 100;

// The longest line we build: "G1", four axes with a letter and a number each, CR LF.
constexpr int kLineCapacity = 2 + 4 * (1 + gcodeformat::kMaxNumberLength) + 2;

int readEscale()
{
    QFile file(platform::developerSwitchPath("c:/escale"));
    if (!file.open(QIODevice::ReadOnly))
        return 100;
    bool ok = false;
    const int percent = QString::fromLatin1(file.read(64)).trimmed().toInt(&ok);
    return ok && percent >= 10 && percent <= 1000 ? percent : 100;
}

// The slicer's segment-type name for a path type below 128; nullptr for an unknown one.
const char *pathTypeName(unsigned pathType)
{
    static const char *const names[20] = {"Perimeter",   "HShell", "Loop",    "Infill", "Support", "Support", nullptr,
                                          "SoftSupport", nullptr,  "Support", "Raft",   "Raft",    "Raft",    "Support",
                                          "HShell",      "HShell", nullptr,   "Loop",   "HShell",  "Loop"};
    return pathType < 20 ? names[pathType] : nullptr;
}

// The whole ";segType:" line of each path type below 128, made once and padded to a fixed size: a
// converted file can change type with every record, and a fixed-size copy costs no library call.
class SegTypeLines
{
public:
    static constexpr int kPaddedSize = 32; // ";segType:SoftSupport\r\n" is the longest, 22 bytes

    SegTypeLines()
    {
        for (unsigned pathType = 0; pathType < 128; ++pathType) {
            const char *name = pathTypeName(pathType);
            const QByteArray line = QByteArray(";segType:") + (name ? name : "Skirt") + "\r\n";
            std::memcpy(m_lines[pathType].text, line.constData(), size_t(line.size()));
            m_lines[pathType].size = line.size();
        }
    }

    // Writes the line of `pathType` at `out`, which must have kPaddedSize bytes of room; returns its end.
    char *write(char *out, unsigned pathType) const
    {
        const Line &line = m_lines[pathType];
        std::memcpy(out, line.text, kPaddedSize);
        return out + line.size;
    }

private:
    struct Line {
        char text[kPaddedSize] = {};
        int size = 0;
    };
    Line m_lines[128];
};

std::int32_t wordAt(const unsigned char *p)
{
    return std::int32_t(std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                        std::uint32_t(p[3]) << 24);
}

int bitCount(unsigned bits)
{
    return int(qPopulationCount(bits));
}

// The text being written: one buffer grown geometrically and written through a pointer, since a
// QByteArray append per number costs more than the number itself.
class TextOutput
{
public:
    // A QByteArray holds a little under 2 GiB; the converter stops short of it with room to spare
    // for the longest line and the finishing move.
    static constexpr int kMaxSize = std::numeric_limits<int>::max() - (1 << 20);

    explicit TextOutput(qint64 expectedSize) { resize(std::clamp<qint64>(expectedSize, 256, kMaxSize)); }

    bool full() const { return m_used > kMaxSize - 4096; }

    // Room for `count` (a line at most) more bytes at the returned pointer; hand the end of what was
    // written to commit().
    char *room(int count)
    {
        if (m_capacity - m_used < count)
            resize(std::min<qint64>(std::max<qint64>(qint64(m_capacity) * 2, qint64(m_used) + count), kMaxSize));
        return m_begin + m_used;
    }
    void commit(const char *end) { m_used = int(end - m_begin); }

    void append(const char *text) { append(text, int(std::strlen(text))); }
    void append(const char *text, int length)
    {
        char *out = room(length);
        std::memcpy(out, text, length);
        commit(out + length);
    }

    QByteArray take()
    {
        m_text.resize(m_used);
        m_text.squeeze();
        return std::move(m_text);
    }

private:
    void resize(qint64 size)
    {
        m_text.resize(int(size));
        m_begin = m_text.data();
        m_capacity = m_text.size();
    }

    QByteArray m_text;
    char *m_begin = nullptr;
    int m_capacity = 0;
    int m_used = 0;
};

// Writes a command and its number words into `out`; returns the end.
char *writeText(char *out, const char *text)
{
    while (*text)
        *out++ = *text++;
    return out;
}

class XCodeConverter
{
public:
    explicit XCodeConverter(int escale)
        : m_factors{kXYFactor, kXYFactor, kZFactor, float(escale) / 100.0f * kEFactorAt100}
    {
    }

    QByteArray convert(const QByteArray &data)
    {
        // The text runs to 1.5 to 3 times the records. Room never written costs no memory, while
        // growing late would move what is written; take() hands back what is not used.
        TextOutput out(qint64(data.size()) * 3);
        m_out = &out;
        const auto *bytes = reinterpret_cast<const unsigned char *>(data.constData());
        const int size = data.size();
        for (int cursor = kHeaderSize; cursor < size;) {
            const int length = std::int8_t(bytes[cursor]);
            // A negative length would never move forward; like a record running past the end it
            // means the rest is not usable.
            if (length < 0 || size - cursor - 1 < length) {
                diagnostic([] { return QString("error out of code"); });
                break;
            }
            if (out.full()) {
                diagnostic([] { return QString("processXCode: text too large, conversion stopped"); });
                break;
            }
            handleRecord(bytes + cursor, 1 + length);
            cursor += 1 + length;
        }
        out.append("G1X0F5000 ;finishing move\r\n");
        if (m_unknownPathTypes.any()) {
            QStringList types;
            for (unsigned type = 0; type < m_unknownPathTypes.size(); ++type) {
                if (m_unknownPathTypes.test(type))
                    types << QString::number(type);
            }
            qDebug().noquote() << "code unknown path types" << types.join(", ");
        }
        return out.take();
    }

private:
    // The text is only built for lines that are really logged: a damaged file can ask for millions.
    template <class MakeText> void diagnostic(MakeText &&makeText)
    {
        if (++m_diagnostics <= kMaxDiagnostics)
            qDebug().noquote() << makeText();
        else if (m_diagnostics == kMaxDiagnostics + 1)
            qDebug().noquote() << "processXCode: further diagnostics suppressed";
    }

    // A record shorter than the fields its own flags announce is skipped whole.
    bool fits(int recordSize, int needed)
    {
        if (recordSize >= needed)
            return true;
        diagnostic([&] { return QString("short record (%1 of %2 bytes)").arg(recordSize).arg(needed); });
        return false;
    }

    void handleRecord(const unsigned char *record, int recordSize)
    {
        if (recordSize < 2)
            return;
        switch (record[1]) {
        case MoveRecord:
            if (fits(recordSize, 4))
                move(record, recordSize);
            break;
        case FeedRecord:
            if (fits(recordSize, 6))
                appendLine("G1F", record + 2);
            break;
        case HomeRecord:
            if (fits(recordSize, 3))
                home(record, recordSize);
            break;
        default:
            break; // other record types carry nothing for the text
        }
    }

    void appendLine(const char *command, const unsigned char *integerWord)
    {
        char *end = gcodeformat::writeInt(writeText(m_out->room(kLineCapacity), command), wordAt(integerWord));
        *end++ = '\r';
        *end++ = '\n';
        m_out->commit(end);
    }

    void move(const unsigned char *record, int recordSize)
    {
        const unsigned pathType = record[2], flags = record[3];
        const int axisWords = bitCount(flags & kAxisBits);
        if (!fits(recordSize, 4 + 4 * axisWords + ((flags & kFanBit) ? 4 : 0)))
            return;
        if (flags & kAxisBits) {
            writePathType(pathType);
            if (wordAt(record + 4) >= 0)
                writeMove(flags, record + 4);
        }
        if (flags & kFanBit)
            appendLine("M106S", record + 4 + 4 * axisWords);
        if (flags & kUnknownMoveBits)
            diagnostic([] { return "unknown cmd " + QString::number(MoveRecord); });
    }

    void writePathType(unsigned pathType)
    {
        if (int(pathType) == m_lastPathType)
            return;
        m_lastPathType = int(pathType);
        if (pathType >= 128)
            return;
        if (!pathTypeName(pathType))
            m_unknownPathTypes.set(pathType);
        m_out->commit(m_segTypeLines.write(m_out->room(SegTypeLines::kPaddedSize), pathType));
    }

    void writeMove(unsigned flags, const unsigned char *words)
    {
        char *end = writeText(m_out->room(kLineCapacity), "G1");
        for (int axis = 0; axis < 4; ++axis) {
            if (!(flags & (1u << axis)))
                continue;
            const float value = float(wordAt(words)) * m_factors[axis];
            words += 4;
            if (value < kMinPlausible || value > kMaxPlausible)
                diagnostic([axis] { return QString("out of range(%1)").arg(axis); });
            *end++ = "XYZE"[axis];
            end = gcodeformat::writeReal(end, value);
        }
        *end++ = '\r';
        *end++ = '\n';
        m_out->commit(end);
    }

    void home(const unsigned char *record, int recordSize)
    {
        const unsigned mask = record[2];
        const int homeWords = bitCount(mask & kHomeAxisBits);
        if (!fits(recordSize, 3 + 4 * homeWords + ((mask & kSetEBit) ? 4 : 0)))
            return;
        if (mask & kHomeAxisBits) {
            char *end = writeText(m_out->room(kLineCapacity), "G28");
            for (int axis = 0; axis < 3; ++axis) {
                if (mask & (1u << axis)) {
                    *end++ = "XYZ"[axis];
                    *end++ = '0';
                }
            }
            m_out->commit(writeText(end, "\r\n"));
        }
        if (mask & kSetEBit) {
            char *end = writeText(m_out->room(kLineCapacity), "G92E");
            end = gcodeformat::writeReal(end, float(wordAt(record + 3 + 4 * homeWords)) * m_factors[3]);
            m_out->commit(writeText(end, "\r\n"));
        }
        if (mask & kUnknownHomeBits)
            diagnostic([] { return "unknown cmd " + QString::number(HomeRecord); });
    }

    const float m_factors[4];
    const SegTypeLines m_segTypeLines;
    TextOutput *m_out = nullptr;
    int m_lastPathType = -1;
    std::bitset<128> m_unknownPathTypes; // path types below 128 that have no name
    int m_diagnostics = 0;
};

} // namespace

bool isXCode(const QByteArray &data)
{
    return data.size() >= int(sizeof kMagic) && std::memcmp(data.constData(), kMagic, sizeof kMagic) == 0;
}

QByteArray processXCode(const QByteArray &data)
{
    if (!isXCode(data))
        return data;
    return XCodeConverter(readEscale()).convert(data);
}
