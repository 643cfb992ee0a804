#pragma once

#include <QAbstractListModel>
#include <QString>
#include <QVector>

// The main window's file list: the full paths of the scanned files in the order they were
// added, a tick per entry and one current entry. It is also the play list of a show: the
// ticked entries are shown, the current entry is the picture on screen.
//
// The list's rule, which the show start relies on: when the program ticks an entry, that entry
// also becomes the current entry. Clearing a tick never moves it, and the user's own clicks on
// a tick box (setData) never move it either.
//
// Paths are shown and handed out exactly as stored; they may hold "?", "*", "[" or newlines.
class FileList : public QAbstractListModel
{
    Q_OBJECT

public:
    // List indexes are 16-bit signed values.
    static constexpr int MaxEntries = 32767;

    explicit FileList(QObject *parent = nullptr);

    int count() const { return int(m_paths.size()); }
    QString entry(int index) const;
    bool isTicked(int index) const;
    int tickedCount() const { return m_tickedCount; }

    int currentIndex() const { return m_currentIndex; }
    // -1 clears the current entry; an index outside the list is ignored.
    void setCurrentIndex(int index);

    void setTicked(int index, bool ticked);
    bool append(const QString &path);
    void removeAt(int index);
    void clear();

    // Bulk changes, each one model signal however many entries change.
    // Ticking all leaves the last entry current; clearing all leaves the current entry alone.
    void setAllTicked(bool ticked);
    // Sets every entry's tick from ticks (missing values count as unticked). The current entry
    // moves to the last entry ticked, if any.
    void setTicks(const QVector<bool> &ticks);
    // Replaces the whole list as if it were cleared and each path appended and, when its tick
    // is set, ticked: the current entry becomes the last ticked entry, or none. Missing ticks
    // count as unticked; paths beyond MaxEntries are dropped.
    void replaceAll(const QVector<QString> &paths, const QVector<bool> &ticks);
    // Puts the entries in a new order: entry k becomes the old entry order[k], its tick with
    // it. As with replaceAll, the current entry becomes the last ticked entry, or none. An
    // order that is not a permutation of the list's indexes changes nothing and gives false.
    bool reorder(const QVector<int> &order);
    // Removes every unticked entry, keeping the order of the others. The current entry stays
    // on its entry when that entry is kept, and becomes none otherwise.
    void removeUnticked();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

Q_SIGNALS:
    // The current index changed, also when an entry before the current one was removed and
    // the same entry now sits one place higher. After a model reset (clear, replaceAll,
    // reorder, removeUnticked) it is sent for any current entry, even at an unchanged index,
    // because views lose their current row in a reset.
    void currentIndexChanged(int index);

private:
    bool isValidIndex(int index) const { return index >= 0 && index < count(); }
    void changeTick(int index, bool ticked);
    void updateCurrentIndex(int index);
    void announceCurrentAfterReset(int index);

    QVector<QString> m_paths;
    QVector<bool> m_ticks;
    int m_tickedCount = 0;
    int m_currentIndex = -1;
};
