// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/programupload.h"

#include "board/programtext.h"
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
constexpr int kNamedInQuestion = 10;
constexpr qsizetype kQuotedLength = 24;

// The line without the CR LF it was sent with.
QByteArrayView content(const QByteArray& text)
{
    return QByteArrayView(text).chopped(std::min<qsizetype>(2, text.size()));
}

// How the user knows a line: by its number, or by its text when it has none.
QString lineLabel(QStringView text)
{
    const QStringView digits = programtext::numberDigits(text);
    if (!digits.isEmpty()) return QStringLiteral("line ") + digits.toString();
    const QStringView shown = text.trimmed();
    if (shown.isEmpty()) return QStringLiteral("an empty line");
    const QString quoted =
        shown.left(kQuotedLength).toString() + (shown.size() > kQuotedLength ? QStringLiteral("...") : QString());
    return QStringLiteral("\"%1\"").arg(quoted);
}

QString reason(const AnswerReader::Outcome& outcome)
{
    using Kind = AnswerReader::Kind;
    switch (outcome.kind) {
    case Kind::Cut: {
        const QString cut = QStringLiteral("cut at %1 characters").arg(programtext::kInputLength);
        return outcome.detail.isEmpty() ? cut : cut + QStringLiteral("; ") + outcome.detail;
    }
    case Kind::Refused:
        return outcome.detail;
    case Kind::NoAnswer:
        return QStringLiteral("no answer");
    case Kind::Garbled:
        return QStringLiteral("echoed garbled");
    case Kind::Accepted:
        break;
    }
    return QString();
}

} // namespace

QList<LineSplitter::Line> LineSplitter::feed(QByteArrayView bytes)
{
    QList<Line> lines;
    if (m_crOnly) {
        qsizetype start = 0;
        for (qsizetype cr = bytes.indexOf(kCr); cr >= 0; cr = bytes.indexOf(kCr, cr + 1)) {
            m_pending.append(bytes.sliced(start, cr - start));
            m_pending.append("\r\n");
            lines.append({cr + 1, std::exchange(m_pending, QByteArray())});
            start = cr + 1;
        }
        m_pending.append(bytes.sliced(start));
        return lines;
    }
    qsizetype start = 0;
    for (qsizetype lf = bytes.indexOf(kLf); lf >= 0; lf = bytes.indexOf(kLf, lf + 1)) {
        // The CR of a CR LF may be the last byte of the previous block.
        const bool afterCr = lf > 0 ? bytes[lf - 1] == kCr : m_previousCr;
        m_pending.append(bytes.sliced(start, lf + 1 - start));
        if (!afterCr) {
            // The board takes a line only at CR; a bare LF would run two lines into one.
            m_pending.chop(1);
            m_pending.append("\r\n");
        }
        lines.append({lf + 1, std::exchange(m_pending, QByteArray())});
        start = lf + 1;
    }
    m_pending.append(bytes.sliced(start));
    if (!bytes.isEmpty()) m_previousCr = bytes.back() == kCr;
    return lines;
}

std::optional<QByteArray> LineSplitter::finish()
{
    m_previousCr = false;
    if (m_pending.isEmpty()) return std::nullopt;
    QByteArray last = std::exchange(m_pending, QByteArray());
    last.append("\r\n");
    return last;
}

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
    if (++tooLong <= kNamedInQuestion) samples.append(lineLabel(QString::fromLatin1(content(sent))));
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
    QString closingText;
    if (!name.isEmpty() && fileExists(name)) closingText = sendFile(kind, name);
    m_reader.reset();

    // Runs whether or not anything was sent; a failure stays readable in the status bar.
    m_surface.setStatusText(closingText);
    m_surface.setProgressVisible(false);
}

