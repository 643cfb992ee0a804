#include "Desktop.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>

#include <memory>
#include <vector>

namespace {

QString g_lastFailure;

// A tool that hangs must not hang the test; a tool never needs long.
constexpr int ToolTimeoutMs = 15000;

int numberAfter(const QByteArray &text, const char *label)
{
    const QRegularExpression pattern(QRegularExpression::escape(QLatin1String(label))
                                     + QStringLiteral(":\\s*(-?\\d+)"));
    const QRegularExpressionMatch match = pattern.match(QString::fromUtf8(text));
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

} // namespace

bool Desktop::run(const QString &program, const QStringList &arguments, QByteArray *output, Failure failure)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(ToolTimeoutMs)) {
        g_lastFailure = program + QStringLiteral(": ") + process.errorString();
        return false;
    }
    if (!process.waitForFinished(ToolTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        g_lastFailure = program + QStringLiteral(" ") + arguments.join(QLatin1Char(' ')) + QStringLiteral(": timed out");
        return false;
    }
    if (output)
        *output = process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        if (failure == Failure::IsAnAnswer)
            return false;
        g_lastFailure = program + QStringLiteral(" ") + arguments.join(QLatin1Char(' ')) + QStringLiteral(": ")
                        + QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        return false;
    }
    return true;
}

QString Desktop::lastFailure()
{
    return g_lastFailure;
}

QList<Desktop::WindowId> Desktop::visibleWindows(qint64 pid, const QString &title)
{
    QByteArray output;
    QStringList arguments{QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                          QStringLiteral("--pid"), QString::number(pid)};
    // xdotool takes a regular expression; the title is matched whole.
    if (!title.isEmpty())
        arguments << QStringLiteral("--name") << QLatin1Char('^') + QRegularExpression::escape(title) + QLatin1Char('$');
    // It exits 1 when it finds nothing.
    run(QStringLiteral("xdotool"), arguments, &output, Failure::IsAnAnswer);
    QList<WindowId> windows;
    for (const QByteArray &line : output.split('\n')) {
        bool ok = false;
        const WindowId id = line.trimmed().toULongLong(&ok);
        if (ok)
            windows << id;
    }
    return windows;
}

QRect Desktop::clientRect(WindowId window)
{
    QByteArray output;
    // A window that is gone has no rectangle.
    if (!run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(window)}, &output, Failure::IsAnAnswer))
        return {};
    // xwininfo's absolute position is the client area's, whatever frame the window manager
    // put around it (xdotool's getwindowgeometry counts the frame offset twice).
    return QRect(numberAfter(output, "Absolute upper-left X"), numberAfter(output, "Absolute upper-left Y"),
                 numberAfter(output, "Width"), numberAfter(output, "Height"));
}

QRect Desktop::frameRect(WindowId window)
{
    const QRect client = clientRect(window);
    QByteArray output;
    if (client.isEmpty()
        || !run(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window), QStringLiteral("_NET_FRAME_EXTENTS")},
                &output, Failure::IsAnAnswer))
        return {};
    // "_NET_FRAME_EXTENTS(CARDINAL) = left, right, top, bottom"
    const QList<QByteArray> parts = output.mid(output.indexOf('=') + 1).split(',');
    if (parts.size() != 4)
        return client;
    const int left = parts[0].trimmed().toInt();
    const int right = parts[1].trimmed().toInt();
    const int top = parts[2].trimmed().toInt();
    const int bottom = parts[3].trimmed().toInt();
    return client.adjusted(-left, -top, right, bottom);
}

Desktop::WindowId Desktop::activeWindow()
{
    QByteArray output;
    if (!run(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")}, &output, Failure::IsAnAnswer))
        return 0;
    return output.trimmed().toULongLong();
}

bool Desktop::activate(WindowId window)
{
    if (activeWindow() == window)
        return true;
    if (!run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QString::number(window)}))
        return false;
    return QTest::qWaitFor([window] { return activeWindow() == window; }, TimeoutMs);
}

bool Desktop::pressKeys(const QStringList &keys)
{
    return run(QStringLiteral("xdotool"), QStringList{QStringLiteral("key")} + keys);
}

bool Desktop::click(QPoint screenPosition)
{
    return run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("--sync"),
                                           QString::number(screenPosition.x()), QString::number(screenPosition.y()),
                                           QStringLiteral("click"), QStringLiteral("1")});
}

bool Desktop::requestClose(WindowId window)
{
    return run(QStringLiteral("wmctrl"), {QStringLiteral("-i"), QStringLiteral("-c"), QString::number(window)});
}

bool Desktop::requestCloseAll(const QList<WindowId> &windows)
{
    std::vector<std::unique_ptr<QProcess>> requests;
    for (WindowId window : windows) {
        requests.push_back(std::make_unique<QProcess>());
        requests.back()->start(QStringLiteral("wmctrl"), {QStringLiteral("-i"), QStringLiteral("-c"), QString::number(window)});
    }
    bool allSent = true;
    for (const std::unique_ptr<QProcess> &request : requests) {
        if (!request->waitForFinished(ToolTimeoutMs) || request->exitStatus() != QProcess::NormalExit
            || request->exitCode() != 0) {
            g_lastFailure = QStringLiteral("wmctrl -c: ") + request->errorString() + QLatin1Char(' ')
                            + QString::fromLocal8Bit(request->readAllStandardError()).trimmed();
            allSent = false;
        }
    }
    return allSent;
}

bool Desktop::moveResize(WindowId window, QRect geometry)
{
    const QString where = QStringLiteral("0,%1,%2,%3,%4")
                              .arg(geometry.x())
                              .arg(geometry.y())
                              .arg(geometry.width())
                              .arg(geometry.height());
    return run(QStringLiteral("wmctrl"), {QStringLiteral("-i"), QStringLiteral("-r"), QString::number(window),
                                          QStringLiteral("-e"), where});
}

QImage Desktop::screenshot()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    return screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
}
