// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/serialline.h"
#include "simulator/simulatedline.h"

// The serial line the main window holds: port 0 is the simulated board (a SimulatedLine of its own),
// every other port goes to the line it is given, the real serial port in the program. The user moves
// between them at run time (Settings, ComPort writes the port and opens again), so the choice is made
// at every setPortNumber() and the line not chosen is closed at the next open(), which also ends its
// watch for a lost port. Only the chosen line is heard: a port that comes back by itself while port 0
// is chosen says nothing.
//
// The line settings go to both lines, so either reads back what was written; the port and everything
// else read back from the chosen one (a port that cannot be opened reads back 0, see SerialLine).
class SwitchingLine : public SerialLine
{
    Q_OBJECT
public:
    explicit SwitchingLine(SerialLine& ports, QObject* parent = nullptr);

    int baudRate() const override { return chosen().baudRate(); }
    void setBaudRate(int baud) override;
    int portNumber() const override { return chosen().portNumber(); }
    void setPortNumber(int port) override;
    int chosenPort() const override { return m_port; }
    int dataBits() const override { return chosen().dataBits(); }
    void setDataBits(int bits) override;
    int stopBits() const override { return chosen().stopBits(); }
    void setStopBits(int bits) override;

    void open() override;
    void close() override;
    bool isOpen() const override { return chosen().isOpen(); }
    QString portLabel() const override { return chosen().portLabel(); }
    void sendLine(const QString& text) override { chosen().sendLine(text); }
    void setQuickReads(bool quick) override;

    // Port 0's line, for its board options.
    SimulatedLine& simulated() { return m_simulated; }

private:
    static constexpr int kSimulatedPort = 0;

    SerialLine& chosen() { return m_port == kSimulatedPort ? static_cast<SerialLine&>(m_simulated) : m_ports; }
    const SerialLine& chosen() const
    {
        return m_port == kSimulatedPort ? static_cast<const SerialLine&>(m_simulated) : m_ports;
    }
    void listenTo(SerialLine& line);

    SimulatedLine m_simulated;
    SerialLine& m_ports;
    int m_port = kSimulatedPort;
};
