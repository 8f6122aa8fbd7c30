# SPDX-License-Identifier: MIT
# Sourced: client-area positions (pixels) of the game window's controls, for
# the end-to-end tests and scripts/screenshots.
EXIT="700 512"; START="700 168"; SETUP="700 472"; ANSWER="328 515"
LEVEL0="682 44"; LEVEL1="682 68"; LEVEL2="682 92"; LEVEL3="682 116"
