#include "engine/layertexts.h"

#include "common/platform/memory.h"

#include <QString>

#include <limits>
#include <utility>

namespace
{

// QByteArray keeps its size in an int and needs room for its header and a terminating zero.
constexpr qint64 maxTextBytes = std::numeric_limits<int>::max() - 64;

qint64 sizeOf(const std::vector<QByteArray> &texts, size_t first)
{
    qint64 total = 0;
    for (size_t k = first; k < texts.size(); ++k)
        total += texts[k].size();
    return total;
}

} // namespace

void LayerTexts::clear()
{
    m_texts.clear();
    m_chunkStart = 0;
}

void LayerTexts::append(QByteArray text)
{
    m_texts.push_back(std::move(text));
}

QByteArray LayerTexts::takeChunk()
{
    QByteArray chunk;
    chunk.reserve(int(std::min(sizeOf(m_texts, m_chunkStart), maxTextBytes)));
    for (; m_chunkStart < m_texts.size(); ++m_chunkStart)
        chunk += m_texts[m_chunkStart];
    return chunk;
}

QByteArray LayerTexts::takeAll()
{
    const qint64 total = sizeOf(m_texts, 0);
    if (total > maxTextBytes)
        throw QString("Slicer::slice() The G-code (%1 MB) is larger than a file this program can write (2 GB).")
            .arg(total >> 20);
    QByteArray all;
    all.reserve(int(total));
    platform::adviseHugePages(all.data(), size_t(total));
    for (QByteArray &text : m_texts) {
        all += text;
        text = QByteArray();
    }
    clear();
    return all;
}
