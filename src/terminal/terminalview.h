#pragma once

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTimer>

class TerminalBuffer;

// The terminal display (Text2). It shows the terminal text with CR LF and a lone LF as line
// breaks and other control characters not drawn, and sends every key that gives a character
// instead of editing. It never copies the whole terminal text per chunk: it follows the
// buffer's changes, at once after a quiet spell (a typed key's echo shows without delay) and at
// most once per kSyncIntervalMs while text keeps coming, so a burst costs a few repaints.
class TerminalView : public QPlainTextEdit
{
    Q_OBJECT
public:
    static constexpr int kSyncIntervalMs = 50;

    explicit TerminalView(TerminalBuffer& buffer, QWidget* parent = nullptr);

    // Brings the display up to the buffer now and scrolls to the end if a chunk asked for it.
    void sync();
    // Called for every chunk: the display follows shortly, then scrolls to the end.
    void requestScrollToEnd();
    // Called when the text changed without a chunk (Clear Screen, Reset).
    void requestSync();

    // The characters a terminal text shows: CR and other control characters dropped, except LF and tab.
    static QString displayText(QStringView text);

signals:
    void bytesTyped(const QByteArray& bytes);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    static qsizetype displayLength(QStringView text);

    TerminalBuffer& m_buffer;
    void scheduleSync();

    QTimer m_syncTimer;
    QElapsedTimer m_sinceSync;
    bool m_scrollPending = false;
};
