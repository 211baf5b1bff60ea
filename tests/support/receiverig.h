// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fakes.h"

#include "app/commandrunner.h"
#include "app/receivepath.h"
#include "board/listingcapture.h"
#include "terminal/pause.h"
#include "terminal/terminalbuffer.h"

// The receive path with everything it dispatches to, and the command runner that holds it, on fakes.
struct ReceiveRig
{
    FakeSerialLine line;
    FakeClock clock;
    FakeFileDialog dialog;
    FakeSurface surface;
    FakePrompter prompter;
    TerminalBuffer terminal;
    Pause pause{clock};
    ListingCapture capture{line, pause, dialog, terminal, surface, prompter};
    ReceivePath receive{terminal, capture};
    CommandRunner runner{pause, receive, line, surface};
};
