#pragma once

#include "platform/ProgramEnd.h"

class QtProgramEnd final : public ProgramEnd
{
public:
    void endProgram() override;
    bool hasEnded() const override { return m_ended; }

private:
    bool m_ended = false;
};
