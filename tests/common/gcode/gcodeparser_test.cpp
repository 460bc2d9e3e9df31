#include "common/gcode/gcodeparser.h"
#include "common/strnum.h"
#include "common/takeline.h"
#include "gcodegen.h"
#include "parsesteps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace
{

constexpr int letter(char c)
{
    return c - 'A';
}

struct Walk {
    GCodeParser parser;
    std::vector<bool> results; // one per parseCommand call that found a command or an error
};

Walk parse(const QByteArray &text)
{
    Walk walk;
    walk.parser.parseWholeText(text, [&](bool changed) { walk.results.push_back(changed); });
    return walk;
}

QString errorAt(int line, const QString &message)
{
    return QString("GCodeParser error at line(%1): %2").arg(line).arg(message);
}

} // namespace

TEST(GCodeParserSyntax, SpacingAndCaseDoNotMatter)
{
    for (const char *text : {"G1X10Y20\n", "g1 x10 y20\n", "G1\tX10 \t Y20 \n", "G1 X10 Y20 *57\n"}) {
        const Walk w = parse(text);
        EXPECT_EQ(w.parser.posX, 10) << text;
        EXPECT_EQ(w.parser.posY, 20) << text;
        EXPECT_TRUE(w.parser.has[letter('G')] && w.parser.has[letter('X')] && w.parser.has[letter('Y')]);
        EXPECT_FALSE(w.parser.has[letter('Z')]);
        EXPECT_EQ(w.parser.error(), "") << text;
    }
}

