// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/listingcapture.h"

#include "board/programtext.h"
#include "common/files.h"
#include "platform/filedialog.h"
#include "platform/prompter.h"
#include "platform/serialline.h"
#include "terminal/pause.h"
#include "terminal/surface.h"
#include "terminal/terminalbuffer.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>

namespace {

QString differenceLine(const programtext::LineDifference& difference, const QString& what)
{
    QString line = QCoreApplication::translate("ListingCapture", "line %1").arg(difference.number).leftJustified(12) +
                   what.leftJustified(9);
    if (!difference.fileLine.isEmpty())
        line += QCoreApplication::translate("ListingCapture", "file: %1").arg(difference.fileLine);
    if (!difference.fileLine.isEmpty() && !difference.boardLine.isEmpty()) line += QStringLiteral("    ");
    if (!difference.boardLine.isEmpty())
        line += QCoreApplication::translate("ListingCapture", "board: %1").arg(difference.boardLine);
    return line;
}

} // namespace

ListingCapture::ListingCapture(SerialLine& line, Pause& pause, FileDialog& dialog, TerminalBuffer& terminal,
                               Surface& surface, Prompter& prompter)
    : m_line(line), m_pause(pause), m_dialog(dialog), m_terminal(terminal), m_surface(surface), m_prompter(prompter)
{}

void ListingCapture::saveProgram()
{
    m_surface.setProgressValue(0.0f);
    m_surface.setProgressVisible(false);

    const std::optional<QString> chosen =
        m_dialog.ask({FileRequest::Mode::Save, FileDialog::kListingFilter, FileDialog::kListingSuffix, QString()});
    if (!chosen || chosen->isEmpty()) return;
    capture(Purpose::Save, *chosen);
}

void ListingCapture::verifyProgram()
{
    m_surface.setProgressValue(0.0f);
    m_surface.setProgressVisible(false);

    const std::optional<QString> chosen =
        m_dialog.ask({FileRequest::Mode::Open, FileDialog::kListingFilter, FileDialog::kListingSuffix, QString()});
    if (!chosen || chosen->isEmpty() || !fileExists(*chosen)) return;
    verifyFile(*chosen);
}

void ListingCapture::verifyFile(const QString& name)
{
    // Read before LIST goes out, so a file that cannot be read costs the board nothing.
    const std::optional<QStringList> lines = readListing(name);
    if (!lines) {
        m_ending = Ending::None;
        m_surface.setStatusText(tr("Cannot read %1").arg(name));
        return;
    }
    compare(Purpose::Verify, *lines, name);
}

std::optional<QStringList> ListingCapture::readListing(const QString& name)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxVerifiedFile) return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return std::nullopt;
    // Every CR or LF ends a line for the board, however the file's lines end.
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    return QString::fromLatin1(bytes).split(lineEnd);
}

bool ListingCapture::compare(Purpose purpose, const QStringList& fileLines, const QString& target)
{
    m_fileLines = fileLines;
    m_comparison = {};
    const bool started = capture(purpose, target);
    m_fileLines.clear();
    return started;
}

bool ListingCapture::capture(Purpose purpose, const QString& target)
{
    if (!start(purpose, target)) return false;
    m_pause.waitUntil(kNoLimit, [this] { return m_mode == CaptureMode::Terminal; });
    if (m_mode == CaptureMode::Terminal) return true;
    // Cancelled: by the user, the line or a quit.
    const QString why =
        m_pause.cancelReason() == CancelReason::LineLost ? tr("%1 was lost; ").arg(m_line.portName()) : QString();
    const QString cancelled = m_purpose == Purpose::Save ? tr("Save cancelled: %1%2") : tr("Verify cancelled: %1%2");
    end(Ending::Cancelled, cancelled.arg(why, nothingDone()));
    return true;
}

bool ListingCapture::start(Purpose purpose, const QString& target)
{
    m_purpose = purpose;
    m_target = target;
    m_buffer.clear();
    if (!m_line.isOpen()) {
        m_ending = Ending::LineDown;
        m_surface.setStatusText(tr("Not sent: %1 is not open").arg(m_line.portLabel()));
        return false;
    }
    m_line.sendLine(QStringLiteral("LIST\r\n"));
    m_terminal.clear();
    m_mode = CaptureMode::AwaitingEcho;
    m_ending = Ending::None;
    m_surface.setStatusText((purpose == Purpose::Save ? tr("Saving %1 ...") : tr("Verifying %1 ...")).arg(target));
    return true;
}

void ListingCapture::startStep(const QString& chunk)
{
    if (m_mode != CaptureMode::AwaitingEcho) return;
    m_mode = CaptureMode::Capturing;
    m_buffer = chunk;
    m_echoSettled = false;
    m_echoScanFrom = 0;
    m_answerStart = 0;
    m_scanFrom = 0;
    m_linesCheckedTo = 0;
    // A board that answers quickly sends the echo, a short listing and its prompt in one chunk;
    // waiting for another chunk would leave the capture hanging until the board says something.
    endWhenAnswered();
}

void ListingCapture::captureStep(const QString& chunk)
{
    if (m_mode != CaptureMode::Capturing) return;
    m_buffer.append(chunk);
    endWhenAnswered();
}

