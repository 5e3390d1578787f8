#pragma once

// The main window of the demo tools: the test double with the program's own images, so that
// screenshots show the icons a user sees.
#include "appdoubles.h"
#include "shell/fmainimg.h"

#include <QIcon>

class PictureMainWindow : public appdoubles::TestMainWindow
{
public:
    QIcon imgMain(int index) const override { return MainImageIcon(index); }
};
