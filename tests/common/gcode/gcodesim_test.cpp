#include "common/gcode/gcodeparser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace
{

struct Parsed {
    GCodeParser parser;
    std::vector<bool> results;
};

Parsed run(const QByteArray &text)
{
    Parsed r;
    r.parser.parseWholeText(text, [&](bool changed) { r.results.push_back(changed); });
    return r;
}

} // namespace

TEST(MachineModel, MovesMeasureXYOnlyAndTimeByFeed)
{
    Parsed r = run("G92 X0 Y0\nG1 X10 F6000\n");
    EXPECT_FLOAT_EQ(r.parser.travelDist, 10);
    EXPECT_FLOAT_EQ(r.parser.timeSec, 0.1f);
    EXPECT_EQ(r.parser.extrudeDist, 0);

    r = run("G1 F600\nG1 X3 Y4 E2\nG1 Z5\nG1 E1\nG1 X0 Y0\n");
    EXPECT_FLOAT_EQ(r.parser.extrudeDist, 5);
    EXPECT_FLOAT_EQ(r.parser.travelDist, 5) << "a retraction move is travel";
    EXPECT_FLOAT_EQ(r.parser.totalE, 1) << "retractions count negative";
    EXPECT_FLOAT_EQ(r.parser.timeSec, 1) << "the Z move takes no time";

    r = run("G1 X1\n");
    EXPECT_FLOAT_EQ(r.parser.timeSec, 6000) << "before the first F the move runs at 0.01 mm/min";
    r = run("G1 F-1 X1\nG1 F0 X2\nG1 F20000000 X12\n");
    EXPECT_FLOAT_EQ(r.parser.timeSec, 6000 + 6000 + 0.00006f) << "feeds are limited to 0.01 .. 1e7 mm/min";
}

TEST(MachineModel, FeedIsKeptAcrossExtruderOnlyMoves)
{
    Parsed r = run("G1 F6000\nG1 E5 F300\n");
    EXPECT_EQ(r.parser.feed, 6000);
    r = run("G1 F6000\nG1 F300\n");
    EXPECT_EQ(r.parser.feed, 300);
    r = run("G1 F6000\nG1 X1 E5 F300\n");
    EXPECT_EQ(r.parser.feed, 300);
    r = run("G1 F6000\nG1 A5 F300\n");
    EXPECT_EQ(r.parser.feed, 6000);
}

TEST(MachineModel, ModesAndUnits)
{
    Parsed r = run("G91\nG1 X1\nG1 X1\nG1 X1 E1\nG1 E1\n");
    EXPECT_EQ(r.parser.posX, 3);
    EXPECT_EQ(r.parser.posE, 2);

    r = run("G91\nG90\nM83\nG1 X1 E1\nG1 X1 E1\n");
    EXPECT_EQ(r.parser.posX, 1);
    EXPECT_EQ(r.parser.posE, 2);
    EXPECT_TRUE(r.parser.relE);
    EXPECT_FALSE(r.parser.relXYZ);

    r = run("G20\nG1 X1 F10\nG92 Y2\nG28 Z1\n");
    EXPECT_FLOAT_EQ(r.parser.posX, 25.4f);
    EXPECT_FLOAT_EQ(r.parser.feed, 254);
    EXPECT_FLOAT_EQ(r.parser.posY, 50.8f);
    EXPECT_EQ(r.parser.posZ, 1) << "homing positions are not scaled";
    EXPECT_TRUE(run("G20\nG21\n").results == std::vector<bool>({false, false}));
    EXPECT_FALSE(run("G20\nG21\n").parser.inches);

    r = run("G1 E5 A7\nG92 E1 A2\n");
    EXPECT_EQ(r.parser.posE, 2) << "A is a second name for E and wins";
    EXPECT_FLOAT_EQ(r.parser.totalE, 7);
}

TEST(MachineModel, HomingDwellAndSetPosition)
{
    Parsed r = run("G1 X5 Y6 Z7 F100\nG28\n");
    EXPECT_EQ(r.parser.posX, 0);
    EXPECT_EQ(r.parser.posY, 0);
    EXPECT_EQ(r.parser.posZ, 0);
    const float afterMove = run("G1 X5 Y6 Z7 F100\n").parser.timeSec;
    EXPECT_FLOAT_EQ(r.parser.timeSec, afterMove + 4);

    r = run("G1 X5 Y6 F100\nG28 X5\nG161 Y1\nG162\n");
    EXPECT_EQ(r.results, std::vector<bool>({true, false, true, true}));
    EXPECT_EQ(r.parser.posX, 0);

    r = run("G4 P500\nG4\nG4 P-100\n");
    EXPECT_EQ(r.results, std::vector<bool>({true, false, true}));
    EXPECT_FLOAT_EQ(r.parser.timeSec, 0.5f) << "a negative dwell takes no time";

    r = run("G1 X1 E1 F60\nG92 X0 E0\n");
    EXPECT_EQ(r.results, std::vector<bool>({true, true}));
    EXPECT_EQ(r.parser.posX, 0);
    EXPECT_EQ(r.parser.timeSec, 1) << "setting the position takes no time";
}

