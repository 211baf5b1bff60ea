// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/programupload.h"

#include "board/linesplitter.h"
#include "board/programtext.h"
#include "board/uploadreport.h"
#include "common/files.h"
#include "platform/filedialog.h"
#include "platform/prompter.h"
#include "platform/serialline.h"
#include "terminal/pause.h"
#include "terminal/surface.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <limits>
#include <utility>

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

// The line without the CR LF it was sent with.
QByteArrayView content(const QByteArray& text)
{
    return QByteArrayView(text).chopped(std::min<qsizetype>(2, text.size()));
}

} // namespace

QByteArray ProgramUpload::sendForm(const QByteArray& text)
{
    const QByteArrayView line = content(text);
    // A line with a lone CR in it is two lines to the board; each is left as it is.
    if (line.size() <= programtext::kInputLength || line.contains(kCr)) return text;
    return programtext::compactLine(line) + "\r\n";
}

void ProgramUpload::Survey::note(const QByteArray& text)
{
    ++lines;
    const QByteArray sent = sendForm(text);
    if (content(sent).size() <= programtext::kInputLength || content(sent).contains(kCr)) return;
    if (++tooLong <= uploadreport::kNamedInQuestion)
        samples.append(uploadreport::lineLabel(QString::fromLatin1(content(sent))));
}

ProgramUpload::ProgramUpload(SerialLine& line, Pause& pause, FileDialog& dialog, Surface& surface, Prompter& prompter)
    : m_line(line), m_pause(pause), m_dialog(dialog), m_surface(surface), m_prompter(prompter)
{}

void ProgramUpload::loadProgram()
{
    upload(Kind::Load);
}

void ProgramUpload::mergeProgram()
{
    upload(Kind::Merge);
}

void ProgramUpload::upload(Kind kind)
{
    m_surface.setProgressValue(0.0f);
    m_surface.setProgressVisible(true);

    const QString filter = kind == Kind::Load ? FileDialog::kListingFilter : FileDialog::kMergeFilter;
    const QString name =
        m_dialog.ask({FileRequest::Mode::Open, filter, FileDialog::kListingSuffix, QString()}).value_or(QString());
    m_result = {};
    m_result.source = name;
    QString closingText;
    if (!name.isEmpty() && fileExists(name)) {
        const QMetaObject::Connection listening = QObject::connect(
            &m_line, &SerialLine::received, &m_line, [this](const QString& chunk) { readAnswers(chunk); });
        closingText = sendFile(kind, name);
        QObject::disconnect(listening);
    } else if (!name.isEmpty()) {
        m_result.end = Result::End::CannotRead;
    }
    m_reader.reset();

    // Runs whether or not anything was sent; a failure stays readable in the status bar.
    m_surface.setStatusText(closingText);
    m_surface.setProgressVisible(false);
}

std::optional<ProgramUpload::Survey> ProgramUpload::surveyFile(QFile& file, qint64 length)
{
    // Lines are counted and measured before anything goes out, so the user hears of a line too long
    // for the board while the board's program is still whole.
    const auto walk = [&](bool anyEnd, LineSplitter::LoneCrFinder& loneCr) -> std::optional<Survey> {
        if (!file.seek(0)) return std::nullopt;
        Survey survey;
        survey.anyEnd = anyEnd;
        LineSplitter splitter(anyEnd);
        QByteArray block;
        for (qint64 done = 0; done < length; done += block.size()) {
            block.resize(std::min(kBlockSize, length - done));
            if (file.read(block.data(), block.size()) != block.size()) return std::nullopt;
            loneCr.feed(block);
            for (const LineSplitter::Line& line : splitter.feed(block))
                survey.note(line.text);
        }
        if (const std::optional<QByteArray> last = splitter.finish()) survey.note(*last);
        return survey;
    };
    LineSplitter::LoneCrFinder loneCr;
    std::optional<Survey> survey = walk(false, loneCr);
    // A CR alone ends a line for the board; read as usual the file would run such lines together.
    if (survey && loneCr.found()) survey = walk(true, loneCr);
    if (!file.seek(0)) return std::nullopt;
    return survey;
}

