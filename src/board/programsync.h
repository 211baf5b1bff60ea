// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "board/programtext.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QString>

class ListingCapture;
class ProgramUpload;
class Surface;

// Send Differences (the Verify report's button) and the command line's sync: makes the board's
// program equal to a listing while sending as little as possible. It lists the board's program and
// compares it as Verify does, then sends, in the order of their numbers, the lines missing on the
// board or different there, and a bare number for each line the file does not have, which the
// board deletes. With one line changed in a long program, one line goes out.
//
// It is a board command (app/commandrunner.h) made of the capture and the upload, which say in the
// status bar how each part ended; the check afterwards is a Verify, report and all.
class ProgramSync
{
    Q_DECLARE_TR_FUNCTIONS(ProgramSync)

public:
    enum class Ending {
        Done,        // the differences sent, every line taken (and the check found none)
        Matched,     // nothing to send
        CannotRead,  // the file
        NotCompared, // the board's answer was no listing, or the capture was cancelled or lost the line
        NotSent,     // the upload stopped: declined, cancelled or the line lost
        Refused,     // the board refused or cut lines
        Differs,     // the check found differences all the same
    };

    ProgramSync(ListingCapture& capture, ProgramUpload& upload, Surface& surface);

    Ending sync(const QString& file, bool check);

    // Of the last sync: the comparison before anything was sent, and the lines sent for it.
    const programtext::Comparison& before() const { return m_before; }
    const QList<QByteArray>& lines() const { return m_lines; }

    // What makes the board's program equal to the file's, by the differences between them.
    static QList<QByteArray> linesFor(const programtext::Comparison& comparison);

private:
    ListingCapture& m_capture;
    ProgramUpload& m_upload;
    Surface& m_surface;
    programtext::Comparison m_before;
    QList<QByteArray> m_lines;
};
