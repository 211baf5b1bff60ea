// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class Profile;
class SerialLine;
enum class Pacing; // board/programupload.h

/*
 * Who owns each section of Korvel.ini. Only the owner reads or writes its section; a dialog is
 * handed values and hands values back, and the main window passes them on to the owner.
 *
 *   [ComPort]  SettingsFile (here)                 the four serial settings: read at start-up, written by Exit
 *   [MTop]     SettingsFile                        the memory top: the same
 *   [Upload]   SettingsFile                        the upload pacing: read at start-up, written on the Upload
 *                                                  dialog's OK
 *   [Terminal] SettingsFile                        the terminal's font size: read at start-up, written by Exit
 *   [Ports]    PortMap (platform/portmap.h)        port numbers to devices: read on every open, written on a
 *                                                  choice in the Ports dialog
 *   [Log]      SessionLog (terminal/sessionlog.h)  the last log file: proposed when logging starts, written
 *                                                  when it has started
 */

// Korvel.ini between runs: the four serial settings in section "ComPort", the memory top in section
// "MTop" and the upload pacing in section "Upload". The serial settings and the memory top are read
// once at start-up, before the line is opened, and written once by Exit, after it is closed. The
// order of the reads and writes is kept as the program has always had it, each setting applied to
// the line as soon as it is read.
class SettingsFile
{
public:
    explicit SettingsFile(Profile& profile);

    // Sets baud rate, data bits, stop bits and port on the line, in that order (0 for a missing
    // or unreadable value), and returns the memory top (32768 when missing or 0).
    double load(SerialLine& line);

    // Writes the line's four settings and the memory top as signed number text. The port is the one
    // the user chose, also when it could not be opened, so the next start tries it again. Every
    // value is attempted; false when any of them could not be written.
    bool save(const SerialLine& line, double mtop);

    // "Pacing=Prompt" (in any case) is the prompt; missing or anything else the fixed pause.
    Pacing pacing() const;
    // Written as soon as it is chosen, not at Exit: closing the main window by its close box writes
    // nothing. False when it could not be; the choice holds for this run anyway.
    bool savePacing(Pacing pacing);

    // The terminal's font size in points as written, 0 when missing or no number; the window
    // brings it within its range. Written by Exit after the others, as plain decimal text.
    double fontSize() const;
    bool saveFontSize(double points);

private:
    Profile& m_profile;
};
