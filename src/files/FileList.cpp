#include "files/FileList.h"

#include "platform/LocalPath.h"

FileList::FileList(QObject *parent)
    : QAbstractListModel(parent)
{
}

QString FileList::entry(int index) const
{
    return isValidIndex(index) ? m_paths[index] : QString();
}

bool FileList::isTicked(int index) const
{
    return isValidIndex(index) && m_ticks[index];
}

void FileList::setCurrentIndex(int index)
{
    if (index != -1 && !isValidIndex(index))
        return;
    updateCurrentIndex(index);
}

void FileList::updateCurrentIndex(int index)
{
    if (index == m_currentIndex)
        return;
    m_currentIndex = index;
    Q_EMIT currentIndexChanged(index);
}

// A model reset drops the current row of every view, so a current entry is announced again
// even when its index is the same as before.
void FileList::announceCurrentAfterReset(int index)
{
    const int previous = m_currentIndex;
    m_currentIndex = index;
    if (index != -1 || previous != -1)
        Q_EMIT currentIndexChanged(index);
}

// Changes one tick and keeps the count in step; no signal.
void FileList::changeTick(int index, bool ticked)
{
    if (m_ticks[index] == ticked)
        return;
    m_ticks[index] = ticked;
    m_tickedCount += ticked ? 1 : -1;
}

void FileList::setTicked(int index, bool ticked)
{
    if (!isValidIndex(index))
        return;
    if (m_ticks[index] != ticked) {
        changeTick(index, ticked);
        const QModelIndex changed = this->index(index);
        Q_EMIT dataChanged(changed, changed, {Qt::CheckStateRole});
    }
    if (ticked)
        updateCurrentIndex(index);
}

bool FileList::append(const QString &path)
{
    if (count() >= MaxEntries)
        return false;
    const int row = count();
    beginInsertRows(QModelIndex(), row, row);
    m_paths.append(path);
    m_ticks.append(false);
    endInsertRows();
    return true;
}

void FileList::removeAt(int index)
{
    if (!isValidIndex(index))
        return;
    // A view may move its own current row while the row goes and push that back here; the
    // list's own answer is applied afterwards: the same entry, or none when it was removed.
    int newCurrent = m_currentIndex;
    if (index == m_currentIndex)
        newCurrent = -1;
    else if (index < m_currentIndex)
        --newCurrent;

    beginRemoveRows(QModelIndex(), index, index);
    changeTick(index, false);
    m_paths.removeAt(index);
    m_ticks.removeAt(index);
    endRemoveRows();
    updateCurrentIndex(newCurrent);
}

void FileList::clear()
{
    beginResetModel();
    m_paths.clear();
    m_ticks.clear();
    m_tickedCount = 0;
    endResetModel();
    announceCurrentAfterReset(-1);
}

void FileList::setAllTicked(bool ticked)
{
    if (m_paths.isEmpty())
        return;
    int firstChanged = -1;
    int lastChanged = -1;
    for (int i = 0; i < count(); ++i) {
        if (m_ticks[i] != ticked) {
            if (firstChanged < 0)
                firstChanged = i;
            lastChanged = i;
            m_ticks[i] = ticked;
        }
    }
    m_tickedCount = ticked ? count() : 0;
    if (firstChanged >= 0)
        Q_EMIT dataChanged(index(firstChanged), index(lastChanged), {Qt::CheckStateRole});
    // Every entry was ticked in turn, so the last one is current.
    if (ticked)
        updateCurrentIndex(count() - 1);
}

void FileList::setTicks(const QVector<bool> &ticks)
{
    int firstChanged = -1;
    int lastChanged = -1;
    int lastTicked = -1;
    for (int i = 0; i < count(); ++i) {
        const bool ticked = i < ticks.size() && ticks[i];
        if (ticked)
            lastTicked = i;
        if (m_ticks[i] != ticked) {
            if (firstChanged < 0)
                firstChanged = i;
            lastChanged = i;
            changeTick(i, ticked);
        }
    }
    if (firstChanged >= 0)
        Q_EMIT dataChanged(index(firstChanged), index(lastChanged), {Qt::CheckStateRole});
    if (lastTicked >= 0)
        updateCurrentIndex(lastTicked);
}

void FileList::replaceAll(const QVector<QString> &paths, const QVector<bool> &ticks)
{
    const int newCount = int(qMin<qsizetype>(paths.size(), MaxEntries));

    beginResetModel();
    m_paths = paths.mid(0, newCount);
    m_ticks.fill(false, newCount);
    m_tickedCount = 0;
    int lastTicked = -1;
    for (int i = 0; i < newCount && i < ticks.size(); ++i) {
        if (ticks[i]) {
            m_ticks[i] = true;
            ++m_tickedCount;
            lastTicked = i;
        }
    }
    endResetModel();
    announceCurrentAfterReset(lastTicked);
}

bool FileList::reorder(const QVector<int> &order)
{
    if (order.size() != m_paths.size())
        return false;
    QVector<bool> seen(order.size(), false);
    for (int oldIndex : order) {
        if (!isValidIndex(oldIndex) || seen[oldIndex])
            return false;
        seen[oldIndex] = true;
    }

    beginResetModel();
    // Moving the texts out of the old list spares a copy of every path.
    QString *const oldPaths = m_paths.data();
    const bool *const oldTicks = m_ticks.constData();
    QVector<QString> paths;
    paths.reserve(order.size());
    QVector<bool> ticks(order.size());
    bool *const newTicks = ticks.data();
    int lastTicked = -1;
    for (int k = 0; k < order.size(); ++k) {
        const int from = order[k];
        paths.append(std::move(oldPaths[from]));
        newTicks[k] = oldTicks[from];
        if (newTicks[k])
            lastTicked = k;
    }
    m_paths = std::move(paths);
    m_ticks = std::move(ticks);
    endResetModel();
    announceCurrentAfterReset(lastTicked);
    return true;
}

void FileList::removeUnticked()
{
    if (m_tickedCount == count())
        return;

    const QString *const paths = m_paths.constData();
    const bool *const ticks = m_ticks.constData();
    QVector<QString> keptPaths;
    keptPaths.reserve(m_tickedCount);
    int newCurrent = -1;
    for (int i = 0; i < count(); ++i) {
        if (!ticks[i])
            continue;
        if (i == m_currentIndex)
            newCurrent = int(keptPaths.size());
        keptPaths.append(paths[i]);
    }

    beginResetModel();
    m_paths = std::move(keptPaths);
    m_ticks.fill(true, m_paths.size());
    endResetModel();
    announceCurrentAfterReset(newCurrent);
}

int FileList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant FileList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this || !isValidIndex(index.row()) || index.column() != 0)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return LocalPath::displayText(m_paths[index.row()]);
    case Qt::CheckStateRole:
        return int(m_ticks[index.row()] ? Qt::Checked : Qt::Unchecked);
    default:
        return QVariant();
    }
}

// The user's click on a tick box: the tick changes, the current entry stays where it is.
bool FileList::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || index.model() != this || !isValidIndex(index.row()))
        return false;
    bool isNumber = false;
    const int state = value.toInt(&isNumber);
    if (!isNumber)
        return false;
    const int row = index.row();
    const bool ticked = state == Qt::Checked;
    if (m_ticks[row] != ticked) {
        changeTick(row, ticked);
        Q_EMIT dataChanged(index, index, {Qt::CheckStateRole});
    }
    return true;
}

Qt::ItemFlags FileList::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren;
}