std::optional<ProgramUpload::Survey> ProgramUpload::surveyFile(QFile& file, qint64 length)
{
    // Lines are counted and measured before anything goes out, so the user hears of a line too long
    // for the board while the board's program is still whole.
    const auto walk = [&](bool crOnly, bool& anyLf, bool& anyCr) -> std::optional<Survey> {
        if (!file.seek(0)) return std::nullopt;
        Survey survey;
        survey.crOnly = crOnly;
        LineSplitter splitter(crOnly);
        QByteArray block;
        for (qint64 done = 0; done < length; done += block.size()) {
            block.resize(std::min(kBlockSize, length - done));
            if (file.read(block.data(), block.size()) != block.size()) return std::nullopt;
            anyLf = anyLf || block.contains(kLf);
            anyCr = anyCr || block.contains(kCr);
            for (const LineSplitter::Line& line : splitter.feed(block))
                survey.note(line.text);
        }
        if (const std::optional<QByteArray> last = splitter.finish()) survey.note(*last);
        return survey;
    };
    bool anyLf = false;
    bool anyCr = false;
    std::optional<Survey> survey = walk(false, anyLf, anyCr);
    // Without a single LF the file's lines end in CR alone; read as usual it would be one line.
    if (survey && !anyLf && anyCr) survey = walk(true, anyLf, anyCr);
    if (!file.seek(0)) return std::nullopt;
    return survey;
}

bool ProgramUpload::confirmTooLong(const Survey& survey, const QString& source)
{
    if (survey.tooLong == 0) return true;
    QString names = survey.samples.join(QStringLiteral(", "));
    if (survey.tooLong > survey.samples.size())
        names += QStringLiteral(" and %1 more").arg(survey.tooLong - survey.samples.size());
    const QString text =
        QStringLiteral("%1 of %2 %3 not fit the board's %4-character input even without blanks: %5.\n"
                       "The board keeps the first %4 characters of each and drops the rest.")
            .arg(survey.tooLong == 1 ? QStringLiteral("1 line") : QStringLiteral("%1 lines").arg(survey.tooLong),
                 source, survey.tooLong == 1 ? QStringLiteral("does") : QStringLiteral("do"))
            .arg(programtext::kInputLength)
            .arg(names);
    return m_prompter.ask(QStringLiteral("Lines too long for the board"), text, QStringLiteral("Send anyway"),
                          QString()) == Prompter::Answer::First;
}

QString ProgramUpload::sendFile(Kind kind, const QString& name)
{
    const QString cannotRead = QStringLiteral("Cannot read ") + name;
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) return cannotRead;
    // The length is taken once, as a 32-bit count; the progress bar is measured against it.
    const qint64 length = file.size();
    if (length < 0 || length > std::numeric_limits<qint32>::max()) return cannotRead;
    const std::optional<Survey> survey = surveyFile(file, length);
    if (!survey) return cannotRead;
    if (!confirmTooLong(*survey, name)) return QString();

    QByteArray block;
    const auto readBlock = [&] {
        const qint64 want = std::min(kBlockSize, length - file.pos());
        block.resize(want);
        return file.read(block.data(), want) == want;
    };
    // The first block is read before anything goes out, so an unreadable file sends nothing,
    // not even the "new" that would erase the board's program.
    if (!readBlock()) return cannotRead;

    m_reader.emplace();
    m_sent = 0;
    m_surface.setStatusText(QStringLiteral("Loading ") + name + QStringLiteral("..."));
    if (kind == Kind::Load && !send(QByteArrayLiteral("new\r\n"), false)) return cancelledText(survey->lines);

    const double step = static_cast<double>(length) / 100.0;
    LineSplitter splitter(survey->crOnly);
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
            if (!send(sendForm(line.text))) return cancelledText(survey->lines);
        }
        moveBarTo(block.size());
        done += block.size();
        if (done >= length) break;
        if (!readBlock()) return cannotRead;
    }
    // The last line of a file often has no line end; the board still needs it.
    if (const std::optional<QByteArray> last = splitter.finish()) {
        if (!send(sendForm(*last))) return cancelledText(survey->lines);
    }
    const QString verb = kind == Kind::Load ? QStringLiteral("Loaded") : QStringLiteral("Merged");
    return summary(QStringLiteral("%1 %2 lines from %3").arg(verb).arg(m_sent).arg(name));
}

