#pragma once

#include <QObject>
#include <QString>

// The serial line to the board: four integer settings, open, close, SendLine and a
// receive signal. Settings are written while the line is closed and take effect at
// the next open; each reads back what was last written, except that a port that
// cannot be opened reads back 0 until it is written again (the settings dialog's
// probe relies on that).
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
    virtual int dataBits() const = 0;
    virtual void setDataBits(int bits) = 0;
    virtual int stopBits() const = 0;
    virtual void setStopBits(int bits) = 0;

    // Returns normally whatever happens; a failure is reported through problem().
    virtual void open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Sends the text unchanged, adding nothing. Does nothing on a closed line.
    virtual void sendLine(const QString& text) = 0;

signals:
    // Characters received, in arrival order. Never emitted from inside sendLine().
    void received(const QString& chunk);
    // A sentence for the status bar that names the port and device, e.g.
    // "Port 3 (/dev/ttyUSB2) cannot be opened: Permission denied".
    void problem(const QString& message);
};
