#pragma once

// Ends the program: every window closes at once and the event loop is left, so that no
// further window event (close or unload handling included) runs.
class ProgramEnd
{
public:
    virtual ~ProgramEnd() = default;
    virtual void endProgram() = 0;
    virtual bool hasEnded() const = 0;
};
