// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/uploadreport.h"

#include "board/programtext.h"

#include <QCoreApplication>

namespace uploadreport {

namespace {

constexpr qsizetype kQuotedLength = 24;

} // namespace

QString lineLabel(QStringView text)
{
    const QStringView digits = programtext::numberDigits(text);
    if (!digits.isEmpty()) return QCoreApplication::translate("UploadReport", "line %1").arg(digits);
    const QStringView shown = text.trimmed();
    if (shown.isEmpty()) return QCoreApplication::translate("UploadReport", "an empty line");
    const QString quoted =
        shown.left(kQuotedLength).toString() + (shown.size() > kQuotedLength ? QStringLiteral("...") : QString());
    return QStringLiteral("\"%1\"").arg(quoted);
}

QString reason(const AnswerReader::Outcome& outcome)
{
    using Kind = AnswerReader::Kind;
    switch (outcome.kind) {
    case Kind::Cut: {
        const QString cut =
            QCoreApplication::translate("UploadReport", "cut at %1 characters").arg(programtext::kInputLength);
        return outcome.detail.isEmpty() ? cut : cut + QStringLiteral("; ") + outcome.detail;
    }
    case Kind::Refused:
        return outcome.detail;
    case Kind::NoAnswer:
        return QCoreApplication::translate("UploadReport", "no answer");
    case Kind::Garbled:
        return QCoreApplication::translate("UploadReport", "echoed garbled");
    case Kind::Accepted:
        break;
    }
    return QString();
}

QString tooLongTitle()
{
    return QCoreApplication::translate("UploadReport", "Lines too long for the board");
}

QString tooLongQuestion(qint64 count, const QStringList& samples, const QString& source)
{
    QString names = samples.join(QStringLiteral(", "));
    if (count > samples.size())
        names += QCoreApplication::translate("UploadReport", " and %1 more").arg(count - samples.size());
    const QString length = QString::number(programtext::kInputLength);
    if (count == 1)
        return QCoreApplication::translate("UploadReport",
                                           "1 line of %1 does not fit the board's %2-character input even without "
                                           "blanks: %3.\nThe board keeps the first %2 characters of each and drops "
                                           "the rest.")
            .arg(source, length, names);
    return QCoreApplication::translate("UploadReport",
                                       "%1 lines of %2 do not fit the board's %3-character input even without "
                                       "blanks: %4.\nThe board keeps the first %3 characters of each and drops "
                                       "the rest.")
        .arg(QString::number(count), source, length, names);
}

Summary summarize(const QString& done, const QMap<int, AnswerReader::Outcome>& problems, int leftOut, bool anyAnswered)
{
    if (problems.isEmpty()) return {};
    // A board that answered nothing at all is switched off or not there; naming every line would
    // bury that.
    if (!anyAnswered)
        return {QCoreApplication::translate("UploadReport", "%1; the board did not answer").arg(done), {}, {}};
    const qsizetype count = problems.size() + leftOut;
    QStringList named;
    QStringList report;
    for (auto it = problems.cbegin(); it != problems.cend(); ++it) {
        const QString label = lineLabel(it->sent);
        if (named.size() < kNamedInStatus) named.append(label + QStringLiteral(" (") + reason(*it) + u')');
        report.append(
            QCoreApplication::translate("UploadReport", "%1: %2\n    sent: %3").arg(label, reason(*it), it->sent) +
            (it->kind == AnswerReader::Kind::Garbled
                 ? QCoreApplication::translate("UploadReport", "\n    echo: %1").arg(it->detail)
                 : QString()));
    }
    Summary summary;
    summary.status = QCoreApplication::translate("UploadReport", "%1; the board refused %2: %3")
                         .arg(done, QString::number(count), named.join(QStringLiteral(", ")));
    if (count > named.size()) {
        summary.status += QCoreApplication::translate("UploadReport", " and %1 more").arg(count - named.size());
        if (leftOut > 0) report.append(QCoreApplication::translate("UploadReport", "... and %1 more").arg(leftOut));
        summary.reportTitle = QCoreApplication::translate("UploadReport", "Lines the board refused");
        summary.report = report.join(u'\n');
    }
    return summary;
}

QString cancelledText(qint64 sent, qint64 of)
{
    return QCoreApplication::translate("UploadReport", "Upload cancelled after %1 of %2 lines").arg(sent).arg(of);
}

QString stoppedText(qint64 sent, qint64 of, const QString& portName)
{
    return QCoreApplication::translate("UploadReport", "Upload stopped after %1 of %2 lines: %3 was lost")
        .arg(sent)
        .arg(of)
        .arg(portName);
}

} // namespace uploadreport
