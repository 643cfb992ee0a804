// The folder scan of the real main window, shown, with sub-folders on, against `find` on the
// same tree in the same run; then the bulk selection buttons on a full list of 32,767 entries.
// Prints medians and the scan's ratio to find.
#include "app/ProgramState.h"
#include "app/frmMain.h"
#include "files/FileList.h"
#include "files/FolderBox.h"
#include "platform/QtPlatform.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double timeMs(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}

void buildTree(const QString &root)
{
    for (int folder = 0; folder < 200; ++folder) {
        const QString dir = root + QStringLiteral("/folder-%1").arg(folder, 3, 10, QLatin1Char('0'));
        QDir().mkpath(dir);
        for (int entry = 0; entry < 150; ++entry) {
            // 100 names with a dot, 50 without.
            const QString name = entry < 100 ? QStringLiteral("photo-%1.jpg").arg(entry)
                                             : QStringLiteral("notes-%1").arg(entry);
            QFile file(dir + QLatin1Char('/') + name);
            file.open(QIODevice::WriteOnly);
        }
    }
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch.filePath("config")));
    QApplication application(argc, argv);
    const QString tree = scratch.filePath("tree");
    buildTree(tree);

    QtPlatform platform;
    ProgramState state;
    frmMain window(platform.platform(), state);
    window.show();
    window.CheckSUBFOLDER->setChecked(true);
    window.Dir1->setPath(tree);
    const int listed = window.fileList().count();

    const int rounds = 7;
    std::vector<double> scans, finds;
    for (int round = 0; round < rounds; ++round) {
        scans.push_back(timeMs([&] { window.CommandREFRESH_Click(); }));
        finds.push_back(timeMs([&] {
            QProcess find;
            find.setStandardOutputFile(QProcess::nullDevice());
            find.start(QStringLiteral("find"), {tree, QStringLiteral("-type"), QStringLiteral("f"),
                                                QStringLiteral("-name"), QStringLiteral("*.*")});
            find.waitForFinished(-1);
        }));
    }
    const double scan = median(scans);
    const double found = median(finds);
    std::printf("scan of 200 folders x 150 entries (%d listed), window shown, sub-folders on: median %.1f ms\n",
                listed, scan);
    std::printf("find TREE -type f -name '*.*' on the same tree:                            median %.1f ms\n", found);
    std::printf("ratio scan / find: %.2f (target: within 2)\n\n", scan / found);

    // A full list for the selection buttons.
    FileList &list = window.fileList();
    QVector<QString> paths;
    for (int i = 0; i < FileList::MaxEntries; ++i)
        paths << QStringLiteral("/pictures/holiday/IMG_%1.%2").arg(i, 5, 10, QLatin1Char('0')).arg(i % 3 ? "jpg" : "png");
    list.replaceAll(paths, QVector<bool>(paths.size(), false));
    window.TextPATTERN->setText(QStringLiteral("*.png"));
    const std::pair<const char *, std::function<void()>> operations[] = {
        {"Select All", [&] { window.CommandSelectAll_Click(); }},
        {"Select None", [&] { window.CommandSelectNone_Click(); }},
        {"Select Pattern", [&] { window.CommandSelectPattern_Click(); }},
    };
    for (const auto &[name, operation] : operations) {
        std::vector<double> times;
        for (int round = 0; round < rounds; ++round)
            times.push_back(timeMs(operation));
        std::printf("%-15s on %d entries: median %.2f ms (target under 30 ms)\n", name, list.count(), median(times));
    }
    std::vector<double> trims;
    for (int round = 0; round < rounds; ++round) {
        list.replaceAll(paths, QVector<bool>(paths.size(), false));
        window.CommandSelectPattern_Click();
        trims.push_back(timeMs([&] { window.CommandTrimList_Click(); }));
    }
    std::printf("%-15s on %d entries: median %.2f ms (target under 30 ms)\n", "Trim List", int(paths.size()), median(trims));
    return 0;
}
