// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "board/answerreader.h"

#include <QMap>
#include <QString>
#include <QStringList>

// What an upload tells the user, in words: how a line is named, why the board refused it, the
// question about lines too long for the board, and the closing status text with its report.
namespace uploadreport {

inline constexpr int kNamedInStatus = 3;    // refused lines the status bar names; more go to a report
inline constexpr int kNamedInQuestion = 10; // too-long lines the question names

// By its number, or by its text when it has none.
QString lineLabel(QStringView text);
QString reason(const AnswerReader::Outcome& outcome);

// The question before an upload with lines that do not fit the board even compacted.
QString tooLongTitle();
QString tooLongQuestion(qint64 count, const QStringList& samples, const QString& source);

struct Summary
{
    QString status;
    QString reportTitle; // empty: no report window
    QString report;
};
// done: "Loaded 12 lines from prog.lis"; problems by tag, as AnswerReader::finish() gives them.
Summary summarize(const QString& done, const QMap<int, AnswerReader::Outcome>& problems, int leftOut, bool anyAnswered);

QString cancelledText(qint64 sent, qint64 of);
QString stoppedText(qint64 sent, qint64 of, const QString& portName);

} // namespace uploadreport
