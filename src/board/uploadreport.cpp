// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/uploadreport.h"

#include "board/programtext.h"

namespace uploadreport {

namespace {

constexpr qsizetype kQuotedLength = 24;

} // namespace

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

QString tooLongTitle()
{
    return QStringLiteral("Lines too long for the board");
}

QString tooLongQuestion(qint64 count, const QStringList& samples, const QString& source)
{
    QString names = samples.join(QStringLiteral(", "));
    if (count > samples.size()) names += QStringLiteral(" and %1 more").arg(count - samples.size());
    return QStringLiteral("%1 of %2 %3 not fit the board's %4-character input even without blanks: %5.\n"
                          "The board keeps the first %4 characters of each and drops the rest.")
        .arg(count == 1 ? QStringLiteral("1 line") : QStringLiteral("%1 lines").arg(count), source,
             count == 1 ? QStringLiteral("does") : QStringLiteral("do"))
        .arg(programtext::kInputLength)
        .arg(names);
}

Summary summarize(const QString& done, const QMap<int, AnswerReader::Outcome>& problems, int leftOut, bool anyAnswered)
{
    if (problems.isEmpty()) return {};
    // A board that answered nothing at all is switched off or not there; naming every line would
    // bury that.
    if (!anyAnswered) return {done + QStringLiteral("; the board did not answer"), {}, {}};
    const qsizetype count = problems.size() + leftOut;
    QStringList named;
    QStringList report;
    for (auto it = problems.cbegin(); it != problems.cend(); ++it) {
        const QString label = lineLabel(it->sent);
        if (named.size() < kNamedInStatus) named.append(label + QStringLiteral(" (") + reason(*it) + u')');
        report.append(
            label + QStringLiteral(": ") + reason(*it) + QStringLiteral("\n    sent: ") + it->sent +
            (it->kind == AnswerReader::Kind::Garbled ? QStringLiteral("\n    echo: ") + it->detail : QString()));
    }
    Summary summary;
    summary.status = done + QStringLiteral("; the board refused %1: ").arg(count) + named.join(QStringLiteral(", "));
    if (count > named.size()) {
        summary.status += QStringLiteral(" and %1 more").arg(count - named.size());
        if (leftOut > 0) report.append(QStringLiteral("... and %1 more").arg(leftOut));
        summary.reportTitle = QStringLiteral("Lines the board refused");
        summary.report = report.join(u'\n');
    }
    return summary;
}

QString cancelledText(qint64 sent, qint64 of)
{
    return QStringLiteral("Upload cancelled after %1 of %2 lines").arg(sent).arg(of);
}

QString stoppedText(qint64 sent, qint64 of, const QString& portName)
{
    return QStringLiteral("Upload stopped after %1 of %2 lines: %3 was lost").arg(sent).arg(of).arg(portName);
}

} // namespace uploadreport
