#include "board/listingcapture.h"

#include "common/files.h"
#include "platform/filedialog.h"
#include "platform/serialline.h"
#include "terminal/surface.h"
#include "terminal/terminalbuffer.h"

#include <algorithm>

ListingCapture::ListingCapture(SerialLine& line, FileDialog& dialog, TerminalBuffer& terminal, Surface& surface)
    : m_line(line), m_dialog(dialog), m_terminal(terminal), m_surface(surface)
{}

void ListingCapture::saveProgram()
{
    m_surface.setProgressValue(0.0f);
    m_surface.setProgressVisible(false);

    const std::optional<QString> chosen =
        m_dialog.ask({FileRequest::Mode::Save, FileDialog::kListingFilter, FileDialog::kListingSuffix, QString()});
    if (!chosen || chosen->isEmpty()) return;
    const QString name = *chosen;
    m_line.sendLine(QStringLiteral("LIST\r\n"));
    m_terminal.clear();
    m_mode = CaptureMode::AwaitingEcho;
    m_target = name;
    m_surface.setStatusText(QStringLiteral("Saving ") + name + QStringLiteral(" ..."));
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
    // This chunk is not searched for the end marker yet; the first capture step scans it all.
    m_scanFrom = 0;
}

void ListingCapture::captureStep(const QString& chunk)
{
    if (m_mode != CaptureMode::Capturing) return;
    m_buffer.append(chunk);

    // A marker found means the capture ends with this chunk, so every earlier scan found none:
    // a new one can only start in the last 7 characters of the old text or in the new text.
    qsizetype last = -1;
    for (qsizetype at = m_buffer.indexOf(kEndMarker, m_scanFrom); at >= 0; at = m_buffer.indexOf(kEndMarker, at + 1))
        last = at;
    m_scanFrom = std::max<qsizetype>(0, m_buffer.size() - (kEndMarker.size() - 1));
    if (last < 0) return;

    // With several prompts in the buffer the file holds everything in front of the last one,
    // the earlier prompts included.
    m_mode = CaptureMode::Terminal;
    write(QStringView(m_buffer).first(last));
}

void ListingCapture::write(QStringView text)
{
    // Written beside the target and renamed over it, so a failed write leaves the old file as it was.
    QByteArray bytes = text.toLatin1();
    bytes.append("\r\n");
    m_surface.setStatusText(saveWholeFile(m_target, bytes) ? QString() : QStringLiteral("Cannot write ") + m_target);
}
