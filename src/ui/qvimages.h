#pragma once

class QIcon;

// Image index of the main image list (object-type icons and the tool-bar images): the main
// window's list when there is a main window, otherwise a stand-in from the desktop style, so
// that windows built without a main window (tools, tests) still show their buttons.
QIcon MainImage(int index);
