// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fakes.h"

#include "app/receivepath.h"
#include "board/listingcapture.h"
#include "terminal/terminalbuffer.h"

// The receive path with everything it dispatches to, on fakes: terminal text, listing capture.
struct ReceiveRig
{
    FakeSerialLine line;
    FakeFileDialog dialog;
    FakeSurface surface;
    FakePrompter prompter;
    TerminalBuffer terminal;
    ListingCapture capture{line, dialog, terminal, surface, prompter};
    ReceivePath receive{terminal, capture};
};
