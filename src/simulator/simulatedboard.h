// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "simulator/boardmodel.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QRandomGenerator>
#include <QTimer>

// A BoardModel behind the event loop, answering the way bytes come back from a real board: in
// chunks of varying size, always later than the write that caused them, while a running program
// keeps printing until a Ctrl-C arrives. Serves port 0 in process and the pseudo-terminal tool.
//
// The board works on each line it takes for a while (the per-line times below). The CR's echo goes out
// at once; the rest of the answer, its ">" included, only when the line is done, so a prompt means the
// board reads again. Meanwhile its one-byte UART keeps the first character that arrives (usually the LF
// behind the CR); in lossy mode the ones after it are lost, otherwise they wait as if flow-controlled.
//
// When nothing is pending and no program runs, no timer is active.
class SimulatedBoard : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        int busyMs = 0;      // how long the board works on each line before it reads again
        int busyMaxMs = 0;   // when above busyMs, each line takes a time drawn from busyMs..busyMaxMs
        int firstLineMs = 0; // when set, the first program line after "new" (into no program) takes this
        bool lossy = false;  // characters arriving meanwhile are lost, as with the board's one-byte UART
        int baud = 0;        // output leaves no faster than this, 10 bits a character; 0: at once
        quint32 seed = 1;    // chunk sizes and line times
        int maxChunk = 64;   // chunks are 1..maxChunk bytes
    };

    explicit SimulatedBoard(QObject* parent = nullptr);
    explicit SimulatedBoard(const Options& options, QObject* parent = nullptr);

    void setOptions(const Options& options);
    // Queues the sign-on.
    void open();
    // Drops everything pending and stops the program; the stored program stays.
    void close();
    bool isOpen() const { return m_open; }
    // Takes bytes from the terminal; the answer comes later through output(). Ignored when closed.
    void write(QByteArrayView bytes);
    // While held, nothing is emitted and a running program pauses once its backlog is full:
    // the pseudo-terminal tool holds the board while nobody reads the other end.
    void setHeld(bool held);

    bool hasActiveTimer() const { return m_pumpTimer.isActive() || m_busyTimer.isActive(); }
    const BoardModel& model() const { return m_model; }

signals:
    void output(const QByteArray& chunk);

private:
    void pump();
    void endBusy();
    void feedPendingInput();
    void schedule();
    int lineMs(bool firstLine);

    Options m_options;
    BoardModel m_model;
    QTimer m_pumpTimer;
    QTimer m_busyTimer;
    QRandomGenerator m_random;
    QByteArray m_pendingInput;
    QByteArray m_pendingOutput;
    QByteArray m_deferredOutput; // the answer to the line the board is busy with
    QElapsedTimer m_clock;
    qint64 m_wireFreeAtUs = 0; // when the last chunk has left at the baud rate
    bool m_open = false;
    bool m_held = false;
    bool m_busy = false;
};
