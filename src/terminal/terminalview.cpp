// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/terminalview.h"

#include "terminal/keyboard.h"
#include "terminal/terminalbuffer.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include <cmath>

namespace {

bool isDrawn(QChar c)
{
    const char16_t u = c.unicode();
    if (u == u'\n' || u == u'\t') return true;
    // C0 and C1 control characters and DEL take no room on screen.
    return !(u < 0x20 || (u >= 0x7F && u < 0xA0));
}

// What a piece of terminal text does to a display that already shows some text: first erase
// `erased` characters at its end (BSs that found nothing of this piece left on its first line),
// then show `length` characters. A BS never takes a line break: it stops at the start of the
// line, as a terminal's cursor does. The start of the piece counts as the start of a line when
// nothing stands before it, which is how the view's start-over and the trim see it, so the
// display after a trim is always the tail of the display before it.
struct Rendering
{
    qsizetype erased = 0;
    qsizetype length = 0;
};

Rendering renderErasing(QStringView text, QString* shown)
{
    Rendering result;
    qsizetype line = 0; // characters shown since the last line break of this piece
    bool broken = false;
    for (const QChar c : text) {
        if (c == u'\b') {
            if (line > 0) {
                --line;
                --result.length;
                if (shown) shown->chop(1);
            } else if (!broken) {
                ++result.erased;
            }
            continue;
        }
        if (!isDrawn(c)) continue;
        if (shown) shown->append(c);
        ++result.length;
        if (c == u'\n') {
            line = 0;
            broken = true;
        } else {
            ++line;
        }
    }
    return result;
}

constexpr int kCaretWidth = 2;

} // namespace

TerminalView::TerminalView(TerminalBuffer& buffer, QWidget* parent) : QPlainTextEdit(parent), m_buffer(buffer)
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(false);
    // Selectable by mouse only: the text box then keeps no blinking cursor of its own, which
    // would wake the program twice a second; paintEvent() draws a steady caret instead.
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_syncTimer.setSingleShot(true);
    connect(&m_syncTimer, &QTimer::timeout, this, &TerminalView::sync);
    m_buffer.setClearListener([this] { sync(); });
}

TerminalView::~TerminalView()
{
    m_buffer.setClearListener({});
}

QString TerminalView::displayText(QStringView text)
{
    QString shown;
    shown.reserve(text.size());
    renderErasing(text, &shown);
    return shown;
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
    applyChanges();
    if (std::exchange(m_scrollPending, false)) {
        // The insertion point follows text added at the end by itself; only a fresh start or a
        // user's click moves it elsewhere. A selection stays, so it can still be copied.
        QTextDocument* doc = document();
        if (!textCursor().hasSelection() && textCursor().position() != doc->characterCount() - 1) {
            QTextCursor end(doc);
            end.movePosition(QTextCursor::End);
            setTextCursor(end);
        }
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }
}

