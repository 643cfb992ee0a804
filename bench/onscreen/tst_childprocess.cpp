// A measured program runs with a home of its own, fresh each run and removed afterwards, and
// ending it ends everything it started, even what ignores a polite request to stop.
#include "ChildProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <stdexcept>

namespace {

QMap<QString, QString> environmentOf(const QString &envOutput)
{
    QMap<QString, QString> variables;
    for (const QString &line : envOutput.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        variables.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
    return variables;
}

// Processes whose command line holds `marker` / begins with `start`.
int processesMatching(const std::function<bool(const QByteArray &)> &matches)
{
    int found = 0;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (commandLine.open(QIODevice::ReadOnly) && matches(commandLine.readAll()))
            ++found;
    }
    return found;
}

int processesWith(const QByteArray &marker)
{
    return processesMatching([&marker](const QByteArray &line) { return line.contains(marker); });
}

int processesStartingWith(const QByteArray &start)
{
    return processesMatching([&start](const QByteArray &line) { return line.startsWith(start); });
}

} // namespace

class tst_ChildProcess : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void eachRunHasAFreshHomeOfItsOwn()
    {
        QTemporaryDir folder;
        qputenv("BENCH_TEST_DROPPED", "shared");
        QStringList homes;
        for (int run = 0; run < 2; ++run) {
            const QString output = folder.filePath(QStringLiteral("env-%1.txt").arg(run));
            ChildProcess::Options options;
            options.environment = {{"QT_QPA_PLATFORM", "xcb"}, {"BENCH_TEST_DROPPED", ""}};
            options.outputPath = output.toStdString();
            {
                ChildProcess env({"env"}, options);
                QVERIFY(env.waitForExit(ChildProcess::Clock::now() + std::chrono::seconds(20)));
                QVERIFY(env.exitTime() >= env.startTime());
                env.end();
                QVERIFY(env.exitedCleanly());
            }
            QFile file(output);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QMap<QString, QString> variables = environmentOf(QString::fromUtf8(file.readAll()));
            const QString home = variables.value(QStringLiteral("HOME"));
            QVERIFY(!home.isEmpty());
            QCOMPARE(variables.value(QStringLiteral("XDG_CONFIG_HOME")), home + QStringLiteral("/config"));
            QCOMPARE(variables.value(QStringLiteral("XDG_CACHE_HOME")), home + QStringLiteral("/cache"));
            QCOMPARE(variables.value(QStringLiteral("QT_QPA_PLATFORM")), QStringLiteral("xcb"));
            QVERIFY(!variables.contains(QStringLiteral("BENCH_TEST_DROPPED")));
            QVERIFY2(!QFileInfo::exists(home), qPrintable(home));
            homes << home;
        }
        QVERIFY(homes[0] != homes[1]);
        qunsetenv("BENCH_TEST_DROPPED");
    }

    void exitIsNoticedWithItsStatus()
    {
        ChildProcess failing({"false"}, {});
        QVERIFY(failing.waitForExit(ChildProcess::Clock::now() + std::chrono::seconds(20)));
        QVERIFY(failing.hasExited());
        failing.end();
        QVERIFY(!failing.exitedCleanly());

        ChildProcess running({"sleep", "30"}, {});
        QVERIFY(!running.waitForExit(ChildProcess::Clock::now() + std::chrono::milliseconds(50)));
        QVERIFY(!running.hasExited());
    }

    void endingStopsWhatItStartedEvenWhenItIgnoresTerm()
    {
        // Ours alone, also while another copy of this test runs.
        const QByteArray marker = "61." + QByteArray::number(QCoreApplication::applicationPid());
        {
            // timeout starts sleep, which ignores the polite request.
            ChildProcess parent({"timeout", "120", "env", "--ignore-signal=TERM", "sleep", marker.toStdString()}, {});
            // The grandchild is up once the marker is in a process that is "sleep" itself;
            // counting every process with the marker would race the fork and exec of the chain.
            QTRY_COMPARE(processesStartingWith(QByteArray("sleep\0", 6) + marker), 1);
            parent.end();
            QVERIFY(parent.hasExited());
        }
        QCOMPARE(processesWith(marker), 0);
    }

    void aMissingProgramIsAnError()
    {
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, ChildProcess({"/nonexistent/viewer"}, {}));
    }
};

QTEST_GUILESS_MAIN(tst_ChildProcess)
#include "tst_childprocess.moc"
