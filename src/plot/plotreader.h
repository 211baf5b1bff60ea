// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// One number the board printed, and the series it belongs to.
struct PlotSample
{
    QString series;
    double value = 0;
};
// The samples of one board line.
using PlotLine = QList<PlotSample>;

// Reads numbers out of what the board prints, for the plot.
//
// A line counts when it holds nothing but numbers as PRINT and PH0./PH1. write them (" 1.5",
// "-.25", " 1.0 E-5" with the board's blank before the E, " FFH"), labels (a word right before
// "=" or ":", as in "T= 25" or "Y:-2"), blanks, tabs, commas and semicolons. Anything else is
// the board talking or the user typing ("READY", ">PRINT 1", "ERROR: BAD SYNTAX", a listing
// line) and gives no samples at all: a line is plotted whole or not at all.
//
// A labelled number belongs to its label's series wherever it stands; the unlabelled numbers of
// a line are series "1", "2", ... in their order. A label given twice in one line keeps its last
// value. takeText() assembles lines from terminal text that arrives in arbitrary pieces.
class PlotReader
{
public:
    // Longer lines are no board output (its input line holds 78 characters) and are dropped
    // whole, so a stream without line ends cannot grow the partial line without bound.
    static constexpr qsizetype kMaxLineLength = 1024;
    static constexpr qsizetype kMaxLabelLength = 32;

    // The samples of one complete line, given without its CR LF; empty when the line is not plotted.
    static PlotLine readLine(QStringView line);

    // The samples of every line this text completes, in order; lines without samples are left
    // out. CR and LF both end a line; the rest waits for the next call.
    QList<PlotLine> takeText(QStringView text);
    // Forgets the line begun so far: text that went elsewhere came between its pieces.
    void breakLine();

private:
    void endLine(QList<PlotLine>& lines);

    QString m_partial;
    bool m_tooLong = false; // the line in progress passed kMaxLineLength and is being skipped
};
