// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QPixmap>

// Korvel's own pictures, compiled into korvel_core: the window icon and the About box picture.
QIcon appIcon();
// 120 by 115 pixels.
QPixmap aboutPicture();
