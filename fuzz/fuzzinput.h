// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QList>

#include <algorithm>
#include <cstddef>
#include <cstdint>

// How the fuzzers that feed data in pieces read their input: the low four bits of the first byte
// say how many of the following bytes are block sizes; the rest is the data. The sizes are used
// in turn until the data runs out, so a short input can still cut a long text into many blocks.
// A size of 0 feeds an empty block, which the receive path and the file reader both can see.
struct SplitInput
{
    QByteArrayView data;
    QList<qsizetype> sizes;

    SplitInput(const std::uint8_t* bytes, std::size_t size)
    {
        const char* chars = reinterpret_cast<const char*>(bytes);
        if (size == 0) return;
        const std::size_t count = std::min<std::size_t>(bytes[0] & 0x0F, size - 1);
        for (std::size_t i = 1; i <= count; ++i)
            sizes.append(bytes[i]);
        data = QByteArrayView(chars + 1 + count, qsizetype(size - 1 - count));
    }

    // The data cut into blocks by the sizes; with at most maxBlocks blocks, the last one taking
    // what is left. Sizes that are all 0 (or none) give the data as one block.
    QList<QByteArrayView> blocks(qsizetype maxBlocks) const
    {
        qsizetype total = 0;
        for (const qsizetype s : sizes)
            total += s;
        if (total == 0) return {data};
        QList<QByteArrayView> result;
        qsizetype at = 0;
        for (qsizetype i = 0; at < data.size(); ++i) {
            const qsizetype want = result.size() + 1 >= maxBlocks ? data.size() - at : sizes[i % sizes.size()];
            const qsizetype take = std::min(want, data.size() - at);
            result.append(data.sliced(at, take));
            at += take;
        }
        return result;
    }
};
