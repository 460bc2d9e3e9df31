#include "cli/printcommand.h"
#include "spoolwatchversion.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTextStream>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("spoolwatch-cli");
    // The link's diagnostics (firmware banners) would mix with the progress line;
    // QT_LOGGING_RULES="default.debug=true" brings them back.
    QLoggingCategory::setFilterRules("default.debug=false");
    const QStringList args = app.arguments().mid(1);
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (args.isEmpty()) {
        err << "spoolwatch-cli: missing command\n" << usageText();
        return kExitUsage;
    }
    const QString command = args.first();
    if (command == "-h" || command == "--help") {
        out << usageText();
        return kExitOk;
    }
    if (command == "--version") {
        out << QString("spoolwatch-cli %1 (build %2)\n").arg(SpoolwatchVersion::number).arg(SpoolwatchVersion::build);
        return kExitOk;
    }
    if (command == "print")
        return runPrint(args.mid(1));
    if (command == "index")
        return runIndex(args.mid(1));
    if (command == "flash")
        return runFlash(args.mid(1));
    err << QString("spoolwatch-cli: unknown command '%1'\n").arg(command) << usageText();
    return kExitUsage;
}
