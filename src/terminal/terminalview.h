// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTimer>

class QMenu;

class TerminalBuffer;

// The terminal display (Text2). It shows the terminal text as a terminal draws it: CR LF and a
// lone LF as line breaks, a BS takes the character before it off the screen (so the board's
// "\b \b" erases one), other control characters not drawn. It sends every key that gives a
// character instead of editing, and shows a steady caret at the end of the text while it has
// the focus, where the board's echo of the next key will appear.
//
// It never copies the whole terminal text per chunk: it follows the buffer's changes, at once
// after a quiet spell (a typed key's echo shows without delay) and at most once per
// kSyncIntervalMs while text keeps coming. Each sync repaints the whole view, and a stream at
// 115200 baud costs about as many repaints as syncs: ten a second keep it near a text-mode
// terminal's cost, twenty took twice that.
class TerminalView : public QPlainTextEdit
{
    Q_OBJECT
public:
    static constexpr int kSyncIntervalMs = 100;

    explicit TerminalView(TerminalBuffer& buffer, QWidget* parent = nullptr);
    ~TerminalView() override;

    // Brings the display up to the buffer now and scrolls to the end if a chunk asked for it.
    void sync();
    // Called for every chunk: the display follows shortly, then scrolls to the end.
    void requestScrollToEnd();
    // Called when the text changed without a chunk (Clear Screen, Reset).
    void requestSync();

    // What a terminal shows of this text, read from its start at the start of a line.
    static QString displayText(QStringView text);

    // The context menu: Copy (the selection), Paste, Select All.
    QMenu* createContextMenu(QWidget* parent);

    // The characters a row holds and the rows in sight, at the view's size and font.
    QSize grid() const;
    // The size the view needs to show `grid` in `font`: the window grows with the font by this.
    QSize sizeForGrid(QSize grid, const QFont& font) const;

signals:
    void bytesTyped(const QByteArray& bytes);
    // Ctrl+Shift+V, Shift+Insert or the context menu's Paste: the window decides what goes out.
    void pasteRequested();

protected:
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void scheduleSync();
    void applyChanges();
    void appendShown(QStringView added);
    static void keepGlyphs(QTextBlock from);

    TerminalBuffer& m_buffer;
    QTimer m_syncTimer;
    QElapsedTimer m_sinceSync;
    bool m_scrollPending = false;
};
