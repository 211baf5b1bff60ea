// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/listingcapture.h"

#include "board/programtext.h"
#include "common/files.h"
#include "platform/filedialog.h"
#include "platform/prompter.h"
#include "platform/serialline.h"
#include "terminal/surface.h"
#include "terminal/terminalbuffer.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>

namespace {

// The answer without the echo of "LIST" when the start step could not cut it: that happens when
// the echo came split over two chunks, as it often does from a board that echoes as it reads.
QStringView withoutEcho(QStringView answer)
{
    qsizetype start = 0;
    while (start < answer.size() && (answer[start] == u'\r' || answer[start] == u'\n'))
        ++start;
    if (answer.sliced(start).startsWith(ListingCapture::kEchoMarker))
        return answer.sliced(start + ListingCapture::kEchoMarker.size());
    return answer;
}

QString differenceLine(const programtext::LineDifference& difference, const QString& what)
{
    QString line = QStringLiteral("line %1").arg(difference.number).leftJustified(12) + what.leftJustified(9);
    if (!difference.fileLine.isEmpty()) line += QStringLiteral("file: ") + difference.fileLine;
    if (!difference.fileLine.isEmpty() && !difference.boardLine.isEmpty()) line += QStringLiteral("    ");
    if (!difference.boardLine.isEmpty()) line += QStringLiteral("board: ") + difference.boardLine;
    return line;
}

} // namespace

ListingCapture::ListingCapture(SerialLine& line, FileDialog& dialog, TerminalBuffer& terminal, Surface& surface,
                               Prompter& prompter)
    : m_line(line), m_dialog(dialog), m_terminal(terminal), m_surface(surface), m_prompter(prompter)
{}

void ListingCapture::saveProgram()
{
    m_surface.setProgressValue(0.0f);
    m_surface.setProgressVisible(false);

    const std::optional<QString> chosen =
        m_dialog.ask({FileRequest::Mode::Save, FileDialog::kListingFilter, FileDialog::kListingSuffix, QString()});
    if (!chosen || chosen->isEmpty()) return;
    start(Purpose::Save, *chosen, QStringLiteral("Saving ") + *chosen + QStringLiteral(" ..."));
}

void ListingCapture::verifyProgram()
{
    m_surface.setProgressValue(0.0f);
    m_surface.setProgressVisible(false);

    const std::optional<QString> chosen =
        m_dialog.ask({FileRequest::Mode::Open, FileDialog::kListingFilter, FileDialog::kListingSuffix, QString()});
    if (!chosen || chosen->isEmpty() || !fileExists(*chosen)) return;
    const QString name = *chosen;
    // Read before LIST goes out, so a file that cannot be read costs the board nothing.
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxVerifiedFile) {
        m_surface.setStatusText(QStringLiteral("Cannot read ") + name);
        return;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_surface.setStatusText(QStringLiteral("Cannot read ") + name);
        return;
    }
    // Every CR or LF ends a line for the board, however the file's lines end.
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    m_fileLines = QString::fromLatin1(bytes).split(lineEnd);
    start(Purpose::Verify, name, QStringLiteral("Verifying ") + name + QStringLiteral(" ..."));
}

void ListingCapture::start(Purpose purpose, const QString& target, const QString& status)
{
    m_line.sendLine(QStringLiteral("LIST\r\n"));
    m_terminal.clear();
    m_mode = CaptureMode::AwaitingEcho;
    m_purpose = purpose;
    m_target = target;
    m_surface.setStatusText(status);
}

void ListingCapture::startStep(const QString& chunk)
{
    if (m_mode != CaptureMode::AwaitingEcho) return;
    m_mode = CaptureMode::Capturing;

    // The echo is cut wherever it stands in this chunk, and the scan then goes on counting
    // positions in what is left: a second echo further on cuts again, one that now starts
    // at or before the current position is passed over. The buffer starts at chunk[cut];
    // position p of it is chunk[cut + p].
    const qsizetype n = chunk.size();
    const qsizetype echoLength = kEchoMarker.size();
    qsizetype cut = 0;
    for (qsizetype p = 0; p < n && cut + p < n; ++p) {
        if (QStringView(chunk).sliced(cut + p).startsWith(kEchoMarker)) cut += p + echoLength;
    }
    m_buffer = chunk.mid(cut);
    m_scanFrom = 0;
    // A board that answers quickly sends the echo, a short listing and its prompt in one chunk;
    // waiting for another chunk would leave the capture hanging until the board says something.
    endAtPrompt();
}

void ListingCapture::captureStep(const QString& chunk)
{
    if (m_mode != CaptureMode::Capturing) return;
    m_buffer.append(chunk);
    endAtPrompt();
}

void ListingCapture::endAtPrompt()
{
    // A marker found means the capture ends with this chunk, so every earlier scan found none:
    // a new one can only start in the last 7 characters of the old text or in the new text.
    const qsizetype first = m_buffer.indexOf(kEndMarker, m_scanFrom);
    m_scanFrom = std::max<qsizetype>(0, m_buffer.size() - (kEndMarker.size() - 1));
    if (first < 0) return;

    // With several prompts in the buffer only the text in front of the first can be a listing: in
    // front of a later one stands the earlier prompt, its ">" at the start of a line.
    m_mode = CaptureMode::Terminal;
    finish(QStringView(m_buffer).first(first));
}

void ListingCapture::finish(QStringView answer)
{
    const QStringView text = withoutEcho(answer);
    // Chosen while a program runs, Save would otherwise keep its output as the program.
    if (!programtext::isListing(text)) {
        m_surface.setStatusText(
            QStringLiteral("The board's answer is not a listing: nothing ") +
            (m_purpose == Purpose::Save ? QStringLiteral("written to ") : QStringLiteral("compared with ")) + m_target);
        return;
    }
    if (m_purpose == Purpose::Save)
        write(text);
    else
        verify(text);
}

void ListingCapture::verify(QStringView text)
{
    QStringList boardLines;
    for (const QStringView line : text.split(u'\n'))
        boardLines.append(line.trimmed().toString());
    const programtext::Comparison result = programtext::compareProgram(m_fileLines, boardLines);
    m_fileLines.clear();
    if (result.matches()) {
        m_surface.setStatusText(
            QStringLiteral("Program on the board matches %1 (%2 lines)").arg(m_target).arg(result.fileLines));
        return;
    }
    QMap<int, QString> report;
    for (const auto& difference : result.missing)
        report.insert(difference.number, differenceLine(difference, QStringLiteral("missing")));
    for (const auto& difference : result.extra)
        report.insert(difference.number, differenceLine(difference, QStringLiteral("extra")));
    for (const auto& difference : result.differing)
        report.insert(difference.number, differenceLine(difference, QStringLiteral("differs")));
    m_prompter.showReport(QStringLiteral("Program on the board against ") + m_target, report.values().join(u'\n'));
    m_surface.setStatusText(QStringLiteral("Program on the board differs from %1: %2 missing, %3 extra, %4 different")
                                .arg(m_target)
                                .arg(result.missing.size())
                                .arg(result.extra.size())
                                .arg(result.differing.size()));
}

void ListingCapture::write(QStringView text)
{
    // Written beside the target and renamed over it, so a failed write leaves the old file as it was.
    QByteArray bytes = text.toLatin1();
    bytes.append("\r\n");
    m_surface.setStatusText(saveWholeFile(m_target, bytes) ? QString() : QStringLiteral("Cannot write ") + m_target);
}
