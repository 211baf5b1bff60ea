// SPDX-License-Identifier: GPL-3.0-or-later
#include "resources/appicon.h"

// Q_INIT_RESOURCE must stand outside any namespace. The resources sit in a static library, and
// the linker drops their object file unless something refers to it; this call is that reference.
static void initResources()
{
    Q_INIT_RESOURCE(korvel);
}

QIcon appIcon()
{
    initResources();
    QIcon icon;
    icon.addFile(QStringLiteral(":/korvel/korvel.png"));
    icon.addFile(QStringLiteral(":/korvel/korvel-32.png"));
    icon.addFile(QStringLiteral(":/korvel/korvel-16.png"));
    return icon;
}

QPixmap aboutPicture()
{
    initResources();
    return QPixmap(QStringLiteral(":/korvel/about.png"));
}
