// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulator/simulatedboard.h"

namespace {
// A running program prints only while less than this waits to go out, like a board that can send
// no faster than its baud rate.
constexpr qsizetype kBacklog = 256;
// A program without output still ticks at this pace rather than spinning the event loop.
constexpr int kStepIntervalMs = 1;
} // namespace

SimulatedBoard::SimulatedBoard(QObject* parent) : SimulatedBoard(Options{}, parent) {}

SimulatedBoard::SimulatedBoard(const Options& options, QObject* parent) : QObject(parent)
{
    setOptions(options);
    m_pumpTimer.setSingleShot(true);
    m_busyTimer.setSingleShot(true);
    // A coarse timer may end a line's time early, and then the prompt would come too soon.
    m_busyTimer.setTimerType(Qt::PreciseTimer);
    m_clock.start();
    connect(&m_pumpTimer, &QTimer::timeout, this, &SimulatedBoard::pump);
    connect(&m_busyTimer, &QTimer::timeout, this, &SimulatedBoard::endBusy);
}

void SimulatedBoard::setOptions(const Options& options)
{
    m_options = options;
    m_options.busyMs = qMax(0, options.busyMs);
    m_options.busyMaxMs = qMax(0, options.busyMaxMs);
    m_options.firstLineMs = qMax(0, options.firstLineMs);
    m_options.baud = qMax(0, options.baud);
    m_options.maxChunk = qMax(1, options.maxChunk);
    m_random.seed(options.seed);
}

void SimulatedBoard::open()
{
    close();
    m_open = true;
    m_pendingOutput = m_model.open();
    schedule();
}

void SimulatedBoard::close()
{
    m_open = false;
    m_busy = false;
    m_pendingInput.clear();
    m_pendingOutput.clear();
    m_deferredOutput.clear();
    m_pumpTimer.stop();
    m_busyTimer.stop();
}

void SimulatedBoard::write(QByteArrayView bytes)
{
    if (!m_open || bytes.isEmpty()) return;
    if (m_busy) {
        if (!m_options.lossy)
            m_pendingInput += bytes;
        else if (m_pendingInput.isEmpty())
            m_pendingInput += bytes.first(1);
        return;
    }
    m_pendingInput += bytes;
    feedPendingInput();
}

void SimulatedBoard::setHeld(bool held)
{
    m_held = held;
    schedule();
}

int SimulatedBoard::lineMs(bool firstLine)
{
    if (firstLine && m_options.firstLineMs > 0) return m_options.firstLineMs;
    if (m_options.busyMaxMs > m_options.busyMs) return int(m_random.bounded(m_options.busyMs, m_options.busyMaxMs + 1));
    return m_options.busyMs;
}

void SimulatedBoard::feedPendingInput()
{
    const bool paced = m_options.busyMs > 0 || m_options.busyMaxMs > 0 || m_options.firstLineMs > 0;
    while (!m_pendingInput.isEmpty() && !m_busy) {
        // A running program only looks for Ctrl-C, and a board that is never busy reads on at once.
        const qsizetype cr = m_model.running() || !paced ? -1 : m_pendingInput.indexOf('\r');
        const qsizetype take = cr < 0 ? m_pendingInput.size() : cr + 1;
        const bool noProgram = m_model.program().isEmpty();
        const QByteArray answer = m_model.feed(QByteArrayView(m_pendingInput).first(take));
        m_pendingInput.remove(0, take);
        const int ms = cr < 0 ? 0 : lineMs(noProgram && !m_model.program().isEmpty());
        if (ms == 0) {
            m_pendingOutput += answer;
            continue;
        }
        // The line's only CR is the last byte fed, so the first CR LF of the answer is its echo.
        const qsizetype echo = answer.indexOf("\r\n");
        const qsizetype echoEnd = echo < 0 ? answer.size() : echo + 2;
        m_pendingOutput += answer.first(echoEnd);
        m_deferredOutput = answer.sliced(echoEnd);
        // What came in the same write is still on the wire while the board works on the line.
        if (m_options.lossy) m_pendingInput.truncate(1);
        m_busy = true;
        m_busyTimer.start(ms);
    }
    schedule();
}

void SimulatedBoard::endBusy()
{
    m_busy = false;
    m_pendingOutput += m_deferredOutput;
    m_deferredOutput.clear();
    feedPendingInput();
}

void SimulatedBoard::schedule()
{
    // A program does not run on while the board is still busy with the RUN line.
    if (!m_open || m_held || (m_pendingOutput.isEmpty() && (!m_model.running() || m_busy))) {
        m_pumpTimer.stop();
        return;
    }
    if (m_pumpTimer.isActive()) return;
    if (m_pendingOutput.isEmpty()) {
        m_pumpTimer.start(kStepIntervalMs);
        return;
    }
    const qint64 waitUs = m_wireFreeAtUs - m_clock.nsecsElapsed() / 1000;
    m_pumpTimer.start(waitUs > 0 ? int((waitUs + 999) / 1000) : 0);
}

void SimulatedBoard::pump()
{
    if (!m_open || m_held) return;
    if (m_model.running() && !m_busy && m_pendingOutput.size() < kBacklog) m_pendingOutput += m_model.step();
    if (!m_pendingOutput.isEmpty()) {
        const qsizetype size = qMin<qsizetype>(m_pendingOutput.size(), m_random.bounded(1, m_options.maxChunk + 1));
        const QByteArray chunk = m_pendingOutput.first(size);
        m_pendingOutput.remove(0, size);
        if (m_options.baud > 0) {
            const qint64 nowUs = m_clock.nsecsElapsed() / 1000;
            m_wireFreeAtUs = qMax(m_wireFreeAtUs, nowUs) + size * 10 * 1000000 / m_options.baud;
        }
        // The receiver may write or close from its slot; schedule() looks at the state afterwards.
        emit output(chunk);
    }
    schedule();
}
