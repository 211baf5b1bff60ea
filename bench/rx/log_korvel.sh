#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Post-launch hook for the receive bench: turns Korvel's session log on (File, Log to File...) into
# $RXB_WORK/session.log, the way a user would, and waits until the file exists. With no window
# manager the window sits at 0,0 and the File menu is the first entry of its menu bar.
set -e
log="${RXB_WORK:?}/session.log"
win=$(timeout 20 xdotool search --sync --onlyvisible --name '^KORVEL$' | head -n 1)
xdotool mousemove --window "$win" 20 10 click 1
sleep 0.5
# Save, Load, Merge, Run, Edit, then Log to File...
xdotool key Down Down Down Down Down Down Return
sleep 1
xdotool type --delay 5 "$log"
xdotool key Return
for _ in $(seq 100); do
    [ -e "$log" ] && exit 0
    sleep 0.1
done
echo "log_korvel.sh: the log did not start ($log)" >&2
exit 1
