// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the listing capture: ListingCapture, given the board's answer in the
// chunks the input chooses, must keep the mode, buffer and written file that the slow, literal
// CaptureReference gives. When a capture ends and answer is left, Save Program starts again on
// the same target with the chunks that follow.

#include "board/listingcapture.h"
#include "terminal/pause.h"
#include "terminal/terminalbuffer.h"

#include "capturereference.h"
#include "fakes.h"
#include "fuzzinput.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

// The reference walks its whole buffer for every chunk; with at most this many chunks a
// 1 KiB answer stays quick enough to fuzz.
constexpr qsizetype kMaxChunks = 64;

[[noreturn]] void fail(const char* what, qsizetype chunk)
{
    std::fprintf(stderr, "fuzz_capture: %s after chunk %lld\n", what, static_cast<long long>(chunk));
    std::abort();
}

const QString& targetPath()
{
    static QTemporaryDir dir;
    static const QString path = dir.path() + QStringLiteral("/capture.lis");
    return path;
}

void startSave(ListingCapture& capture)
{
    capture.start(ListingCapture::Purpose::Save, targetPath());
    if (capture.mode() != CaptureMode::AwaitingEcho) fail("Save Program did not wait for the echo", -1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const SplitInput input(data, size);
    QFile::remove(targetPath());

    FakeSerialLine line;
    line.open();
    FakeClock clock;
    Pause pause(clock);
    FakeFileDialog dialog;
    TerminalBuffer terminal;
    FakeSurface surface;
    FakePrompter prompter;
    ListingCapture capture(line, pause, dialog, terminal, surface, prompter);
    CaptureReference reference;
    startSave(capture);

    qsizetype index = 0;
    for (const QByteArrayView bytes : input.blocks(kMaxChunks)) {
        const QString chunk = QString::fromLatin1(bytes);
        // The receive path's order: the capture step, then the start step, each on the mode the
        // step before left.
        if (capture.mode() == CaptureMode::Capturing) capture.captureStep(chunk);
        if (capture.mode() == CaptureMode::AwaitingEcho) capture.startStep(chunk);
        reference.receive(chunk);

        if (int(capture.mode()) != reference.mode) fail("mode differs", index);
        if (capture.buffer() != reference.buffer) fail("buffer differs", index);
        // The file on disk is always the one the reference wrote last, or none before the first.
        QFile file(targetPath());
        if (file.open(QIODevice::ReadOnly) != reference.file.has_value()) fail("file written or not", index);
        if (reference.file && file.readAll() != reference.file->toLatin1()) fail("file differs", index);
        if (capture.mode() == CaptureMode::Terminal) {
            // Empty after a write; the refusal when the answer was no listing; a failed write is neither.
            if (surface.status.isEmpty() == reference.refused) fail("status differs", index);
            startSave(capture);
            reference.mode = 4;
            reference.buffer.clear();
        }
        ++index;
    }
    return 0;
}
