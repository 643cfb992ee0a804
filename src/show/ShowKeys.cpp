#include "show/ShowKeys.h"

#include <Qt>

const ShowKeyBinding ShowKeyTable[12] = {
    {Qt::Key_Q, ShowCommand::QuitToMenu},
    {Qt::Key_Escape, ShowCommand::EscapeToMenu},
    {Qt::Key_Space, ShowCommand::PauseOrResume},
    {Qt::Key_Left, ShowCommand::Previous},
    {Qt::Key_Up, ShowCommand::Larger},
    {Qt::Key_Right, ShowCommand::Next},
    {Qt::Key_Down, ShowCommand::Smaller},
    {Qt::Key_A, ShowCommand::ActualSize},
    {Qt::Key_E, ShowCommand::EditOrPrint},
    {Qt::Key_M, ShowCommand::Minimise},
    {Qt::Key_X, ShowCommand::ExitProgram},
    {Qt::Key_Z, ShowCommand::ZoomToFit},
};

std::optional<ShowCommand> showCommandForKey(int key)
{
    for (const ShowKeyBinding &binding : ShowKeyTable) {
        if (binding.key == key)
            return binding.command;
    }
    return std::nullopt;
}