TEST(GCodeParserSyntax, ErrorsNameTheLineAndTheFirstOneStays)
{
    const struct {
        const char *text;
        QString error;
    } cases[] = {
        {"G1 X 10\n", errorAt(0, "Invalid Char '1' in GCode stream.")},
        {"G1 X5 X6\n", errorAt(0, "Param already specified 'X'.")},
        {"S200\n", errorAt(0, "Invalid gcode command (first param) 'S'. Valid commands are [G, M, T].")},
        {"G1 X1.2.3\n", errorAt(0, "Invalid float format.")},
        {"G1 X- Y1\n", errorAt(0, "Invalid float format.")},
        {"G1\nG10 X1\nG1 X1 X1\n", errorAt(1, "Unknown GCode 'G10'")},
        {"G1\r\nG1\r\n#\r\nS1\r\n", errorAt(2, "Invalid Char '#' in GCode stream.")},
        {"G99999999999\n", errorAt(0, "Unknown GCode 'G1e+11'")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(parse(c.text).parser.error(), c.error) << c.text;
}

TEST(GCodeParserSyntax, FaultyLineIsSkippedAndTheNextOneStillCounts)
{
    const Walk w = parse("G1 X5 X6\nG10\nG1 X7 Y8\n");
    EXPECT_EQ(w.parser.posX, 7);
    EXPECT_EQ(w.parser.posY, 8);
    EXPECT_EQ(w.parser.lineNo, 3);
    const Walk spaced = parse("G1 X 10 Y4\nG1 Y3\n");
    EXPECT_TRUE(spaced.parser.has[letter('Y')]);
    EXPECT_EQ(spaced.parser.posX, 0) << "X is present with value 0 before the error";
    EXPECT_EQ(spaced.parser.posY, 3);
}

TEST(GCodeParserSyntax, CommandLettersSplitCommandsOnOneLine)
{
    Walk w = parse("G1 X5 G1 Y5\n");
    EXPECT_EQ(w.results.size(), 2u);
    EXPECT_EQ(w.parser.posX, 5);
    EXPECT_EQ(w.parser.posY, 5);

    w = parse("M104 T0 S210\n");
    EXPECT_EQ(w.results.size(), 1u);
    EXPECT_EQ(w.parser.extruderTemp, 210);
    EXPECT_TRUE(w.parser.has[letter('T')]);
    EXPECT_EQ(w.parser.val[letter('T')], 0);

    w = parse("T0 T1\n");
    EXPECT_EQ(w.results, std::vector<bool>({false, false}));
    EXPECT_EQ(w.parser.val[letter('T')], 1);
    EXPECT_EQ(w.parser.error(), "");

    w = parse("M104 T1 T2 S5\n"); // the second T starts a tool command of its own
    EXPECT_EQ(w.results.size(), 2u);
    EXPECT_EQ(w.parser.extruderTemp, 0);
}

TEST(GCodeParserSyntax, CommandNumbersRoundHalfUp)
{
    EXPECT_EQ(parse("G0.6 X3\n").parser.posX, 3);
    EXPECT_EQ(parse("G1.0 X3\n").parser.posX, 3);
    EXPECT_EQ(parse("G0.5 X3\n").parser.posX, 3);
    EXPECT_EQ(parse("G1.5 X3\n").parser.error(), errorAt(0, "Unknown GCode 'G2'"));
    EXPECT_EQ(parse("G X3\n").parser.posX, 3) << "a letter without a number reads 0";
}

TEST(GCodeParserSyntax, DisplayTextOfM117IsNotParsed)
{
    const Walk w = parse("M117 Printing *X1 ;TYPE:FILL G1 X9\nG1 Y2\n");
    EXPECT_EQ(w.parser.error(), "");
    EXPECT_EQ(w.parser.posX, 0);
    EXPECT_EQ(w.parser.posY, 2);
    EXPECT_EQ(w.parser.segType, 0) << "the comment inside the display text is text";
    EXPECT_EQ(w.parser.lineNo, 2);
}

TEST(GCodeParserSyntax, LineEndsInEveryForm)
{
    const struct {
        const char *text;
        int lines;
        int lastEndOffset;
    } cases[] = {
        {"G1\r\nG1\r\n", 2, 6}, {"G1\nG1\n", 2, 5}, {"G1\n\rG1\n\r", 2, 6}, {"G1\rG1\r", 2, 5}, {"\n\n\r\r", 3, 3},
        {"G1\r\n\r\nG1", 2, 4}, {"", 0, 0},         {";x\n(a\nb)\n", 3, 8},
    };
    for (const auto &c : cases) {
        const Walk w = parse(c.text);
        EXPECT_EQ(w.parser.lineNo, c.lines) << QByteArray(c.text).toHex().constData();
        EXPECT_EQ(w.parser.lineEndOffset, c.lastEndOffset) << QByteArray(c.text).toHex().constData();
    }
}

// An unclosed '(' used to swallow the rest of the file; it now ends with its line, as the printer
// sees it when the file is streamed line by line.
TEST(GCodeParserSyntax, Regression_UnclosedParenthesisEndsWithItsLine)
{
    const Walk w = parse("G1 X1 (unclosed comment\nG1 Y2\n(a) G1 (b) X3 (c)\n");
    EXPECT_EQ(w.parser.posY, 2);
    EXPECT_EQ(w.parser.posX, 3);
    EXPECT_EQ(w.parser.lineNo, 3);
    EXPECT_EQ(w.parser.error(), "");
    const Walk atEnd = parse("G1 X4 (never closed");
    EXPECT_EQ(atEnd.parser.posX, 4);
}

TEST(GCodeParserSyntax, ForeignTextLinesAreSkippedOnlyInTheFirstTwentyLines)
{
    QByteArray text = "do not print this\nplease\nnumbers: 12 x\nG1 X1\n";
    Walk w = parse(text);
    EXPECT_EQ(w.parser.error(), "");
    EXPECT_EQ(w.parser.posX, 1);
    for (int i = 0; i < 20; ++i)
        text += "G1\n";
    text += "done\n";
    w = parse(text);
    EXPECT_EQ(w.parser.error(), errorAt(24, "Invalid gcode command (first param) 'D'. Valid commands are [G, M, T]."));
}

struct TypeCommentCase {
    const char *name;
    const char *line;
    int segType;
    bool plain;
};

class TypeComments : public testing::TestWithParam<TypeCommentCase>
{
};

TEST_P(TypeComments, SetTheSegmentType)
{
    const TypeCommentCase &c = GetParam();
    GCodeParser parser;
    parser.reset();
    parser.segType = 99;
    parser.textStart = c.line;
    const char *cursor = c.line;
    while (*cursor)
        parser.parseCommand(cursor);
    EXPECT_EQ(parser.segType, c.segType) << c.line;
    if (c.segType != 99)
        EXPECT_EQ(parser.segTypeFromPlainComment, c.plain) << c.line;
    EXPECT_EQ(parser.error(), "");
}

INSTANTIATE_TEST_SUITE_P(Dialects, TypeComments,
                         testing::Values(TypeCommentCase{"Own", ";segType:Infill\n", 4, false},
                                         TypeCommentCase{"OwnLast", ";segType:InnerHair\n", 10, false},
                                         TypeCommentCase{"OwnTravelNever", ";segType:Travel\n", 99, false},
                                         TypeCommentCase{"OwnUnknownNever", ";segType:Unknown\n", 99, false},
                                         TypeCommentCase{"OwnLongerWordNoMatch", ";segType:Infills\n", 99, false},
                                         TypeCommentCase{"OwnFollowedBySpace", ";segType:Raft x\n", 8, false},
                                         TypeCommentCase{"TypeFirstFillSlot", "G1 X1 ; TYPE:FILL\n", 3, false},
                                         TypeCommentCase{"TypeNoSpace", ";TYPE:WALL-INNER\n", 2, false},
                                         TypeCommentCase{"TypeSkirt", ";TYPE:SKIRT\r\n", 7, false},
                                         TypeCommentCase{"TypeUnderscoreContinues", ";TYPE:FILL_X\n", 99, false},
                                         TypeCommentCase{"Quoted", "; 'Sparse Infill'\n", 4, false},
                                         TypeCommentCase{"QuotedCrown", "; 'Crown'\n", 9, false},
                                         TypeCommentCase{"Plain", "; Outline\n", 1, true},
                                         TypeCommentCase{"PlainSupport", "G0 X1 ; Support\n", 5, true},
                                         TypeCommentCase{"PlainLongerWord", "; Outlines\n", 99, false},
                                         TypeCommentCase{"LaterCommentWins", "; Inset ;segType:Skirt\n", 7, false},
                                         TypeCommentCase{"Parenthesis", "(<infill>)\n", 3, false},
                                         TypeCommentCase{"ParenthesisRaft", "G1 (<raftPerimeter>) X1\n", 8, false},
                                         TypeCommentCase{"ParenthesisNotAtStart", "( <edge>)\n", 99, false}),
                         [](const testing::TestParamInfo<TypeCommentCase> &info) {
                             return std::string(info.param.name);
                         });

TEST(GCodeParserInput, NulCursorAndNulBytes)
{
    GCodeParser parser;
    parser.reset();
    const char *none = nullptr;
    EXPECT_FALSE(parser.parseCommand(none));

    const Walk w = parse(QByteArray("G1 X1\0Y2\nG1 Z3\n", 15));
    EXPECT_EQ(w.parser.posX, 1);
    EXPECT_EQ(w.parser.posZ, 3) << "the text after a NUL byte is still read";
    EXPECT_EQ(w.parser.error(), errorAt(0, "Invalid gcode command (first param) 'Y'. Valid commands are [G, M, T]."));
}

TEST(GCodeParserInput, HugeLinesAndNumbersEndWithoutHarm)
{
    QByteArray longLine;
    for (int i = 0; i < 400000; ++i)
        longLine += "G1 X1 ";
    Walk w = parse(longLine);
    EXPECT_EQ(w.results.size(), 400000u);
    EXPECT_EQ(w.parser.lineNo, 0);

    w = parse(QByteArray(50 * 1024 * 1024, '(') + "\nG1 X2\n");
    EXPECT_EQ(w.parser.posX, 2);

    w = parse("G1 X12345678901234567890 Y0.000000000001234\n");
    EXPECT_EQ(w.parser.error(), "");
    EXPECT_FLOAT_EQ(w.parser.posX, 1.2345679e19f);
    EXPECT_FLOAT_EQ(w.parser.posY, 1.234e-12f);
}

TEST(GCodeParserInput, RandomBytesNeverStall)
{
    std::mt19937 random(11);
    const char alphabet[] = "GMTXYZEFS0123456789.-+ ;()\r\n*\t(<edge>do";
    for (int round = 0; round < 300; ++round) {
        QByteArray text;
        const int size = int(random() % 400);
        for (int i = 0; i < size; ++i)
            text += (random() % 4) ? alphabet[random() % (sizeof alphabet - 1)] : char(random());
        GCodeParser parser;
        ASSERT_TRUE(parseEveryStepForward(parser, text)) << text.toHex().constData();
    }
}

// Streaming the text in pieces must leave the machine in the same state as reading it whole (the line
// count aside, which only whole-text reading keeps).
TEST(GCodeParserFeed, RandomChunksGiveTheSameStateAsOneWholeParse)
{
    std::mt19937 random(21);
    for (int round = 0; round < 20; ++round) {
        QByteArray text = (round % 2) ? gcodegen::foreignDialect(60000, round) : gcodegen::slicerDialect(60000, round);
        text += "M106 S128\nG91\nG1 X1 Y1 E0.5 (<loop>)\nM83\nG20\nG1 X1\nG4 P250\nM104 S215\nM140 S61\n; Inset\n";
        const Walk whole = parse(text);
        GCodeParser streamed;
        streamed.reset();
        bool anyChange = false;
        for (int start = 0; start < text.size();) {
            const int length = 1 + int(random() % 300);
            anyChange |= streamed.feedLines(text.mid(start, length));
            start += length;
        }
        const GCodeParser &a = whole.parser, &b = streamed;
        EXPECT_TRUE(anyChange);
        EXPECT_EQ(a.posX, b.posX);
        EXPECT_EQ(a.posY, b.posY);
        EXPECT_EQ(a.posZ, b.posZ);
        EXPECT_EQ(a.posE, b.posE);
        EXPECT_EQ(a.feed, b.feed);
        EXPECT_EQ(a.fan, b.fan);
        EXPECT_EQ(a.segType, b.segType);
        EXPECT_EQ(a.segTypeFromPlainComment, b.segTypeFromPlainComment);
        EXPECT_EQ(a.timeSec, b.timeSec);
        EXPECT_EQ(a.totalE, b.totalE);
        EXPECT_EQ(a.extrudeDist, b.extrudeDist);
        EXPECT_EQ(a.travelDist, b.travelDist);
        EXPECT_EQ(a.relXYZ, b.relXYZ);
        EXPECT_EQ(a.relE, b.relE);
        EXPECT_EQ(a.inches, b.inches);
        EXPECT_EQ(a.bedTemp, b.bedTemp);
        EXPECT_EQ(a.extruderTemp, b.extruderTemp);
        EXPECT_EQ(a.error(), b.error());
        EXPECT_EQ(b.lineNo, 0);
    }
}

TEST(GCodeParserFeed, KeepsTheUnfinishedLineAndAppliesBackspaces)
{
    GCodeParser parser;
    parser.reset();
    EXPECT_FALSE(parser.feedLines("G1 X"));
    EXPECT_EQ(parser.posX, 0);
    EXPECT_TRUE(parser.feedLines("7\r\nG1 Y3\bZ4"));
    EXPECT_EQ(parser.posX, 7);
    EXPECT_TRUE(parser.feedLines("\n"));
    EXPECT_EQ(parser.posY, 0);
    EXPECT_EQ(parser.posZ, 4) << "the backspace took the 3, so the line read G1 YZ4";
    EXPECT_FALSE(parser.feedLines("\n\n"));
    parser.feedLines("G1 X9");
    parser.reset();
    EXPECT_FALSE(parser.feedLines("\n")) << "reset() drops the unfinished line";
    EXPECT_EQ(parser.posX, 0);
}

TEST(GCodeParserFeed, LongLineInTinyChunks)
{
    GCodeParser parser;
    parser.reset();
    const QByteArray piece(4096, ';');
    for (int i = 0; i < 2000; ++i)
        parser.feedLines(piece);
    EXPECT_TRUE(parser.feedLines("\nG1 X1\n"));
    EXPECT_EQ(parser.posX, 1);
}

// The parser reads the usual short numbers on its own shortcut; every parameter value, and every
// refusal, must still be the number reader's.
TEST(GCodeParserSyntax, ParameterValuesAreThoseOfTheNumberReader)
{
    std::mt19937 random(31);
    const char pieces[] = "01234567890123456789.....-+";
    for (int i = 0; i < 40000; ++i) {
        std::string number(1, "0123456789.-+"[random() % 13]);
        const int length = int(random() % 14);
        for (int c = 0; c < length; ++c)
            number += pieces[random() % (sizeof pieces - 1)];
        const QByteArray line = QByteArray("G1 X") + number.c_str() + " Y2\n";

        const std::string afterLetter = number + " Y2\n";
        const char *cursor = afterLetter.c_str();
        float expected = 0;
        const bool readable = strnum_detail::readNumberByPairs(cursor, expected);

        const Walk w = parse(line);
        ASSERT_TRUE(w.parser.has[letter('X')]) << number;
        if (readable) {
            ASSERT_EQ(w.parser.val[letter('X')], expected) << number;
            ASSERT_EQ(std::signbit(w.parser.val[letter('X')]), std::signbit(expected)) << number;
        } else {
            ASSERT_EQ(w.parser.error(), errorAt(0, "Invalid float format.")) << number;
        }
    }
}

// Streaming parses what takeLine makes of each line. Bytes that make takeLine work (a '\r' before the
// '\n', inner '\r's, backspaces, NUL bytes, empty lines) must leave the same state, line count and
// first error as handing every line from takeLine to the parser one by one.
TEST(GCodeParserFeed, LinesAreWhatTakeLineMakesOfThem)
{
    std::mt19937 random(41);
    const char *const words[] = {"G1", " X1.5", " Y-2",        " E0.25", "\r",      "\n",       "\r\n",
                                 "\b", ";",     " ;TYPE:FILL", "G91",    "M106 S9", "(<loop>)", "G4 P10",
                                 " X", "#",     "G10",         "do",     "G92 E0",  " F600"};
    for (int round = 0; round < 400; ++round) {
        QByteArray text;
        const int count = int(random() % 80);
        for (int i = 0; i < count; ++i)
            text += (random() % 16) ? QByteArray(words[random() % 20]) : QByteArray(1, char(random() % 3));

        GCodeParser reference;
        reference.reset();
        QByteArray pending, line;
        bool referenceChanged = false;
        GCodeParser streamed;
        streamed.reset();
        bool streamedChanged = false;
        for (int start = 0; start < text.size();) {
            const QByteArray piece = text.mid(start, 1 + int(random() % 40));
            start += piece.size();
            streamedChanged |= streamed.feedLines(piece);
            pending += piece;
            while (takeLine(pending, line))
                referenceChanged |= parseLineCommands(reference, line);
        }
        ASSERT_EQ(streamedChanged, referenceChanged) << text.toHex().constData();
        ASSERT_EQ(streamed.lineNo, reference.lineNo) << text.toHex().constData();
        ASSERT_EQ(streamed.error(), reference.error()) << text.toHex().constData();
        ASSERT_EQ(streamed.posX, reference.posX);
        ASSERT_EQ(streamed.posY, reference.posY);
        ASSERT_EQ(streamed.posE, reference.posE);
        ASSERT_EQ(streamed.timeSec, reference.timeSec);
        ASSERT_EQ(streamed.segType, reference.segType);
        ASSERT_EQ(streamed.fan, reference.fan);
    }
}
