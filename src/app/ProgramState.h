#pragma once

#include "app/CommandLine.h"

#include <QString>
#include <QtGlobal>

// The program-wide variables, kept in one place for the whole run.
struct ProgramState
{
    CommandLine commandLine;
    // Path of the hand cursor found at start-up; "" when there is none.
    QString HandCursorFile;
    // The show is for exactly one picture and never advances.
    bool SinglePicture = false;
    // The bordered slide window's last placement, in twips.
    qint16 SlideTop = 0;
    qint16 SlideLeft = 0;
    qint16 SlideWidth = 0;
    qint16 SlideHeight = 0;
};
