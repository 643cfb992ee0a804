#pragma once

#include "TestPlatform.h"
#include "app/ProgramState.h"
#include "app/frmMain.h"

// The main window on test doubles of every platform facility, not yet loaded or shown.
struct MainWindowFixture
{
    TestPlatform platform;
    ProgramState state;
    frmMain window{platform.platform, state};
};
