// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/programsync.h"

#include "board/listingcapture.h"
#include "board/programupload.h"
#include "terminal/surface.h"

#include <QMap>

ProgramSync::ProgramSync(ListingCapture& capture, ProgramUpload& upload, Surface& surface)
    : m_capture(capture), m_upload(upload), m_surface(surface)
{}

QList<QByteArray> ProgramSync::linesFor(const programtext::Comparison& comparison)
{
    QMap<int, QByteArray> lines;
    for (const auto& difference : comparison.missing)
        lines.insert(difference.number, difference.fileLine.toLatin1() + "\r\n");
    for (const auto& difference : comparison.differing)
        lines.insert(difference.number, difference.fileLine.toLatin1() + "\r\n");
    // A number alone deletes the line; the board answers it with its prompt like any other.
    for (const auto& difference : comparison.extra)
        lines.insert(difference.number, QByteArray::number(difference.number) + "\r\n");
    return lines.values();
}

ProgramSync::Ending ProgramSync::sync(const QString& file, bool check)
{
    m_before = {};
    m_lines.clear();
    const std::optional<QStringList> fileLines = ListingCapture::readListing(file);
    if (!fileLines) {
        m_surface.setStatusText(tr("Cannot read %1").arg(file));
        return Ending::CannotRead;
    }
    if (!m_capture.compare(ListingCapture::Purpose::Compare, *fileLines, file) ||
        m_capture.ending() != ListingCapture::Ending::Done)
        return Ending::NotCompared;
    m_before = m_capture.comparison();
    m_lines = linesFor(m_before);
    if (m_lines.isEmpty()) {
        m_surface.setStatusText(tr("Program on the board matches %1 (%2 lines): nothing sent")
                                    .arg(file, QString::number(m_before.fileLines)));
        return Ending::Matched;
    }

    m_upload.sendLines(m_lines, file);
    const ProgramUpload::Result& sent = m_upload.result();
    if (sent.end != ProgramUpload::Result::End::Done) return Ending::NotSent;
    const bool refused = !sent.problems.isEmpty();
    if (!check) return refused ? Ending::Refused : Ending::Done;
    // The check is Verify itself, so its report offers to send what is still different.
    if (!m_capture.compare(ListingCapture::Purpose::Verify, *fileLines, file) ||
        m_capture.ending() != ListingCapture::Ending::Done)
        return Ending::NotCompared;
    if (!m_capture.comparison().matches()) return Ending::Differs;
    return refused ? Ending::Refused : Ending::Done;
}
