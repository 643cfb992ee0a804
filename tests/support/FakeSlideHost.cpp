#include "FakeSlideHost.h"

FakeSlideHost::FakeSlideHost()
{
    state.SlideTop = 1500;
    state.SlideLeft = 1500;
    state.SlideWidth = 9000;
    state.SlideHeight = 6000;
}

void FakeSlideHost::setPlayList(const QStringList &paths, const QList<int> &ticked, int current)
{
    list.clear();
    for (const QString &path : paths)
        list.append(path);
    for (int index : ticked)
        list.setTicked(index, true);
    list.setCurrentIndex(current);
}
