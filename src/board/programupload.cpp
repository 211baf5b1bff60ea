#include "board/programupload.h"

#include "common/files.h"
#include "platform/filedialog.h"
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

} // namespace

QList<LineSplitter::Line> LineSplitter::feed(QByteArrayView bytes)
{
    QList<Line> lines;
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

ProgramUpload::ProgramUpload(SerialLine& line, Pause& pause, FileDialog& dialog, Surface& surface)
    : m_line(line), m_pause(pause), m_dialog(dialog), m_surface(surface)
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
    if (!name.isEmpty() && fileExists(name) && !send(kind, name)) closingText = QStringLiteral("Cannot read ") + name;

    // Runs whether or not anything was sent; a failure stays readable in the status bar.
    m_surface.setStatusText(closingText);
    m_surface.setProgressVisible(false);
}

bool ProgramUpload::send(Kind kind, const QString& name)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) return false;
    // The length is taken once, as a 32-bit count; the progress bar is measured against it.
    const qint64 length = file.size();
    if (length < 0 || length > std::numeric_limits<qint32>::max()) return false;

    QByteArray block;
    const auto readBlock = [&] {
        const qint64 want = std::min(kBlockSize, length - file.pos());
        block.resize(want);
        return file.read(block.data(), want) == want;
    };
    // The first block is read before anything goes out, so an unreadable file sends nothing,
    // not even the "new" that would erase the board's program.
    if (!readBlock()) return false;

    m_surface.setStatusText(QStringLiteral("Loading ") + name + QStringLiteral("..."));
    if (kind == Kind::Load) sendLine(QByteArrayLiteral("new\r\n"));

    const double step = static_cast<double>(length) / 100.0;
    LineSplitter splitter;
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
            sendLine(line.text);
        }
        moveBarTo(block.size());
        done += block.size();
        if (done >= length) break;
        if (!readBlock()) return false;
    }
    // The last line of a file often has no line end; the board still needs it.
    if (const std::optional<QByteArray> last = splitter.finish()) sendLine(*last);
    return true;
}

void ProgramUpload::sendLine(const QByteArray& text)
{
    m_line.sendLine(QString::fromLatin1(text));
    m_pause.wait(kLinePause);
}
