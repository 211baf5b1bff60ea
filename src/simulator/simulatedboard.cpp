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
    connect(&m_pumpTimer, &QTimer::timeout, this, &SimulatedBoard::pump);
    connect(&m_busyTimer, &QTimer::timeout, this, &SimulatedBoard::endBusy);
}

void SimulatedBoard::setOptions(const Options& options)
{
    m_options = options;
    m_options.busyMs = qMax(0, options.busyMs);
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
    m_pumpTimer.stop();
    m_busyTimer.stop();
}

void SimulatedBoard::write(QByteArrayView bytes)
{
    if (!m_open || bytes.isEmpty()) return;
    if (m_busy) {
        if (!m_options.lossy) m_pendingInput += bytes;
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

void SimulatedBoard::feedPendingInput()
{
    while (!m_pendingInput.isEmpty() && !m_busy) {
        // A running program only looks for Ctrl-C, and a board that is never busy reads on at once.
        const qsizetype cr = m_model.running() || m_options.busyMs == 0 ? -1 : m_pendingInput.indexOf('\r');
        const qsizetype take = cr < 0 ? m_pendingInput.size() : cr + 1;
        m_pendingOutput += m_model.feed(QByteArrayView(m_pendingInput).first(take));
        m_pendingInput.remove(0, take);
        if (cr >= 0) {
            // What came in the same write is still on the wire while the board works on the line.
            if (m_options.lossy) m_pendingInput.clear();
            m_busy = true;
            m_busyTimer.start(m_options.busyMs);
        }
    }
    schedule();
}

void SimulatedBoard::endBusy()
{
    m_busy = false;
    feedPendingInput();
}

void SimulatedBoard::schedule()
{
    if (!m_open || m_held || (m_pendingOutput.isEmpty() && !m_model.running())) {
        m_pumpTimer.stop();
        return;
    }
    if (!m_pumpTimer.isActive()) m_pumpTimer.start(m_pendingOutput.isEmpty() ? kStepIntervalMs : 0);
}

void SimulatedBoard::pump()
{
    if (!m_open || m_held) return;
    if (m_model.running() && m_pendingOutput.size() < kBacklog) m_pendingOutput += m_model.step();
    if (!m_pendingOutput.isEmpty()) {
        const qsizetype size = qMin<qsizetype>(m_pendingOutput.size(), m_random.bounded(1, m_options.maxChunk + 1));
        const QByteArray chunk = m_pendingOutput.first(size);
        m_pendingOutput.remove(0, size);
        // The receiver may write or close from its slot; schedule() looks at the state afterwards.
        emit output(chunk);
    }
    schedule();
}
