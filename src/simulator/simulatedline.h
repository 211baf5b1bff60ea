// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/serialline.h"
#include "simulator/simulatedboard.h"

// The simulated board as a serial line in process: what port 0 stands for, so Korvel can be tried
// without hardware. Every port opens and reads back as written; the line settings are only kept, as
// the board answers at once whatever they are. The board keeps its program across a close, as its RAM
// would, and signs on at every open.
class SimulatedLine : public SerialLine
{
    Q_OBJECT
public:
    explicit SimulatedLine(QObject* parent = nullptr);

    int baudRate() const override { return m_baudRate; }
    void setBaudRate(int baud) override { m_baudRate = baud; }
    int portNumber() const override { return m_portNumber; }
    void setPortNumber(int port) override { m_portNumber = port; }
    int dataBits() const override { return m_dataBits; }
    void setDataBits(int bits) override { m_dataBits = bits; }
    int stopBits() const override { return m_stopBits; }
    void setStopBits(int bits) override { m_stopBits = bits; }

    void open() override;
    void close() override;
    bool isOpen() const override { return m_open; }
    QString portLabel() const override;
    void sendLine(const QString& text) override;

    // Busy time, loss and chunking of the board; takes effect at the next open.
    void setBoardOptions(const SimulatedBoard::Options& options) { m_board.setOptions(options); }

private:
    void deliverBoardOutput(const QByteArray& chunk);

    SimulatedBoard m_board;
    int m_baudRate = 0;
    int m_portNumber = 0;
    int m_dataBits = 0;
    int m_stopBits = 0;
    bool m_open = false;
};