bool ProgramUpload::confirmTooLong(const Survey& survey, const QString& source)
{
    if (survey.tooLong == 0) return true;
    return m_prompter.ask(uploadreport::tooLongTitle(),
                          uploadreport::tooLongQuestion(survey.tooLong, survey.samples, source), tr("Send anyway"),
                          QString()) == Prompter::Answer::First;
}

QString ProgramUpload::sendFile(Kind kind, const QString& name)
{
    const auto cannotRead = [this, &name] {
        m_result.end = Result::End::CannotRead;
        return tr("Cannot read %1").arg(name);
    };
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) return cannotRead();
    // The length is taken once, as a 32-bit count; the progress bar is measured against it.
    const qint64 length = file.size();
    if (length < 0 || length > std::numeric_limits<qint32>::max()) return cannotRead();
    const std::optional<Survey> survey = surveyFile(file, length);
    if (!survey) return cannotRead();
    m_result.lines = survey->lines;
    if (!confirmTooLong(*survey, name)) {
        m_result.end = Result::End::Declined;
        return QString();
    }

    QByteArray block;
    const auto readBlock = [&] {
        const qint64 want = std::min(kBlockSize, length - file.pos());
        block.resize(want);
        return file.read(block.data(), want) == want;
    };
    // The first block is read before anything goes out, so an unreadable file sends nothing,
    // not even the "new" that would erase the board's program.
    if (!readBlock()) return cannotRead();

    m_reader.emplace();
    m_sent = 0;
    m_of = survey->lines;
    m_surface.setStatusText(tr("Loading %1...").arg(name));
    const QString doneText = kind == Kind::Load ? tr("Loaded %1 lines from %2") : tr("Merged %1 lines from %2");
    const auto closing = [&] { return closingText(doneText.arg(QString::number(m_sent), name), survey->lines); };
    if (kind == Kind::Load && !send(QByteArrayLiteral("new\r\n"), false)) return closing();

    const double step = static_cast<double>(length) / 100.0;
    LineSplitter splitter(survey->anyEnd);
    qint64 done = 0; // bytes of the file handled before this block
    for (;;) {
        // Each byte moves the bar before it is looked at, so the bar stands at the line's last
        // byte while that line's pause runs.
        qsizetype at = 0;
        const auto moveBarTo = [&](qsizetype end) {
            for (; at < end; ++at)
                m_surface.setProgressValue(static_cast<float>(static_cast<double>(done + at + 1) / step));
        };
        for (const LineSplitter::Line& line : splitter.feed(block)) {
            moveBarTo(line.end);
            if (!send(sendForm(line.text))) return closing();
        }
        moveBarTo(block.size());
        done += block.size();
        if (done >= length) break;
        if (!readBlock()) return cannotRead();
    }
    // The last line of a file often has no line end; the board still needs it.
    if (const std::optional<QByteArray> last = splitter.finish()) {
        if (!send(sendForm(*last))) return closing();
    }
    return closing();
}

void ProgramUpload::pasteText(const QString& text)
{
    if (text.isEmpty()) return;
    if (text.size() > kPasteAskAbove &&
        m_prompter.ask(tr("Paste to the board"), tr("Send %1 characters to the board?").arg(text.size()), tr("Send"),
                       QString()) != Prompter::Answer::First)
        return;
    const QByteArray bytes = text.toLatin1();
    // A single line without its end is what the user would have typed.
    if (!bytes.contains(kCr) && !bytes.contains(kLf)) {
        m_line.sendLine(text);
        return;
    }
    LineSplitter::LoneCrFinder loneCr;
    loneCr.feed(bytes);
    LineSplitter splitter(loneCr.found());
    QList<QByteArray> lines;
    for (const LineSplitter::Line& line : splitter.feed(bytes))
        lines.append(sendForm(line.text));
    if (const std::optional<QByteArray> last = splitter.finish()) lines.append(sendForm(*last));
    sendList(lines, tr("the pasted text"), tr("Pasting %1 lines..."), [](int sent) { return tr("Pasted %1 lines").arg(sent); });
}

void ProgramUpload::sendLines(const QList<QByteArray>& lines, const QString& source)
{
    QList<QByteArray> sendForms;
    sendForms.reserve(lines.size());
    for (const QByteArray& line : lines)
        sendForms.append(sendForm(line));
    sendList(sendForms, source, tr("Sending %1 lines..."),
             [&source](int sent) { return tr("Sent %1 lines from %2").arg(QString::number(sent), source); });
}

