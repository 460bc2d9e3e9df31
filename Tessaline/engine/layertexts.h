#pragma once

#include <QByteArray>

#include <vector>

// The G-code of a slice as its layers come in: each layer's text is kept as it is and the file is joined once
// at the end, into one array of the exact size. Appending to one growing array instead costs a copy and fresh
// memory at every growth, on the thread that keeps the layers in order.
class LayerTexts
{
public:
    void clear();
    void append(QByteArray text);
    // The texts appended since the last call, joined.
    QByteArray takeChunk();
    // Every text joined, in order; the texts are let go of as they are copied. Throws when the file would
    // exceed what one array holds.
    QByteArray takeAll();

private:
    std::vector<QByteArray> m_texts;
    size_t m_chunkStart = 0;
};
