// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/devicewatch.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>

DeviceWatch::DeviceWatch(QObject* parent) : QObject(parent)
{
    m_poll.setInterval(kPollInterval);
    // A coarse timer may fire up to 5% early; once a second means at most once a second.
    m_poll.setTimerType(Qt::PreciseTimer);
    connect(&m_poll, &QTimer::timeout, this, &DeviceWatch::changed);
}

DeviceWatch::~DeviceWatch() = default;

QString DeviceWatch::nearestFolder(const QString& path)
{
    QString folder = QFileInfo(path).absolutePath();
    while (!QFileInfo(folder).isDir()) {
        const QString up = QFileInfo(folder).absolutePath();
        if (up == folder) break;
        folder = up;
    }
    return QDir::cleanPath(folder);
}

void DeviceWatch::watch(const QStringList& paths, bool poll)
{
    QStringList wanted;
    for (const QString& path : paths) {
        const QString folder = nearestFolder(path);
        if (!wanted.contains(folder)) wanted.append(folder);
    }
    if (!m_fileSystemWatchAllowed || wanted.isEmpty()) dropWatcher();
    bool watched = false;
    if (m_fileSystemWatchAllowed && !wanted.isEmpty()) {
        if (!m_watcher) {
            m_watcher = new QFileSystemWatcher(this);
            connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &DeviceWatch::changed);
        }
        const QStringList now = m_watcher->directories();
        QStringList gone;
        for (const QString& folder : now) {
            if (!wanted.contains(folder)) gone.append(folder);
        }
        if (!gone.isEmpty()) m_watcher->removePaths(gone);
        QStringList added;
        for (const QString& folder : wanted) {
            if (!now.contains(folder)) added.append(folder);
        }
        if (!added.isEmpty()) m_watcher->addPaths(added);
        // A folder the system would not watch (out of inotify watches, say) is left to the timer.
        watched = m_watcher->directories().size() == wanted.size();
    }
    if (poll || !watched) {
        if (!m_poll.isActive()) m_poll.start();
    } else {
        m_poll.stop();
    }
}

void DeviceWatch::stop()
{
    dropWatcher();
    m_poll.stop();
}

void DeviceWatch::dropWatcher()
{
    // The watcher goes with its inotify descriptor, so a line that works again costs nothing at all.
    // Later, not at once: this is often called from inside the watcher's own signal.
    if (m_watcher) {
        m_watcher->disconnect(this);
        m_watcher->deleteLater();
        m_watcher = nullptr;
    }
}

bool DeviceWatch::isActive() const
{
    return m_watcher || m_poll.isActive();
}

QStringList DeviceWatch::folders() const
{
    return m_watcher ? m_watcher->directories() : QStringList();
}
