#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <limits>
#include <vector>

struct TypeCommentTable;

// Reads G-code text in place and keeps a running model of the printer: positions, modes, feed, fan,
// tool-path segment type, temperatures, the print-time estimate and the path totals. Lengths are in
// mm, feed in mm/min, time in seconds. The slicer measures and previews with it; the host indexes a
// job with it and follows the lines it streams.
//
// The parser never throws: the first error since reset() is kept (wrapped with the line number) and
// parsing goes on with the next line. One instance belongs to one thread at a time.
//
// To walk a whole text: set textStart, reset(), then call parseCommand while the cursor is not at the
// terminating NUL (or use parseWholeText, which also steps over NUL bytes inside the text). Between
// commands every state field may be read; `has` tells which parameter letters the last command carried.
class GCodeParser
{
public:
    // Start of the text being walked; only used to give lineEndOffset.
    const char *textStart = nullptr;
    float posX = 0, posY = 0, posZ = 0, posE = 0;
    float feed = 0; // modal F
    std::uint8_t fan = 0;
    std::int32_t segType = 0; // index into segTypeNames
    // The four totals are summed in double precision: a float sum of hours of small moves would
    // drift by whole minutes and metres.
    double timeSec = 0;
    std::int32_t lineNo = 0;        // line ends passed since reset()
    std::int32_t lineEndOffset = 0; // of the last line end passed, from textStart
    double totalE = 0;              // all extruder moves, retractions negative
    double extrudeDist = 0;         // XY length of moves that extruded
    double travelDist = 0;          // XY length of the others
    bool relXYZ = false;
    bool relE = false;
    bool inches = false;
    bool segTypeFromPlainComment = false; // the type came from a "; name" comment
    float bedTemp = 0;
    float extruderTemp = 0;
    // Parameters of the current command, by letter A..Z. `val` keeps old values; only `has` says
    // whether the command carried the letter.
    float val[26] = {};
    bool has[26] = {};

    // Zeroes the machine state and totals, forgets the first error and any unfinished fed line.
    // textStart and val stay.
    void reset();

    // Parses and executes at most one command at the cursor (NUL-terminated text) and moves the
    // cursor past it. True when the command moved an axis or the extruder, set the fan, or dwelt.
    bool parseCommand(const char *&cursor);

    // Moves past the rest of the line and its line end ("\r\n", "\n\r", "\n" or "\r"), taking up any
    // segment-type comment on the way. Stops at the NUL without counting a line.
    void skipToNextLine(const char *&cursor);

    // Streams text: keeps what does not yet end in '\n' for the next call, and parses each complete
    // line (as split by takeLine) on its own. The line count does not advance here. True when any
    // command returned true.
    bool feedLines(const QByteArray &chunk);

    // reset(), then the whole text from its first byte. A NUL byte inside the text ends the command
    // it interrupts and is stepped over, so the rest of a damaged file is still read.
    // afterCommand(bool changed) runs after every parseCommand.
    template <class AfterCommand> void parseWholeText(const QByteArray &text, AfterCommand &&afterCommand);
    void parseWholeText(const QByteArray &text)
    {
        parseWholeText(text, [](bool) {});
    }

    // The first error since reset(): "GCodeParser error at line(<lineNo>): <message>"; empty when none.
    const QString &error() const { return m_error; }

private:
    // The words of one command; passesIgnoredText while the first lines may hold plain text.
    template <bool passesIgnoredText> bool parseWords(const char *&cursor);
    void recordError(const QString &message);
    bool abandonLine(const char *p, const char *&cursor);
    // Steps over the line end at p (one of "\r\n", "\n\r", "\n", "\r") and counts it.
    void passLineEnd(const char *&p);
    bool parseLine(const char *line, int length);

    // Segment-type comments (gcodeparsertypes.cpp).
    bool matchTypeComment(const char *text, const TypeCommentTable &table);
    void matchLineComment(const char *text);
    void matchParenthesisComment(const char *text);

    // The machine model (gcodesim.cpp).
    bool execute();
    bool executeG(float number);
    bool executeM(float number);
    bool moveLinear();
    bool home();
    bool setPosition();
    void measureMove(double dX, double dY, double dE);

    QString m_error;
    QByteArray m_pending;           // fed text after the last line end
    std::vector<char> m_line;       // the fed line being parsed, NUL-terminated
    std::int32_t m_commandLine = 0; // line of the command being parsed, for its error message
    float m_timedFeed = std::numeric_limits<float>::quiet_NaN(); // the feed m_secondsPerMm is for
    double m_secondsPerMm = 0;
};

template <class AfterCommand> void GCodeParser::parseWholeText(const QByteArray &text, AfterCommand &&afterCommand)
{
    reset();
    textStart = text.constData();
    const char *cursor = textStart;
    const char *const end = textStart + text.size();
    while (cursor < end) {
        if (*cursor == '\0') {
            ++cursor;
            continue;
        }
        afterCommand(parseCommand(cursor));
    }
}