void ProgramUpload::pasteText(const QString& text)
{
    if (text.isEmpty()) return;
    if (text.size() > kPasteAskAbove &&
        m_prompter.ask(QStringLiteral("Paste to the board"),
                       QStringLiteral("Send %1 characters to the board?").arg(text.size()), QStringLiteral("Send"),
                       QString()) != Prompter::Answer::First)
        return;
    const QByteArray bytes = text.toLatin1();
    // A single line without its end is what the user would have typed.
    if (!bytes.contains(kCr) && !bytes.contains(kLf)) {
        m_line.sendLine(text);
        return;
    }
    LineSplitter splitter(!bytes.contains(kLf));
    QList<QByteArray> lines;
    for (const LineSplitter::Line& line : splitter.feed(bytes))
        lines.append(sendForm(line.text));
    if (const std::optional<QByteArray> last = splitter.finish()) lines.append(sendForm(*last));
    Survey survey;
    for (const QByteArray& line : std::as_const(lines))
        survey.note(line);
    if (!confirmTooLong(survey, QStringLiteral("the pasted text"))) return;

    m_surface.setProgressValue(0.0f);
    m_surface.setProgressVisible(true);
    m_surface.setStatusText(QStringLiteral("Pasting %1 lines...").arg(lines.size()));
    m_reader.emplace();
    m_sent = 0;
    QString closingText;
    for (const QByteArray& line : std::as_const(lines)) {
        m_surface.setProgressValue(static_cast<float>(100.0 * (m_sent + 1) / lines.size()));
        if (!send(line)) {
            closingText = cancelledText(lines.size());
            break;
        }
    }
    if (!m_pause.cancelled()) closingText = summary(QStringLiteral("Pasted %1 lines").arg(m_sent));
    m_reader.reset();
    m_surface.setStatusText(closingText);
    m_surface.setProgressVisible(false);
}

bool ProgramUpload::send(const QByteArray& text, bool fileLine)
{
    // The file's lines are tagged 1 on; "new" is 0 and never named.
    if (fileLine) ++m_sent;
    m_reader->expect(fileLine ? m_sent : 0, text);
    m_line.sendLine(QString::fromLatin1(text));
    if (m_pacing == Pacing::Fixed) return m_pause.wait(kLinePause);
    m_line.setQuickReads(true);
    const bool finished = m_pause.waitUntil(kLinePause, [this] { return m_reader->owed() == 0; });
    m_line.setQuickReads(false);
    return finished;
}

void ProgramUpload::chunkArrived(const QString& chunk)
{
    if (!m_reader) return;
    m_reader->feed(chunk);
    if (m_pacing == Pacing::Prompt && m_reader->owed() == 0) m_pause.wake();
}

QString ProgramUpload::cancelledText(qint64 of) const
{
    return QStringLiteral("Upload cancelled after %1 of %2 lines").arg(m_sent).arg(of);
}

QString ProgramUpload::summary(const QString& done)
{
    // A line that closed (or never opened) has said so in the status bar, which stays.
    if (!m_line.isOpen()) return QString();
    QMap<int, AnswerReader::Outcome> problems = m_reader->finish();
    problems.remove(0); // "new" is no line of the user's
    if (problems.isEmpty()) return QString();
    // A board that answered nothing at all is switched off or not there; naming every line would
    // bury that.
    if (m_reader->answered() == 0) return done + QStringLiteral("; the board did not answer");
    const qsizetype count = problems.size() + m_reader->problemsLeftOut();
    QStringList named;
    QStringList report;
    for (auto it = problems.cbegin(); it != problems.cend(); ++it) {
        const QString label = lineLabel(it->sent);
        if (named.size() < kNamedInStatus) named.append(label + QStringLiteral(" (") + reason(*it) + u')');
        report.append(
            label + QStringLiteral(": ") + reason(*it) + QStringLiteral("\n    sent: ") + it->sent +
            (it->kind == AnswerReader::Kind::Garbled ? QStringLiteral("\n    echo: ") + it->detail : QString()));
    }
    QString text = done + QStringLiteral("; the board refused %1: ").arg(count) + named.join(QStringLiteral(", "));
    if (count > named.size()) {
        text += QStringLiteral(" and %1 more").arg(count - named.size());
        if (m_reader->problemsLeftOut() > 0)
            report.append(QStringLiteral("... and %1 more").arg(m_reader->problemsLeftOut()));
        m_prompter.showReport(QStringLiteral("Lines the board refused"), report.join(u'\n'));
    }
    return text;
}
