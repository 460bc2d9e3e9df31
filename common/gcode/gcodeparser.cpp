#include "common/gcode/gcodeparser.h"

#include "common/strnum.h"
#include "common/takeline.h"

#include <array>
#include <cstring>

namespace
{

constexpr int letterIndex(char upper)
{
    return upper - 'A';
}
constexpr int kG = letterIndex('G'), kM = letterIndex('M'), kT = letterIndex('T');

// How parseCommand treats each byte.
enum CharKind : std::uint8_t {
    Invalid,    // not allowed in a command
    CommandEnd, // NUL, line ends, checksum '*', comment ';'
    Blank,
    Parenthesis,
    Letter,
};

constexpr std::array<std::uint8_t, 256> makeCharKinds()
{
    std::array<std::uint8_t, 256> kinds{};
    for (int c = 'A'; c <= 'Z'; ++c)
        kinds[c] = kinds[c + 32] = Letter;
    for (const char c : {'\0', '\n', '\r', '*', ';'})
        kinds[(unsigned char)c] = CommandEnd;
    kinds[' '] = kinds['\t'] = Blank;
    kinds['('] = Parenthesis;
    return kinds;
}

constexpr std::array<std::uint8_t, 256> kCharKinds = makeCharKinds();

bool isCommandLetter(int letter)
{
    return ((1u << letter) & (1u << kG | 1u << kM | 1u << kT)) != 0;
}

// Fed lines up to this length are parsed from a buffer the parser keeps.
constexpr int kLongestKeptLine = 64 * 1024;

bool startsNumber(char c)
{
    return unsigned((unsigned char)c) - '0' < 10 || c == '+' || c == '-' || c == '.';
}

bool isLineEnd(char c)
{
    return c == '\n' || c == '\r' || c == '\0';
}

// Up to (not past) the next line end or the NUL.
const char *lineEnd(const char *p)
{
    while (!isLineEnd(*p))
        ++p;
    return p;
}

// Some files carry a few lines of plain text before the G-code starts; lines opening with these
// lower-case pairs are passed over while the first 20 lines are read.
bool startsIgnoredText(const char *p)
{
    return (p[0] == 'd' && p[1] == 'o') || (p[0] == 'p' && p[1] == 'l') || (p[0] == 'n' && p[1] == 'u');
}

// Past the ')' of a parenthesis comment. An unclosed comment ends with its line, as it does for the
// printer, which receives the file line by line: it must not swallow the rest of the file.
const char *skipParenthesisComment(const char *p)
{
    while (!isLineEnd(*p)) {
        if (*p++ == ')')
            break;
    }
    return p;
}

QString quoted(char c)
{
    return QString(QLatin1Char(c));
}

} // namespace

void GCodeParser::reset()
{
    posX = posY = posZ = posE = 0;
    feed = 0;
    fan = 0;
    segType = 0;
    timeSec = 0;
    lineNo = 0;
    lineEndOffset = 0;
    totalE = extrudeDist = travelDist = 0;
    relXYZ = relE = inches = false;
    segTypeFromPlainComment = false;
    bedTemp = extruderTemp = 0;
    m_error.clear();
    m_pending.clear();
}

// Errors of command execution are found after the line end has been passed; they still name the
// command's own line, as all other errors do.
void GCodeParser::recordError(const QString &message)
{
    if (m_error.isEmpty())
        m_error = QString("GCodeParser error at line(%1): %2").arg(m_commandLine).arg(message);
}

bool GCodeParser::abandonLine(const char *p, const char *&cursor)
{
    p = lineEnd(p);
    skipToNextLine(p);
    cursor = p;
    return false;
}

inline void GCodeParser::passLineEnd(const char *&p)
{
    const char c = *p;
    // Integer arithmetic: fed lines are not inside the text textStart points to.
    lineEndOffset = std::int32_t(reinterpret_cast<std::uintptr_t>(p) - reinterpret_cast<std::uintptr_t>(textStart));
    ++p;
    if ((*p == '\n' || *p == '\r') && *p != c)
        ++p;
    ++lineNo;
}

bool GCodeParser::parseCommand(const char *&cursor)
{
    if (!cursor)
        return false;
    std::memset(has, 0, sizeof has);
    m_commandLine = lineNo;
    // The line count only changes as the command ends, so this holds for the whole command.
    return lineNo < 20 ? parseWords<true>(cursor) : parseWords<false>(cursor);
}

