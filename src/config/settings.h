// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class Profile;
class SerialLine;

// Korvel.ini between runs: the four serial settings in section "ComPort" and the memory top in
// section "MTop". Read once at start-up, before the line is opened; written once by Exit, after
// it is closed. The order of the reads and writes is kept as the program has always had it, each
// setting applied to the line as soon as it is read.
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

private:
    Profile& m_profile;
};
