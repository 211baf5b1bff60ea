// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <chrono>

class QFileSystemWatcher;

// Tells when a device may have come back: a file-system watch on the folders that hold the paths
// (each path's nearest folder that exists), so nothing wakes while nothing changes there. Where no
// watch can be set, or where asked to (a device that is there but refused to open), it looks once
// a second instead. Stopped, it holds neither a watch nor a timer.
class DeviceWatch : public QObject
{
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kPollInterval{1000};

    explicit DeviceWatch(QObject* parent = nullptr);
    ~DeviceWatch() override;

    // Watches for the paths (replacing what was watched before); poll adds the once-a-second look.
    void watch(const QStringList& paths, bool poll);
    void stop();
    bool isActive() const;
    // The folders watched now; empty when only the timer looks.
    QStringList folders() const;
    // Off: the timer alone, as where the system has no file-system watch (tests, the benchmark).
    void setFileSystemWatchAllowed(bool allowed) { m_fileSystemWatchAllowed = allowed; }

    // The nearest folder of path that exists: "/dev/serial/by-id/x" gives "/dev" while there is no
    // /dev/serial.
    static QString nearestFolder(const QString& path);

signals:
    // Something changed in a watched folder, or the timer looked. Owners count these as wakeups.
    void changed();

private:
    void dropWatcher();

    QPointer<QFileSystemWatcher> m_watcher; // a child; only while watching
    QTimer m_poll;
    bool m_fileSystemWatchAllowed = true;
};
