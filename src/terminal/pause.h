#pragma once

#include <QtGlobal>

class Clock;
class ReceivePath;

// The pause between the commands Korvel types for the user. It lasts at least the time asked,
// on a monotonic clock (so midnight or a clock change cannot cut it short), and keeps the event
// loop running without user input meanwhile: the window paints, the line is read, the
// processor idles. Keys and menu choices made during it wait until the command returns.
class Pause
{
public:
    // With a receive path, chunks that arrive from the first pause of a command on wait until
    // that command has returned.
    explicit Pause(Clock& clock, ReceivePath* receive = nullptr) : m_clock(clock), m_receive(receive) {}
    void wait(float seconds);

private:
    void idleUntil(qint64 start, qint64 length);

    Clock& m_clock;
    ReceivePath* m_receive;
};