TEST(MachineModel, FanTemperaturesAndReturnValues)
{
    const struct {
        const char *text;
        std::vector<bool> results;
        int fan;
    } cases[] = {
        {"M106 S300\n", {true}, 255},
        {"M106 S-5\n", {true}, 0},
        {"M106 S100\nM106\n", {true, false}, 100},
        {"M106 S127.5\n", {true}, 128},
        {"M106 S9\nM107\n", {true, true}, 0},
        {"M126\n", {true}, 255},
        {"M126\nM127\n", {true, true}, 0},
        {"G1 X0\nT1\nM999\nG29\nG130\n", {false, false, false, false, false}, 0},
    };
    for (const auto &c : cases) {
        const Parsed r = run(c.text);
        EXPECT_EQ(r.results, c.results) << c.text;
        EXPECT_EQ(r.parser.fan, c.fan) << c.text;
        EXPECT_EQ(r.parser.error(), "") << c.text;
    }
    const Parsed temps = run("M104 S200\nM109 T0 S210\nM140 S60\nM190 S65\nM104\n");
    EXPECT_EQ(temps.parser.extruderTemp, 210);
    EXPECT_EQ(temps.parser.bedTemp, 65);
    EXPECT_EQ(temps.results, std::vector<bool>(5, false));
}

// Single-precision sums lose whole percents once the total dwarfs each move: 0.01 s added to an hour
// rounds to a multiple of 0.49 ms.
TEST(MachineModel, Regression_TotalsDoNotDriftOverLongPrints)
{
    QByteArray text = "M83\nG1 F3000\n";
    for (int i = 0; i < 200000; ++i)
        text += "G1 X10.5 E0.01\nG1 X10 E0.01\n";
    const Parsed r = run(text);
    // The first move comes from X0: 10 mm more than the others.
    EXPECT_NEAR(r.parser.timeSec, 4000 + 10 * 60.0 / 3000, 0.01);
    EXPECT_NEAR(r.parser.totalE, 4000, 0.01);
    EXPECT_NEAR(r.parser.extrudeDist, 200010, 0.01);
    EXPECT_EQ(r.parser.travelDist, 0);
}

TEST(MachineModel, UnknownCommandAffectsOnlyItsLine)
{
    const Parsed r = run("G10\nG1 X4\n");
    EXPECT_EQ(r.parser.posX, 4);
    EXPECT_EQ(r.parser.error(), "GCodeParser error at line(0): Unknown GCode 'G10'");
}

// The time, filament and distances of random programs, against a plain double-precision reading of
// the same rules.
namespace
{

struct Reference {
    double x = 0, y = 0, z = 0, e = 0, feed = 0;
    bool relXYZ = false, relE = false, inches = false;
    double time = 0, totalE = 0, extrude = 0, travel = 0;
};

struct Word {
    char letter;
    long long thousandths;
};

class ProgramWriter
{
public:
    explicit ProgramWriter(unsigned seed) : m_random(seed) {}

    std::mt19937 &random() { return m_random; }

    void write(const char *command, const std::vector<Word> &words)
    {
        const bool lower = m_random() % 5 == 0, tight = m_random() % 3 == 0;
        std::string line = command;
        for (const Word &w : words) {
            if (!tight)
                line += ' ';
            line += w.letter;
            char number[40];
            std::snprintf(number, sizeof number, "%.3f", double(w.thousandths) / 1000);
            std::string text = number;
            if (m_random() % 2) { // drop trailing zeros, sometimes the point too
                text.erase(text.find_last_not_of('0') + 1);
                if (text.back() == '.')
                    text.pop_back();
            }
            line += text;
        }
        if (lower)
            std::transform(line.begin(), line.end(), line.begin(), ::tolower);
        const unsigned decoration = m_random() % 6;
        if (decoration == 0)
            line += " ; note";
        else if (decoration == 1)
            line = "(c) " + line;
        line += (m_random() % 2) ? "\r\n" : "\n";
        m_text += line.c_str();
    }

