#pragma once

#include "files/ScanHost.h"

#include <QStringList>

#include <functional>

// The main window's side of a scan, recorded: every count line handed over, every move of the
// folder box, and hooks that run in place of event processing (the user's clicks, or anything
// else that may happen while the window's events run).
class FakeScanHost final : public ScanHost
{
public:
    void processPendingEvents() override
    {
        ++eventRounds;
        if (onEvents)
            onEvents(eventRounds);
    }
    void setCountLine(const QString &text) override { countLines.append(text); }
    bool moveFolderBox(const QString &folder) override
    {
        boxMoves.append(folder);
        return onMoveFolderBox ? onMoveFolderBox(folder) : true;
    }
    bool scanStopped() const override { return stopped; }

    // The count line as the window would show it; "" when the scan never set it.
    QString countLine() const { return countLines.isEmpty() ? QString() : countLines.last(); }

    int eventRounds = 0;
    bool stopped = false;
    QStringList countLines;
    QStringList boxMoves;
    std::function<void(int round)> onEvents;
    std::function<bool(const QString &folder)> onMoveFolderBox;
};
