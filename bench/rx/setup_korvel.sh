#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Hook for the pseudo-terminal receive bench: points Korvel's port 1 at the bench's pty ($1) through
# the program's own settings file in the run's scratch folder (XDG_CONFIG_HOME={work}/cfg).
set -e
cfg="${RXB_WORK:?}/cfg"
mkdir -p "$cfg"
cat > "$cfg/Korvel.ini" <<INI
[ComPort]
Baud= ${RXB_BAUD:-115200}
Databits= 8
Stopbits= 1
Port= 1
[MTop]
MTop= 32768
[Ports]
1=$1
INI
