// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Whoever must see every received chunk the moment it arrives, whether the receive path then shows
// it, holds it for later or hands it to the listing capture: an upload reading the board's answers.
class ReceiveTap
{
public:
    virtual ~ReceiveTap() = default;
    virtual void chunkArrived(const QString& chunk) = 0;
};
