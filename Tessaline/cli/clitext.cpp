#include "cli/clitext.h"

#include <cstdio>

void printOut(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

void printErr(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

int usageError(const QString &message)
{
    printErr("tessaline-cli: " + message + "\nTry 'tessaline-cli --help' for more information.\n");
    return kExitUsage;
}

QString usageText()
{
    return "Usage: tessaline-cli COMMAND [OPTIONS] ARGS\n"
           "\n"
           "Commands:\n"
           "  stats [--json] FILE...   Print statistics of G-code or compact G-code files: estimated\n"
           "                           time, filament length, extrusion and travel distances (mm),\n"
           "                           layer count, line count, extruded path length per segment\n"
           "                           type and the first parse error. --json prints one JSON object\n"
           "                           per file and line.\n"
           "  convert [--ascii] IN OUT Convert compact G-code (.zcode) to text G-code.\n"
           "  slice INPUT... -o OUT    Slice STL/OBJ models (arranged on the plate) or one .tsprj\n"
           "                           project into G-code and print layers, estimated time and\n"
           "                           filament. Options:\n"
           "      --preset FILE.tssp     settings from a preset file (default: the defaults)\n"
           "      --set Key=Value        change one setting (repeatable, after the preset)\n"
           "      --threads N            threads to slice with (default: all)\n"
           "      --machine W,H,D,OX,OZ,SX,SZ\n"
           "                             the printer: build width (X), height (Z) and depth (Y);\n"
           "                             where its X=0,Y=0 lies, OX mm from the plate's left edge\n"
           "                             and OZ mm from its back edge towards the front; SX, SZ:\n"
           "                             1 or -1, the signs of X (1: left to right) and of Y (-1:\n"
           "                             front to back). Models stay centred on the plate; the\n"
           "                             origin and signs only change the G-code's numbers.\n"
           "                             Default: 200,200,200,0,200,1,-1 (200 mm, 0,0 at the front\n"
           "                             left corner, X to the right, Y to the back)\n"
           "      --origin front-left|center\n"
           "                             0,0 at the front left corner (the default) or the centre\n"
           "                             of the default build volume; not with --machine\n"
           "      --supports SPACING,ANGLE\n"
           "                             generate support bars first: bar spacing (mm) and the\n"
           "                             overhang angle (degrees), as \"Auto-Generate Support\"\n"
           "      --quiet                no progress bar and no summary\n"
           "  settings [--json] [--preset FILE.tssp]\n"
           "                           List every setting by group: key, value, default, range and\n"
           "                           unit; the values of the preset file, or the defaults. --json\n"
           "                           prints one JSON document. Fractions the forms show in percent\n"
           "                           are given as fractions, as --set takes them.\n"
           "\n"
           "Options:\n"
           "  -h, --help               Show this text.\n"
           "  --version                Show the version.\n"
           "\n"
           "Exit status: 0 on success, 1 when a file cannot be read or written or slicing fails, 2 on\n"
           "a usage error.\n";
}
