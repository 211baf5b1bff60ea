// SPDX-License-Identifier: GPL-3.0-or-later
// How long a listing capture takes as it grows: the board's answer to LIST is fed to
// ListingCapture in fixed-size chunks, as the receive path would, until the file is written.
// Time per megabyte should stay flat as the capture grows, whatever the chunk size.

#include "board/listingcapture.h"
#include "platform/qtclock.h"
#include "terminal/pause.h"
#include "platform/filedialog.h"
#include "platform/prompter.h"
#include "platform/serialline.h"
#include "terminal/surface.h"
#include "terminal/terminalbuffer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {

class SilentLine : public SerialLine
{
public:
    int baudRate() const override { return 0; }
    void setBaudRate(int) override {}
    int portNumber() const override { return 0; }
    void setPortNumber(int) override {}
    int dataBits() const override { return 0; }
    void setDataBits(int) override {}
    int stopBits() const override { return 0; }
    void setStopBits(int) override {}
    void open() override {}
    void close() override {}
    bool isOpen() const override { return true; }
    void sendLine(const QString&) override {}
};

class FixedDialog : public FileDialog
{
public:
    explicit FixedDialog(QString path) : m_path(std::move(path)) {}

protected:
    std::optional<QString> show(const FileRequest&) override { return m_path; }

private:
    QString m_path;
};

class NoSurface : public Surface
{
public:
    void setStatusText(const QString& text) override { status = text; }
    void setProgressValue(float) override {}
    void setProgressVisible(bool) override {}
    QString status;
};

class NoPrompter : public Prompter
{
public:
    Answer ask(const QString&, const QString&, const QString&, const QString&) override { return Answer::Cancel; }
    void showReport(const QString&, const QString&) override {}
};

// The echo, numbered program lines up to about `bytes`, and the prompt.
QString answer(qsizetype bytes)
{
    QString text = QStringLiteral("LIST\r\n");
    for (int number = 10; text.size() < bytes; number += 10)
        text += QStringLiteral("%1 PRINT \"LINE \",%1 : REM READY> LIST\r\n").arg(number);
    return text + QStringLiteral("READY\r\n>");
}

// Milliseconds from the first chunk to the written file.
double captureMs(const QString& target, const QString& text, qsizetype chunkSize)
{
    SilentLine line;
    FixedDialog dialog(target);
    TerminalBuffer terminal;
    NoSurface surface;
    NoPrompter prompter;
    QtClock clock;
    Pause pause(clock);
    ListingCapture capture(line, pause, dialog, terminal, surface, prompter);
    capture.start(ListingCapture::Purpose::Save, target);

    QElapsedTimer timer;
    timer.start();
    for (qsizetype at = 0; at < text.size(); at += chunkSize) {
        const QString chunk = text.mid(at, chunkSize);
        if (capture.mode() == CaptureMode::Capturing)
            capture.captureStep(chunk);
        else if (capture.mode() == CaptureMode::AwaitingEcho)
            capture.startStep(chunk);
    }
    // The prompt is looked for only from the second chunk on.
    capture.captureStep(QStringLiteral("\r\n"));
    const double ms = timer.nsecsElapsed() / 1e6;
    if (capture.mode() != CaptureMode::Terminal || !surface.status.isEmpty())
        std::fprintf(stderr, "capture did not complete: %s\n", qPrintable(surface.status));
    return ms;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("bench.lis"));

    const qsizetype sizes[] = {256 * 1024, 512 * 1024, 1024 * 1024};
    const qsizetype chunkSizes[] = {1, 4, 16, 64, 256};
    std::printf("%10s %8s %12s %12s\n", "bytes", "chunk", "ms", "ms per MB");
    for (qsizetype chunkSize : chunkSizes) {
        for (qsizetype size : sizes) {
            const QString text = answer(size);
            const double ms = captureMs(target, text, chunkSize);
            std::printf("%10lld %8lld %12.2f %12.2f\n", static_cast<long long>(text.size()),
                        static_cast<long long>(chunkSize), ms, ms * (1024.0 * 1024.0) / text.size());
        }
    }
    return 0;
}