template <bool passesIgnoredText> bool GCodeParser::parseWords(const char *&cursor)
{
    int command = -1;
    const char *p = cursor;
    for (;;) {
        if (passesIgnoredText && startsIgnoredText(p))
            p = lineEnd(p);
        const unsigned char c = *p;
        const std::uint8_t kind = kCharKinds[c];
        if (Q_UNLIKELY(kind != Letter)) {
            if (kind == Blank) {
                ++p;
                continue;
            }
            if (kind == CommandEnd) {
                if (c == '\r' || c == '\n')
                    passLineEnd(p); // the usual case, without the comment walk
                else
                    skipToNextLine(p);
                cursor = p;
                return command >= 0 && execute();
            }
            if (kind == Parenthesis) {
                matchParenthesisComment(p);
                p = skipParenthesisComment(p + 1);
                continue;
            }
            recordError(QString("Invalid Char '%1' in GCode stream.").arg(quoted(char(c))));
            return abandonLine(p, cursor);
        }
        const int letter = (c & ~0x20) - 'A';
        if (command < 0) {
            if (!isCommandLetter(letter)) {
                recordError(QString("Invalid gcode command (first param) '%1'. Valid commands are [G, M, T].")
                                .arg(quoted(char('A' + letter))));
                return abandonLine(p, cursor);
            }
            command = letter;
        } else if (isCommandLetter(letter) && !(letter == kT && command == kM && !has[kT])) {
            cursor = p; // the next command starts at this letter
            return execute();
        } else if (has[letter]) {
            recordError(QString("Param already specified '%1'.").arg(quoted(char('A' + letter))));
            return abandonLine(p, cursor);
        }
        has[letter] = true;
        ++p;
        float &value = val[letter];
        if (!startsNumber(*p)) {
            value = 0;
        } else if (!strToNormalFloat(p, value)) {
            recordError("Invalid float format.");
            return abandonLine(p, cursor);
        }
        if (letter == kM && value == 117) // the display text of M117 is free text
            p = lineEnd(p);
        else if (*p == ' ')
            ++p; // the usual separator, spared a trip through the dispatch
    }
}

void GCodeParser::skipToNextLine(const char *&cursor)
{
    const char *p = cursor;
    for (;;) {
        const char c = *p;
        if (c == '\0')
            break;
        if (c == '\n' || c == '\r') {
            passLineEnd(p);
            break;
        }
        if (c == ';')
            matchLineComment(p);
        ++p;
    }
    cursor = p;
}

bool GCodeParser::parseLine(const char *line, int length)
{
    bool changed = false;
    const char *cursor = line;
    const char *const end = line + length;
    while (cursor < end) {
        if (*cursor == '\0')
            ++cursor;
        else
            changed |= parseCommand(cursor);
    }
    return changed;
}

bool GCodeParser::feedLines(const QByteArray &chunk)
{
    const int searchFrom = m_pending.size();
    m_pending += chunk;
    const char *const pending = m_pending.constData();
    int start = 0;
    int end = m_pending.indexOf('\n', searchFrom);
    bool changed = false;
    QByteArray oneLine, line;
    // Lines are cut out by position and the consumed bytes dropped once, so that a large chunk costs
    // linear time. A line is what takeLine makes of it: the bytes before the '\n' without one
    // trailing '\r'; only a line with a backspace needs takeLine itself to apply it. The others are
    // copied into one reused buffer, to be parsed NUL-terminated as takeLine's copy would be.
    for (; end >= 0; start = end + 1, end = m_pending.indexOf('\n', start)) {
        int length = end - start;
        if (length > 0 && pending[end - 1] == '\r')
            --length;
        if (length == 0)
            continue;
        if (std::memchr(pending + start, '\b', size_t(length))) {
            oneLine = m_pending.mid(start, end + 1 - start);
            takeLine(oneLine, line);
            if (!line.isEmpty())
                changed |= parseLine(line.constData(), line.size());
            continue;
        }
        if (length > kLongestKeptLine) {
            // A stray huge line (a damaged file) is parsed from its own copy, not kept for the session.
            const QByteArray longLine(pending + start, length);
            changed |= parseLine(longLine.constData(), length);
            continue;
        }
        if (int(m_line.size()) < length + 1)
            m_line.resize(size_t(length) + 1);
        std::memcpy(m_line.data(), pending + start, size_t(length));
        m_line[size_t(length)] = '\0';
        changed |= parseLine(m_line.data(), length);
    }
    m_pending.remove(0, start);
    return changed;
}
