// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulator/switchingline.h"

SwitchingLine::SwitchingLine(SerialLine& ports, QObject* parent) : SerialLine(parent), m_ports(ports)
{
    m_simulated.setPortNumber(kSimulatedPort);
    listenTo(m_simulated);
    listenTo(m_ports);
}

void SwitchingLine::listenTo(SerialLine& line)
{
    connect(&line, &SerialLine::received, this, [this, &line](const QString& chunk) {
        if (&chosen() == &line) emit received(chunk);
    });
    connect(&line, &SerialLine::problem, this, [this, &line](const QString& message) {
        if (&chosen() == &line) emit problem(message);
    });
    connect(&line, &SerialLine::opened, this, [this, &line](const QString& note) {
        if (&chosen() == &line) emit opened(note);
    });
}

void SwitchingLine::setBaudRate(int baud)
{
    m_simulated.setBaudRate(baud);
    m_ports.setBaudRate(baud);
}

void SwitchingLine::setPortNumber(int port)
{
    m_port = port;
    chosen().setPortNumber(port);
}

void SwitchingLine::setDataBits(int bits)
{
    m_simulated.setDataBits(bits);
    m_ports.setDataBits(bits);
}

void SwitchingLine::setStopBits(int bits)
{
    m_simulated.setStopBits(bits);
    m_ports.setStopBits(bits);
}

void SwitchingLine::open()
{
    // The line left behind may still be open, or watching for its port to come back.
    if (m_port == kSimulatedPort)
        m_ports.close();
    else
        m_simulated.close();
    chosen().open();
}

void SwitchingLine::close()
{
    m_simulated.close();
    m_ports.close();
}

void SwitchingLine::setQuickReads(bool quick)
{
    m_simulated.setQuickReads(quick);
    m_ports.setQuickReads(quick);
}

