// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulator/simulatedline.h"

SimulatedLine::SimulatedLine(QObject* parent) : SerialLine(parent)
{
    connect(&m_board, &SimulatedBoard::output, this, &SimulatedLine::deliverBoardOutput);
}

void SimulatedLine::open()
{
    close();
    m_open = true;
    // The sign-on is only queued: nothing arrives from inside open(), as with a real port.
    m_board.open();
    emit opened(QString());
}

void SimulatedLine::close()
{
    m_open = false;
    m_board.close();
}

QString SimulatedLine::portLabel() const
{
    return tr("port %1 (the simulated board)").arg(m_portNumber);
}

void SimulatedLine::sendLine(const QString& text)
{
    if (!m_open || text.isEmpty()) return;
    // toLatin1 turns every character above 255 into "?", one byte per character as the board expects.
    m_board.write(text.toLatin1());
}

void SimulatedLine::deliverBoardOutput(const QByteArray& chunk)
{
    if (m_open) emit received(QString::fromLatin1(chunk));
}

