// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the upload's line splitting: LineSplitter, fed the same file in the blocks
// the input chooses, in one block and byte by byte, must send the lines that a plain walk over the
// whole file finds, with the same end positions, and hold the same pending text after each block.
// Both ways of cutting run on every input: by LF, and by any line end (the upload's way for a file
// with a lone CR).

#include "board/linesplitter.h"

#include "fuzzinput.h"

#include <QByteArray>
#include <algorithm>
#include <QList>

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

struct ReferenceLine
{
    qsizetype end = 0; // in the whole file, just past the LF
    QByteArray text;
};

struct Reference
{
    QList<ReferenceLine> lines;
    std::optional<QByteArray> last;
};

// The rules, one byte at a time over the whole file: CR LF ends a line that is sent as it
// stands; an LF without a CR in front ends a line that is sent with CR LF in place of the LF;
// whatever follows the last LF goes out at the end with CR LF added.
Reference referenceSplit(QByteArrayView file)
{
    Reference result;
    QByteArray current;
    for (qsizetype i = 0; i < file.size(); ++i) {
        const char c = file[i];
        if (c != '\n') {
            current += c;
            continue;
        }
        const bool afterCr = i > 0 && file[i - 1] == '\r';
        result.lines.append({i + 1, afterCr ? current + '\n' : current + "\r\n"});
        current.clear();
    }
    if (!current.isEmpty()) result.last = current + "\r\n";
    return result;
}

// Any end (a file with a lone CR): every CR, LF and CR LF ends a line, sent as its text and CR LF.
Reference referenceSplitAnyEnd(QByteArrayView file)
{
    Reference result;
    QByteArray current;
    for (qsizetype i = 0; i < file.size(); ++i) {
        if (file[i] != '\r' && file[i] != '\n') {
            current += file[i];
            continue;
        }
        if (file[i] == '\n' && i > 0 && file[i - 1] == '\r') continue;
        result.lines.append({i + 1, current + "\r\n"});
        current.clear();
    }
    if (!current.isEmpty()) result.last = current + "\r\n";
    return result;
}

[[noreturn]] void fail(const char* run, const char* what, qsizetype index)
{
    std::fprintf(stderr, "fuzz_linesplitter (%s): %s at line %lld\n", run, what, static_cast<long long>(index));
    std::abort();
}

void check(LineSplitter& splitter, const QList<QByteArrayView>& blocks, QByteArrayView file, const Reference& expected,
           const char* run, bool anyEnd)
{
    qsizetype lineIndex = 0;
    qsizetype blockStart = 0;
    for (const QByteArrayView block : blocks) {
        for (const LineSplitter::Line& line : splitter.feed(block)) {
            if (lineIndex >= expected.lines.size()) fail(run, "a line too many", lineIndex);
            const ReferenceLine& want = expected.lines[lineIndex];
            if (line.text != want.text) fail(run, "line text differs", lineIndex);
            if (line.end <= 0 || line.end > block.size() || blockStart + line.end != want.end)
                fail(run, "line end position differs", lineIndex);
            ++lineIndex;
        }
        blockStart += block.size();
        // Pending is the raw text since the last line end, CRs included where only LF ends a line.
        const QByteArrayView seen = file.first(blockStart);
        const qsizetype lastEnd = anyEnd ? std::max(seen.lastIndexOf('\r'), seen.lastIndexOf('\n')) : seen.lastIndexOf('\n');
        if (splitter.pending() != file.sliced(lastEnd + 1, blockStart - lastEnd - 1))
            fail(run, "pending differs", lineIndex);
    }
    if (lineIndex != expected.lines.size()) fail(run, "lines missing", lineIndex);
    if (splitter.finish() != expected.last) fail(run, "last line differs", lineIndex);
    if (!splitter.pending().isEmpty() || splitter.finish()) fail(run, "not empty after finish()", lineIndex);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const SplitInput input(data, size);
    QList<QByteArrayView> bytes;
    for (qsizetype i = 0; i < input.data.size(); ++i)
        bytes.append(input.data.sliced(i, 1));
    for (const bool anyEnd : {false, true}) {
        const Reference expected = anyEnd ? referenceSplitAnyEnd(input.data) : referenceSplit(input.data);
        // One splitter for all three runs: after finish() it must be as good as new.
        LineSplitter splitter(anyEnd);
        check(splitter, input.blocks(input.data.size() + 1), input.data, expected, "chosen blocks", anyEnd);
        check(splitter, {input.data}, input.data, expected, "one block", anyEnd);
        check(splitter, bytes, input.data, expected, "byte by byte", anyEnd);
    }
    // Which way a file is cut: a CR with no LF behind it anywhere, fed in any blocks.
    bool loneCr = false;
    for (qsizetype i = 0; i < input.data.size(); ++i)
        loneCr = loneCr || (input.data[i] == '\r' && (i + 1 == input.data.size() || input.data[i + 1] != '\n'));
    LineSplitter::LoneCrFinder finder;
    for (const QByteArrayView block : input.blocks(input.data.size() + 1))
        finder.feed(block);
    if (finder.found() != loneCr) fail("lone CR", "finder differs", 0);
    return 0;
}
