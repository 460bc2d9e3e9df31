// Arbitrary bytes as a job: cutting commands must always move forward and end, every command must be
// one clean line the printer can take, the bypass lists must hold, and indexing must give one time
// entry per 256 bytes and layer offsets inside the job.
#include "link/jobcommands.h"
#include "link/jobindex.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

namespace
{

void checkCommands(const QByteArray &job, const JobCommandOptions &options)
{
    JobPosition position{job.constData(), job.constData() + job.size(), 0};
    int printMode = 1;
    for (;;) {
        const char *before = position.cursor;
        const QByteArray command = nextJobCommand(position, printMode, options);
        if (command.isEmpty())
            break;
        if (position.cursor <= before || position.cursor > position.end)
            std::abort();
        if (!command.endsWith('\n') || command.size() < 2)
            std::abort();
        const QByteArray text = command.chopped(1);
        if (text.contains('\n') || text.contains('\r') || text.contains(';') || text.contains('\0') ||
            text != text.trimmed() || isBypassed(text, options))
            std::abort();
    }
    if (printMode != 0 || position.cursor != position.end || position.lineNo > job.count('\n') + job.count('\r'))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray job(reinterpret_cast<const char *>(data), int(size));
    checkCommands(job, {});
    checkCommands(job, {true, true});
    const JobIndex index = JobIndex::build(job);
    if (qint64(index.timeIndex.size()) != job.size() / JobIndex::blockBytes)
        std::abort();
    for (size_t i = 0; i < index.layerIndex.size(); ++i) {
        if (index.layerIndex[i].second < 0 || index.layerIndex[i].second >= job.size())
            std::abort();
        if (i > 0 && !(index.layerIndex[i - 1].first <= index.layerIndex[i].first))
            std::abort();
    }
    return 0;
}
