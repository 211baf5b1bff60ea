#include "terminal/terminalview.h"

#include "terminal/keyboard.h"
#include "terminal/terminalbuffer.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace {

bool isDrawn(QChar c)
{
    const char16_t u = c.unicode();
    if (u == u'\n' || u == u'\t') return true;
    // C0 and C1 control characters and DEL take no room on screen.
    return !(u < 0x20 || (u >= 0x7F && u < 0xA0));
}

} // namespace

TerminalView::TerminalView(TerminalBuffer& buffer, QWidget* parent) : QPlainTextEdit(parent), m_buffer(buffer)
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(false);
    // A read-only text box shows no cursor; with no blinking there is nothing to wake up for.
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_syncTimer.setSingleShot(true);
    connect(&m_syncTimer, &QTimer::timeout, this, &TerminalView::sync);
}

QString TerminalView::displayText(QStringView text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        if (isDrawn(c)) shown.append(c);
    }
    return shown;
}

qsizetype TerminalView::displayLength(QStringView text)
{
    return std::count_if(text.begin(), text.end(), isDrawn);
}

void TerminalView::requestScrollToEnd()
{
    m_scrollPending = true;
    scheduleSync();
}

void TerminalView::requestSync()
{
    scheduleSync();
}

void TerminalView::scheduleSync()
{
    if (m_syncTimer.isActive()) return;
    // A zero timeout still lets the chunks already waiting in the event loop join this sync.
    const qint64 since = m_sinceSync.isValid() ? m_sinceSync.elapsed() : kSyncIntervalMs;
    m_syncTimer.start(static_cast<int>(qMax<qint64>(0, kSyncIntervalMs - since)));
}

void TerminalView::sync()
{
    m_syncTimer.stop();
    m_sinceSync.start();
    const TerminalBuffer::Changes changes = m_buffer.takeChanges();
    QTextDocument* doc = document();
    if (changes.reset) {
        setPlainText(displayText(m_buffer.text()));
    } else {
        // Each shown character, the line breaks included, is one position in the document.
        if (const qsizetype gone = displayLength(changes.dropped); gone > 0) {
            QTextCursor cursor(doc);
            cursor.setPosition(static_cast<int>(gone), QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        }
        if (changes.added > 0) {
            QTextCursor cursor(doc);
            cursor.movePosition(QTextCursor::End);
            cursor.insertText(displayText(QStringView(m_buffer.text()).last(changes.added)));
        }
    }
    if (std::exchange(m_scrollPending, false)) {
        // The insertion point follows text added at the end by itself; only a fresh start or a
        // user's click moves it elsewhere.
        if (textCursor().position() != doc->characterCount() - 1) {
            QTextCursor end(doc);
            end.movePosition(QTextCursor::End);
            setTextCursor(end);
        }
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }
}

void TerminalView::keyPressEvent(QKeyEvent* event)
{
    const QByteArray bytes = keyboard::bytesForKey(event->key(), event->modifiers(), event->text());
    if (bytes.isEmpty()) {
        // Keys without a character (arrows, Page Up) still scroll the view.
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    // The board echoes what it takes; the display never changes by itself.
    event->accept();
    emit bytesTyped(bytes);
}