void ListingCapture::settleEcho()
{
    // The board echoes "LIST" CR LF at the start of a line, perhaps behind its prompt when that came
    // late; what stands before it is the end of an earlier answer. A listing line that ends in LIST
    // is no echo.
    const qsizetype last = m_buffer.size() - kEchoMarker.size();
    for (qsizetype at = m_buffer.indexOf(kEchoMarker, m_echoScanFrom); at >= 0 && at <= last;
         at = m_buffer.indexOf(kEchoMarker, at + 1)) {
        const bool lineStart = at == 0 || m_buffer[at - 1] == u'\n' || m_buffer[at - 1] == u'\r';
        const bool afterPrompt = at > 0 && m_buffer[at - 1] == u'>' && (at == 1 || m_buffer[at - 2] == u'\n');
        if (!lineStart && !afterPrompt) continue;
        m_answerStart = at + kEchoMarker.size();
        m_linesCheckedTo = m_answerStart;
        m_echoSettled = true;
        return;
    }
    m_echoScanFrom = std::max<qsizetype>(0, m_buffer.size() - kEchoMarker.size());
}

bool ListingCapture::mayStandBeforeEcho(QStringView line)
{
    return line.isEmpty() || line.startsWith(u'>') || line == u"READY" || programtext::isListingLine(line);
}

void ListingCapture::endWhenAnswered()
{
    if (!m_echoSettled) settleEcho();
    if (m_echoSettled) {
        // A marker found means the capture ends with this chunk, so every earlier scan found none:
        // a new one can only start in the last 7 characters of the old text or in the new text.
        const qsizetype first = m_buffer.indexOf(kEndMarker, std::max(m_scanFrom, m_answerStart));
        m_scanFrom = std::max<qsizetype>(0, m_buffer.size() - (kEndMarker.size() - 1));
        if (first >= 0) {
            // With several prompts in the buffer only the text in front of the first can be a listing:
            // in front of a later one stands the earlier prompt, its ">" at the start of a line.
            finish(QStringView(m_buffer).sliced(m_answerStart, first - m_answerStart));
            return;
        }
    }
    if (m_buffer.size() - m_answerStart > kMaxAnswer) return end(Ending::NotListing, nothingDone());
    for (qsizetype lf = m_buffer.indexOf(u'\n', m_linesCheckedTo); lf >= 0;
         lf = m_buffer.indexOf(u'\n', m_linesCheckedTo)) {
        const QStringView line = QStringView(m_buffer).sliced(m_linesCheckedTo, lf - m_linesCheckedTo).trimmed();
        // "READY" with nothing behind it yet is the board's prompt on its way.
        if (lf + 1 == m_buffer.size() && line == u"READY") return;
        const bool fits = m_echoSettled ? line.isEmpty() || programtext::isListingLine(line) : mayStandBeforeEcho(line);
        if (!fits) return end(Ending::NotListing, nothingDone());
        m_linesCheckedTo = lf + 1;
    }
}

void ListingCapture::end(Ending ending, const QString& status)
{
    m_mode = CaptureMode::Terminal;
    m_ending = ending;
    if (ending != Ending::Done) {
        m_terminal.appendInPieces(m_buffer);
        if (ending == Ending::NotListing)
            m_surface.setStatusText(tr("The board's answer is not a listing: %1").arg(status));
        else
            m_surface.setStatusText(status);
    }
    m_pause.wake();
}

QString ListingCapture::nothingDone() const
{
    return (m_purpose == Purpose::Save ? tr("nothing written to %1") : tr("nothing compared with %1")).arg(m_target);
}

void ListingCapture::finish(QStringView answer)
{
    // Chosen while a program runs, Save would otherwise keep its output as the program.
    if (!programtext::isListing(answer)) return end(Ending::NotListing, nothingDone());
    if (m_purpose == Purpose::Save)
        write(answer);
    else
        verify(answer);
}
void ListingCapture::verify(QStringView text)
{
    QStringList boardLines;
    for (const QStringView line : text.split(u'\n'))
        boardLines.append(line.trimmed().toString());
    m_comparison = programtext::compareProgram(m_fileLines, boardLines);
    const programtext::Comparison& result = m_comparison;
    end(Ending::Done, QString());
    if (m_purpose == Purpose::Compare) return;
    if (result.matches()) {
        m_surface.setStatusText(
            tr("Program on the board matches %1 (%2 lines)").arg(m_target, QString::number(result.fileLines)));
        return;
    }
    QMap<int, QString> report;
    for (const auto& difference : result.missing)
        report.insert(difference.number, differenceLine(difference, tr("missing")));
    for (const auto& difference : result.extra)
        report.insert(difference.number, differenceLine(difference, tr("extra")));
    for (const auto& difference : result.differing)
        report.insert(difference.number, differenceLine(difference, tr("differs")));
    Prompter::Action send;
    if (m_sendDifferences)
        send = {tr("Send Differences"), [send = m_sendDifferences, file = m_target] { send(file); }};
    m_prompter.showReport(tr("Program on the board against %1").arg(m_target), report.values().join(u'\n'), send);
    m_surface.setStatusText(tr("Program on the board differs from %1: %2 missing, %3 extra, %4 different")
                                .arg(m_target, QString::number(result.missing.size()),
                                     QString::number(result.extra.size()), QString::number(result.differing.size())));
}

void ListingCapture::write(QStringView text)
{
    // Written beside the target and renamed over it, so a failed write leaves the old file as it was.
    QByteArray bytes = text.toLatin1();
    bytes.append("\r\n");
    if (saveWholeFile(m_target, bytes)) {
        end(Ending::Done, QString());
        m_surface.setStatusText(QString());
    } else {
        end(Ending::CannotWrite, QString());
        m_surface.setStatusText(tr("Cannot write %1").arg(m_target));
    }
}
