#include "cli/clitext.h"
#include "cli/convertcommand.h"
#include "cli/settingscommand.h"
#include "cli/slicecommand.h"
#include "cli/statscommand.h"
#include "common/platform/allocator.h"
#include "tessalineversion.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QStringList>

#include <exception>

namespace
{

int runCommand(const QStringList &args)
{
    if (args.isEmpty())
        return usageError("missing command");
    const QString command = args.first();
    const QStringList rest = args.mid(1);
    if (command == "-h" || command == "--help" || rest.contains("--help") || rest.contains("-h")) {
        printOut(usageText());
        return kExitOk;
    }
    if (command == "--version") {
        printOut(QString("tessaline-cli %1 (build %2)\n").arg(TessalineVersion::number).arg(TessalineVersion::build));
        return kExitOk;
    }
    if (command == "stats")
        return runStats(rest);
    if (command == "convert")
        return runConvert(rest);
    if (command == "slice")
        return runSlice(rest);
    if (command == "settings")
        return runSettings(rest);
    return usageError(QString("unknown command '%1'").arg(command));
}

} // namespace

int main(int argc, char **argv)
{
    platform::tuneAllocatorForSlicing();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("tessaline-cli");
    QCoreApplication::setOrganizationName("Vantoridge");
    // The engine's diagnostics (the slicer's timing table among them) would bury the tool's own output;
    // QT_LOGGING_RULES="default.debug=true" brings them back.
    QLoggingCategory::setFilterRules("default.debug=false");
    try {
        return runCommand(app.arguments().mid(1));
    } catch (const char *message) {
        printErr(QString("tessaline-cli: %1\n").arg(message));
    } catch (const QString &message) {
        printErr(QString("tessaline-cli: %1\n").arg(message));
    } catch (const std::exception &error) {
        // Out of memory (a huge scene, a preset beyond the form's ranges) and the like end in a message, not in
        // std::terminate.
        printErr(QString("tessaline-cli: %1\n").arg(QString::fromLocal8Bit(error.what())));
    }
    return kExitFailure;
}
