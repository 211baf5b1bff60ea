// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

// The serial line to the board: four integer settings, open, close, SendLine and a
// receive signal. Settings are written while the line is closed and take effect at
// the next open; each reads back what was last written, except that a port that
// cannot be opened reads back 0 until it is written again (the settings dialog's
// probe relies on that). The port the user chose is kept apart from that read-back:
// chosenPort() is what Exit stores and the settings dialog shows, opened or not.
//
// Characters and bytes map one to one (Latin-1): a character above 255 goes out as "?".
class SerialLine : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual int baudRate() const = 0;
    virtual void setBaudRate(int baud) = 0;
    virtual int portNumber() const = 0;
    virtual void setPortNumber(int port) = 0;
    // The port last written, whether or not it could be opened. (Only a line whose ports always
    // open may leave this to the read-back.)
    virtual int chosenPort() const { return portNumber(); }
    virtual int dataBits() const = 0;
    virtual void setDataBits(int bits) = 0;
    virtual int stopBits() const = 0;
    virtual void setStopBits(int bits) = 0;

    // Returns normally whatever happens; a failure is reported through problem(). A port that
    // could not be opened or was lost later may come back by itself (see opened()) until close().
    virtual void open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // The chosen port as a status text names it: "port 1 (/dev/ttyUSB0)".
    virtual QString portLabel() const { return tr("port %1").arg(chosenPort()); }
    // The same at the start of a sentence: "Port 1 (/dev/ttyUSB0)".
    QString portName() const
    {
        QString name = portLabel();
        if (!name.isEmpty()) name[0] = name[0].toUpper();
        return name;
    }

    // Sends the text unchanged, adding nothing. Does nothing on a closed line.
    virtual void sendLine(const QString& text) = 0;
    // While on, received bytes are handed over as soon as they arrive, at the cost of more
    // wakeups: a prompt-paced upload waits for the board's ">" and each millisecond counts.
    virtual void setQuickReads(bool quick) { Q_UNUSED(quick); }

signals:
    // Characters received, in arrival order. Never emitted from inside sendLine().
    void received(const QString& chunk);
    // A sentence for the status bar that names the port and device, e.g.
    // "Port 3 (/dev/ttyUSB2) cannot be opened: Permission denied".
    void problem(const QString& message);
    // The line opened: through open(), or by itself after the chosen port came back, when note
    // says so for the status bar ("Port 1 (/dev/ttyUSB0) is back"); else note is empty.
    void opened(const QString& note);
};
