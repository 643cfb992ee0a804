#include "app/CommandLine.h"
#include "app/ProgramState.h"
#include "app/frmMain.h"
#include "platform/LocalPath.h"
#include "platform/QtPlatform.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char *argv[])
{
    // --help and --version need neither a display nor the settings.
    QStringList rawArguments;
    for (int i = 1; i < argc; ++i)
        rawArguments << LocalPath::decode(argv[i]);
    const CommandLine early = CommandLine::parse(rawArguments);
    if (early.wantsHelp() || early.wantsVersion()) {
        const QByteArray text = (early.wantsHelp() ? CommandLine::helpText() : CommandLine::versionText()).toLocal8Bit();
        std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
        return 0;
    }

    // Qt takes its own options (-platform, -style, -reverse ...) out of argv and knows nothing
    // of "--": it sees only the arguments before "--", so that every name after it reaches
    // the program as it was given.
    int toolkitArgc = 1;
    while (toolkitArgc < argc && std::strcmp(argv[toolkitArgc], "--") != 0)
        ++toolkitArgc;
    const int namesFrom = toolkitArgc;
    QApplication application(toolkitArgc, argv);
    QApplication::setApplicationName(QStringLiteral("Pictarra"));
    QApplication::setOrganizationName(QStringLiteral("Tarrowby Consulting"));
    QApplication::setApplicationVersion(QStringLiteral(PICTARRA_VERSION_TEXT));
    QGuiApplication::setDesktopFileName(QStringLiteral(PICTARRA_APP_ID));
    // The program ends only through its own exit routes, never because a window closed.
    QApplication::setQuitOnLastWindowClosed(false);

    QtPlatform platform;
    ProgramState state;
    // Qt has taken its own options out of argv by now. The rest is decoded here rather than
    // by Qt, so that a name that is not UTF-8 keeps its bytes.
    QStringList arguments;
    for (int i = 1; i < toolkitArgc; ++i)
        arguments << LocalPath::decode(argv[i]);
    for (int i = namesFrom; i < argc; ++i)
        arguments << LocalPath::decode(argv[i]);
    state.commandLine = CommandLine::parse(arguments);

    frmMain window(platform.platform(), state);
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &window, &frmMain::Form_Terminate);
    window.Form_Load();
    if (platform.platform().programEnd->hasEnded())
        return 0;
    if (!window.showRunning())
        window.show();
    return QApplication::exec();
}
