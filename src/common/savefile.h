#pragma once

#include <QByteArray>
#include <QString>

// Writes the whole of data to path through a temporary file renamed over it, so the old file
// stays whole unless the new one was written completely. False when anything fell short.
bool saveWholeFile(const QString& path, const QByteArray& data);
