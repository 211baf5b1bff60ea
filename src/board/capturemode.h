// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where a received chunk goes: the terminal, or the listing capture of Save Program.
enum class CaptureMode {
    Terminal = 0,     // shown in the terminal
    AwaitingEcho = 4, // "LIST" sent; the next chunk starts the capture
    Capturing = 5,    // collecting the listing until "READY" CR LF ">"
};
