#!/usr/bin/env bash
# Makes the help file's pictures from the screenshots that the end-to-end tests take of the
# real program (build/win64/screenshots, after scripts/test.sh): each cut to the windows it
# shows. The pictures are committed, so that building the help needs no test run.
set -euo pipefail
cd "$(dirname "$0")/.."
shots=build/win64/screenshots
out=resources/help/images
mkdir -p "$out"
picture() { # screenshot, help picture
    # Wine's own tray window at the top left is not part of the program.
    convert "$shots/$1.png" -fill black -draw "rectangle 0,0 220,70" -trim +repage \
        -resize '640x640>' -strip "$out/$2.png"
}
picture main-window main-window
picture face-white clock-white
picture face-metal clock-metal
picture colour-dialog colour-dialog
picture editing-a-row editing
picture event-not-stored not-stored
picture missed-event-notices missed
picture today-window today
picture settings-dialog settings
picture tray-menu tray-menu
picture about-notice about
picture warning warning
# The warning alone, in the lower right corner, with what opens from it.
corner() { # screenshot, help picture
    convert "$shots/$1.png" -crop 440x260+840+764 +repage -trim +repage -strip PNG8:"$out/$2.png"
}
corner warning-later warning-later
corner warning-later-policy warning-later-policy
ls -la "$out"
