#include "app/CommandLine.h"

CommandLine CommandLine::parse(const QStringList &arguments)
{
    CommandLine line;
    line.m_arguments = arguments;
    QStringList folderParts;
    bool optionsEnded = false;
    for (const QString &argument : arguments) {
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || !argument.startsWith(QLatin1Char('-'))) {
            folderParts << argument;
            continue;
        }
        QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1).toLower();
        line.m_hasOptions = true;
        line.m_optionNames << name;
        if (name == QLatin1String("help") || name == QLatin1String("h"))
            line.m_help = true;
        else if (name == QLatin1String("version"))
            line.m_version = true;
    }
    line.m_folderText = folderParts.join(QLatin1Char(' '));
    line.m_folderParts = folderParts;
    return line;
}

bool CommandLine::hasSwitch(const QString &name) const
{
    for (const QString &option : m_optionNames) {
        if (option.startsWith(name))
            return true;
    }
    return false;
}

QString CommandLine::helpText()
{
    return QStringLiteral(
        "Usage: pictarra [OPTION]... [FOLDER]\n"
        "Show the pictures of FOLDER as a slide show.\n"
        "\n"
        "With a FOLDER, Pictarra lists it, ticks every file and starts the show at once.\n"
        "Without one, it opens the folder used last and waits.\n"
        "\n"
        "  --subfolder   include the files of every sub-folder\n"
        "  --window      show in a normal window instead of full screen\n"
        "  --topwindow   show in a window that stays on top of the others\n"
        "  --stretch     stretch each picture to fit the window\n"
        "  --actual      show each picture at its actual size\n"
        "  --random      show the pictures in random order\n"
        "  --help        print this help and exit\n"
        "  --version     print the version and exit\n"
        "\n"
        "Options may be shortened to one dash and are matched by their beginning, in any\n"
        "letter case. A run started with any option does not change the saved settings;\n"
        "options that are not given take their default (full screen, fit without\n"
        "distorting, no sub-folders), and the order stays as saved unless --random is given.\n"
        "\n"
        "Settings: $XDG_CONFIG_HOME/Tarrowby Consulting/Pictarra.reg\n"
        "          (~/.config/Tarrowby Consulting/Pictarra.reg by default)\n");
}

QString CommandLine::versionText()
{
    return QStringLiteral("Pictarra " PICTARRA_VERSION_TEXT "\n");
}