    QByteArray text() const { return m_text; }

private:
    std::mt19937 m_random;
    QByteArray m_text;
};

long long pick(std::mt19937 &random, long long low, long long high)
{
    return std::uniform_int_distribution<long long>(low, high)(random);
}

// A move with random axes, and E chosen at least 0.001 away from where it is so that the sign of
// each extruder step is beyond doubt in both precisions.
void randomMove(ProgramWriter &out, Reference &ref)
{
    std::mt19937 &random = out.random();
    std::vector<Word> words;
    const double scale = ref.inches ? 25.4 : 1;
    double *axes[3] = {&ref.x, &ref.y, &ref.z};
    const double oldX = ref.x, oldY = ref.y, oldE = ref.e;
    bool anyXYZ = false;
    for (int axis = 0; axis < 3; ++axis) {
        if (random() % 3 == 0)
            continue;
        const long long v = ref.relXYZ ? pick(random, -20000, 20000) : pick(random, 0, 200000);
        words.push_back({"XYZ"[axis], v});
        *axes[axis] = ref.relXYZ ? *axes[axis] + v / 1000.0 * scale : v / 1000.0 * scale;
        anyXYZ = true;
    }
    const unsigned eKind = random() % 3;
    if (eKind != 0) {
        long long v = pick(random, -3000, 3000);
        if (v == 0)
            v = 1;
        double target = ref.relE ? ref.e + v / 1000.0 * scale : v / 1000.0 * scale;
        if (!ref.relE && std::abs(target - ref.e) < 0.001) {
            v += 2;
            target = v / 1000.0 * scale;
        }
        words.push_back({eKind == 1 ? 'E' : 'A', v});
        ref.e = target;
    }
    if (random() % 3 == 0) {
        const long long f = pick(random, 60000, 12000000);
        words.push_back({'F', f});
        if (anyXYZ || eKind == 0)
            ref.feed = f / 1000.0 * scale;
    }
    out.write(random() % 2 ? "G1" : "G0", words);
    const double d = std::hypot(ref.x - oldX, ref.y - oldY), dE = ref.e - oldE;
    ref.totalE += dE;
    (dE > 0 ? ref.extrude : ref.travel) += d;
    ref.time += d * 60 / std::clamp(ref.feed, 0.01, 1e7);
}

void randomOther(ProgramWriter &out, Reference &ref)
{
    std::mt19937 &random = out.random();
    const double scale = ref.inches ? 25.4 : 1;
    switch (random() % 8) {
    case 0:
        out.write("G90", {});
        ref.relXYZ = ref.relE = false;
        break;
    case 1:
        out.write("G91", {});
        ref.relXYZ = ref.relE = true;
        break;
    case 2:
        out.write(random() % 2 ? "M82" : "M83", {});
        break;
    case 3: {
        const long long v = pick(random, 0, 5000);
        out.write("G92", {{'E', v}});
        ref.e = v / 1000.0 * scale;
        break;
    }
    case 4:
        out.write("G28", {});
        ref.x = ref.y = ref.z = 0;
        ref.time += 4;
        break;
    case 5: {
        const long long p = pick(random, 0, 2000000);
        out.write("G4", {{'P', p}});
        ref.time += p / 1000.0 * 0.001;
        break;
    }
    case 6:
        out.write(random() % 2 ? "G20" : "G21", {});
        break;
    default:
        out.write("M106", {{'S', pick(random, 0, 255000)}});
        break;
    }
}

// Mode commands whose effect the reference reads back from the text it just wrote.
void applyModeOfLastLine(const QByteArray &text, Reference &ref)
{
    const QByteArray last = text.mid(text.lastIndexOf('\n', text.size() - 2) + 1).toUpper();
    if (last.contains("M82"))
        ref.relE = false;
    else if (last.contains("M83"))
        ref.relE = true;
    else if (last.contains("G20"))
        ref.inches = true;
    else if (last.contains("G21"))
        ref.inches = false;
}

void expectClose(double actual, double expected, const char *what, int program)
{
    EXPECT_NEAR(actual, expected, 1e-3 + std::abs(expected) * 1e-4) << what << " of program " << program;
}

} // namespace

TEST(MachineModel, AgreesWithIndependentComputationOnRandomPrograms)
{
    for (int program = 0; program < 300; ++program) {
        ProgramWriter out(1000 + program);
        Reference ref;
        for (int command = 0; command < 200; ++command) {
            if (out.random()() % 4 == 0) {
                randomOther(out, ref);
                applyModeOfLastLine(out.text(), ref);
            } else {
                randomMove(out, ref);
            }
        }
        const Parsed r = run(out.text());
        ASSERT_EQ(r.parser.error(), "") << out.text().constData();
        expectClose(r.parser.posX, ref.x, "X", program);
        expectClose(r.parser.posE, ref.e, "E", program);
        expectClose(r.parser.timeSec, ref.time, "time", program);
        expectClose(r.parser.totalE, ref.totalE, "filament", program);
        expectClose(r.parser.extrudeDist, ref.extrude, "extrusion", program);
        expectClose(r.parser.travelDist, ref.travel, "travel", program);
    }
}