void TerminalView::applyChanges()
{
    const TerminalBuffer::Changes changes = m_buffer.takeChanges();
    const QString& text = m_buffer.text();
    if (changes.reset) {
        setPlainText(displayText(text));
        keepGlyphs(document()->firstBlock());
        return;
    }
    QTextDocument* doc = document();
    if (changes.dropped > 0) {
        // The document shows what the view last saw; the part of that still in the text shows as
        // the document's tail (a BS near the cut may have erased characters before it), so
        // everything in front of that tail goes. Each shown character is one document position.
        const qsizetype kept = renderErasing(QStringView(text).first(text.size() - changes.added), nullptr).length;
        const qsizetype gone = doc->characterCount() - 1 - kept;
        if (gone > 0) {
            QTextCursor cursor(doc);
            cursor.setPosition(static_cast<int>(gone), QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        }
    }
    if (changes.added > 0) appendShown(QStringView(text).last(changes.added));
}

void TerminalView::appendShown(QStringView added)
{
    QString shown;
    shown.reserve(added.size());
    const Rendering rendering = renderErasing(added, &shown);
    QTextDocument* doc = document();
    const int end = doc->characterCount() - 1;
    // Erasing reaches back into the last line shown, never past its start.
    const int erase = static_cast<int>(qMin<qsizetype>(rendering.erased, doc->lastBlock().length() - 1));
    if (erase == 0 && shown.isEmpty()) return;
    QTextBlock first = doc->lastBlock();
    QTextCursor cursor(doc);
    // In an edit block the cursor does not lay out the line to find its x at each move.
    cursor.beginEditBlock();
    cursor.setPosition(end - erase);
    if (erase > 0) {
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    if (!shown.isEmpty()) cursor.insertText(shown);
    // Before the edit ends: that is when the new lines are laid out, and shaped.
    keepGlyphs(first);
    cursor.endEditBlock();
}

void TerminalView::keepGlyphs(QTextBlock from)
{
    // A line's glyphs are kept once shaped, so a repaint draws them instead of shaping every line
    // on screen again: a stream at 115200 baud repaints the whole view several times a second.
    for (QTextBlock block = from; block.isValid(); block = block.next())
        block.layout()->setCacheEnabled(true);
}

bool TerminalView::focusNextPrevChild(bool)
{
    // Tab is a key for the board like any other, whatever else in the window takes the focus.
    return false;
}

void TerminalView::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const int key = event->key();
    // Ctrl+C stays ^C for the board; the clipboard keys are the shifted ones, as in terminals.
    if ((modifiers == (Qt::ControlModifier | Qt::ShiftModifier) && key == Qt::Key_C) ||
        (modifiers == Qt::ControlModifier && key == Qt::Key_Insert)) {
        copy();
        event->accept();
        return;
    }
    if ((modifiers == (Qt::ControlModifier | Qt::ShiftModifier) && key == Qt::Key_V) ||
        (modifiers == Qt::ShiftModifier && key == Qt::Key_Insert)) {
        event->accept();
        emit pasteRequested();
        return;
    }
    const QByteArray bytes = keyboard::bytesForKey(key, event->modifiers(), event->text());
    if (bytes.isEmpty()) {
        // Keys without a character (arrows, Page Up) still scroll the view.
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    // The board echoes what it takes; the display never changes by itself.
    event->accept();
    emit bytesTyped(bytes);
}

QMenu* TerminalView::createContextMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    QAction* copyAction = menu->addAction(tr("Copy"), this, &QPlainTextEdit::copy);
    copyAction->setObjectName(QStringLiteral("copy"));
    copyAction->setEnabled(textCursor().hasSelection());
    menu->addAction(tr("Paste"), this, &TerminalView::pasteRequested)->setObjectName(QStringLiteral("paste"));
    menu->addSeparator();
    menu->addAction(tr("Select All"), this, &QPlainTextEdit::selectAll)->setObjectName(QStringLiteral("selectAll"));
    return menu;
}

namespace {

// A monospaced font's cell: the width of a character and the height of a line.
QSizeF cellOf(const QFont& font)
{
    const QFontMetricsF metrics(font);
    return {metrics.horizontalAdvance(u'M'), metrics.height()};
}

} // namespace

QSize TerminalView::grid() const
{
    // From the view's own size, so it holds before the view was first shown and laid out.
    const QSizeF cell = cellOf(font());
    const double margins = 2 * document()->documentMargin() + 2 * frameWidth();
    const double width = size().width() - margins - verticalScrollBar()->sizeHint().width();
    return {static_cast<int>(width / cell.width()), static_cast<int>((size().height() - margins) / cell.height())};
}

QSize TerminalView::sizeForGrid(QSize grid, const QFont& font) const
{
    // Around the text: the document's margins, the frame, and the scroll bar that is always there.
    const QSizeF cell = cellOf(font);
    const int margins = static_cast<int>(std::ceil(2 * document()->documentMargin())) + 2 * frameWidth();
    return {static_cast<int>(std::ceil(grid.width() * cell.width())) + margins +
                verticalScrollBar()->sizeHint().width(),
            static_cast<int>(std::ceil(grid.height() * cell.height())) + margins};
}

void TerminalView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void TerminalView::paintEvent(QPaintEvent* event)
{
    QPlainTextEdit::paintEvent(event);
    if (!hasFocus()) return;
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    QRect caret = cursorRect(end);
    caret.setWidth(kCaretWidth);
    if (!event->rect().intersects(caret)) return;
    QPainter painter(viewport());
    painter.fillRect(caret, palette().color(QPalette::Text));
}

void TerminalView::focusInEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusInEvent(event);
    viewport()->update();
}

void TerminalView::focusOutEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusOutEvent(event);
    viewport()->update();
}
