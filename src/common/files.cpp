// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/files.h"

#include <QFileInfo>
#include <QSaveFile>

bool fileExists(const QString& path)
{
    if (path.isEmpty()) return false;
    // isFile() is false for directories, devices and pipes; a name starting with a dot is
    // what counts as hidden here.
    const QFileInfo info(path);
    return info.isFile() && !info.isHidden();
}

bool saveWholeFile(const QString& path, const QByteArray& data)
{
    // QSaveFile in Qt 6.4 commits a short file when the disk fills up: a failed flush does not stop
    // commit(), and a write cut short by the system reports no error. Unbuffered, a short write shows
    // in the count, and anything short cancels the rename.
    QSaveFile save(path);
    if (!save.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return false;
    if (save.write(data) != data.size() || !save.flush() || save.error() != QFileDevice::NoError) {
        save.cancelWriting();
        return false;
    }
    return save.commit();
}
