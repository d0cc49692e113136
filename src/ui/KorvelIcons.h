#pragma once

#include <QIcon>

// The tool-bar pictures of the main window's actions, drawn by the program (16 px, also at 32 px for
// high-density screens), by their index in the image list:
// 0 data entry, 1 run, 2 pause, 3 stop, 4 exit, 5 about, 6 temperature chart, 8 model parameters,
// 9 carbon surface, 12 sulphur surface, 13 tile, 14 cascade. An unknown index gives a null icon.
QIcon KorvelIcon(int imageIndex);