void ProgramUpload::sendList(const QList<QByteArray>& lines, const QString& source, const QString& busyText,
                             const std::function<QString(int sent)>& done)
{
    m_result = {};
    m_result.source = source;
    m_result.lines = lines.size();
    Survey survey;
    for (const QByteArray& line : lines)
        survey.note(line);
    if (!confirmTooLong(survey, source)) {
        m_result.end = Result::End::Declined;
        return;
    }

    m_surface.setProgressValue(0.0f);
    m_surface.setProgressVisible(true);
    m_surface.setStatusText(busyText.arg(lines.size()));
    m_reader.emplace();
    m_sent = 0;
    m_of = lines.size();
    const QMetaObject::Connection listening =
        QObject::connect(&m_line, &SerialLine::received, &m_line, [this](const QString& chunk) { readAnswers(chunk); });
    for (const QByteArray& line : lines) {
        m_surface.setProgressValue(static_cast<float>(100.0 * (m_sent + 1) / lines.size()));
        if (!send(line)) break;
    }
    const QString closing = closingText(done(m_sent), lines.size());
    QObject::disconnect(listening);
    m_reader.reset();
    m_surface.setStatusText(closing);
    m_surface.setProgressVisible(false);
}

bool ProgramUpload::send(const QByteArray& text, bool fileLine)
{
    // The file's lines are tagged 1 on; "new" is 0 and never named.
    if (fileLine) ++m_sent;
    m_reader->expect(fileLine ? m_sent : 0, text);
    m_line.sendLine(QString::fromLatin1(text));
    if (fileLine && m_lineProgress) m_lineProgress(m_sent, m_of);
    if (m_pacing == Pacing::Fixed) return m_pause.wait(kLinePause);
    m_line.setQuickReads(true);
    const bool finished = m_pause.waitUntil(kLinePause, [this] { return m_reader->owed() == 0; });
    m_line.setQuickReads(false);
    return finished;
}

void ProgramUpload::readAnswers(const QString& chunk)
{
    if (!m_reader) return;
    m_reader->feed(chunk);
    if (m_pacing == Pacing::Prompt && m_reader->owed() == 0) m_pause.wake();
}

QString ProgramUpload::closingText(const QString& done, qint64 of)
{
    m_result.sent = m_sent;
    m_result.lines = of;
    m_result.answered = m_reader->answered() > 0;
    switch (m_pause.cancelReason()) {
    case CancelReason::None:
        break;
    case CancelReason::LineLost: {
        // The lines in flight got no answer because the line went, not the board: only what the
        // board did say is named.
        QMap<int, AnswerReader::Outcome> problems = m_reader->finish();
        problems.remove(0);
        problems.removeIf([](const auto& problem) { return problem.value().kind == AnswerReader::Kind::NoAnswer; });
        m_result.end = Result::End::LineLost;
        m_result.problems = problems;
        m_result.leftOut = m_reader->problemsLeftOut();
        const QString stopped = uploadreport::stoppedText(m_sent, of, m_line.portName());
        return show(uploadreport::summarize(stopped, problems, m_reader->problemsLeftOut(), true), stopped);
    }
    case CancelReason::User:
    case CancelReason::Quit:
        m_result.end = Result::End::Cancelled;
        return uploadreport::cancelledText(m_sent, of);
    }
    // A line that closed (or never opened) has said so in the status bar, which stays.
    if (!m_line.isOpen()) {
        m_result.end = Result::End::LineLost;
        return QString();
    }
    QMap<int, AnswerReader::Outcome> problems = m_reader->finish();
    problems.remove(0); // "new" is no line of the user's
    m_result.end = Result::End::Done;
    m_result.problems = problems;
    m_result.leftOut = m_reader->problemsLeftOut();
    return show(uploadreport::summarize(done, problems, m_reader->problemsLeftOut(), m_result.answered), QString());
}

QString ProgramUpload::show(const uploadreport::Summary& summary, const QString& otherwise)
{
    if (!summary.report.isEmpty()) m_prompter.showReport(summary.reportTitle, summary.report);
    return summary.status.isEmpty() ? otherwise : summary.status;
}
