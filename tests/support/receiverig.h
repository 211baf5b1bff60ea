#pragma once

#include "fakes.h"

#include "board/listingcapture.h"
#include "app/receivepath.h"
#include "terminal/terminalbuffer.h"

// The receive path with everything it dispatches to, on fakes: terminal text, listing capture.
struct ReceiveRig
{
    FakeSerialLine line;
    FakeFileDialog dialog;
    FakeSurface surface;
    TerminalBuffer terminal;
    ListingCapture capture{line, dialog, terminal, surface};
    ReceivePath receive{terminal, capture};
};
