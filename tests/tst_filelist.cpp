// The file list model: ticks and the current entry they move, the entry limit, bulk changes in
// one signal, removal and reordering that keep the current entry, and paths shown as plain text.
#include "files/FileList.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

class TestFileList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_list = std::make_unique<FileList>();
        // Checks every change against the item-model contract while the tests run.
        m_tester = std::make_unique<QAbstractItemModelTester>(m_list.get(),
                                                              QAbstractItemModelTester::FailureReportingMode::QtTest);
    }
    void cleanup()
    {
        m_tester.reset();
        m_list.reset();
    }

    void programTickMakesCurrent()
    {
        fill(5);
        QSignalSpy current(m_list.get(), &FileList::currentIndexChanged);
        for (int index : {2, 4, 2})  // ticking an entry already ticked still makes it current
            m_list->setTicked(index, true);
        QCOMPARE(m_list->currentIndex(), 2);
        m_list->setTicked(4, false);  // clearing a tick does not move it
        QCOMPARE(m_list->currentIndex(), 2);
        QCOMPARE(current.count(), 3);
        QCOMPARE(m_list->tickedCount(), 1);
        QVERIFY(m_list->isTicked(2) && !m_list->isTicked(4));

        // The same index again, or one out of range: nothing happens.
        m_list->setCurrentIndex(2);
        m_list->setCurrentIndex(5);
        m_list->setCurrentIndex(-2);
        m_list->setTicked(7, true);
        QCOMPARE(m_list->currentIndex(), 2);
        QCOMPARE(m_list->tickedCount(), 1);
        QVERIFY(!m_list->isTicked(-1));
        QCOMPARE(m_list->entry(5), QString());
        QCOMPARE(current.count(), 3);
        m_list->setCurrentIndex(-1);
        QCOMPARE(m_list->currentIndex(), -1);
    }

    void userTickLeavesCurrent()
    {
        fill(3);
        m_list->setCurrentIndex(0);
        QSignalSpy current(m_list.get(), &FileList::currentIndexChanged);
        QSignalSpy changed(m_list.get(), &FileList::dataChanged);
        QVERIFY(m_list->setData(m_list->index(2), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(m_list->setData(m_list->index(1), int(Qt::Checked), Qt::CheckStateRole));
        QVERIFY(m_list->setData(m_list->index(2), Qt::Unchecked, Qt::CheckStateRole));
        QVERIFY(m_list->isTicked(1) && !m_list->isTicked(2));
        QCOMPARE(m_list->currentIndex(), 0);
        QCOMPARE(current.count(), 0);
        QCOMPARE(changed.count(), 3);
        // Only the tick is editable.
        QVERIFY(!m_list->setData(m_list->index(0), QStringLiteral("/other"), Qt::EditRole));
        QCOMPARE(m_list->entry(0), QStringLiteral("/pics/0.jpg"));
    }

    void limitAndClear()
    {
        QVector<QString> paths;
        for (int i = 0; i < FileList::MaxEntries + 1; ++i)
            paths.append(QString::number(i));
        m_list->replaceAll(paths, {});
        QCOMPARE(m_list->count(), FileList::MaxEntries);
        QVERIFY(!m_list->append(QStringLiteral("/one/more.jpg")));
        QCOMPARE(m_list->count(), FileList::MaxEntries);
        QCOMPARE(m_list->entry(FileList::MaxEntries - 1), QString::number(FileList::MaxEntries - 1));

        m_list->setTicked(10, true);
        QSignalSpy current(m_list.get(), &FileList::currentIndexChanged);
        m_list->clear();
        QCOMPARE(m_list->count(), 0);
        QCOMPARE(m_list->tickedCount(), 0);
        QCOMPARE(m_list->currentIndex(), -1);
        QCOMPARE(current.count(), 1);
        QVERIFY(m_list->append(QStringLiteral("/again.jpg")));
        QVERIFY(!m_list->isTicked(0));
    }

    // Bulk tick changes send one dataChanged, and move the current entry as ticking does.
    void bulkTicks()
    {
        fill(1000);
        m_list->setCurrentIndex(5);
        QSignalSpy changed(m_list.get(), &FileList::dataChanged);
        m_list->setAllTicked(true);
        QCOMPARE(m_list->tickedCount(), 1000);
        QCOMPARE(m_list->currentIndex(), 999);
        m_list->setCurrentIndex(5);
        m_list->setAllTicked(false);
        QCOMPARE(m_list->tickedCount(), 0);
        QCOMPARE(m_list->currentIndex(), 5);

        m_list->setTicked(999, true);
        m_list->setTicks({false, true, false, true});  // shorter than the list: the rest unticked
        QCOMPARE(m_list->tickedCount(), 2);
        QVERIFY(m_list->isTicked(1) && m_list->isTicked(3) && !m_list->isTicked(999));
        QCOMPARE(m_list->currentIndex(), 3);
        m_list->setTicks({});
        QCOMPARE(m_list->tickedCount(), 0);
        QCOMPARE(m_list->currentIndex(), 3);
        QCOMPARE(changed.count(), 5);
    }

    void replaceAll()
    {
        fill(3);
        QSignalSpy reset(m_list.get(), &FileList::modelReset);
        QSignalSpy inserted(m_list.get(), &FileList::rowsInserted);
        QSignalSpy current(m_list.get(), &FileList::currentIndexChanged);
        m_list->replaceAll({"/a", "/b", "/c", "/d"}, {true, false, true});
        QCOMPARE(m_list->count(), 4);
        QVERIFY(m_list->isTicked(2) && !m_list->isTicked(3));
        QCOMPARE(m_list->currentIndex(), 2);
        QCOMPARE(reset.count(), 1);
        QCOMPARE(inserted.count(), 0);
        QCOMPARE(current.count(), 1);
        // A new list at the same current index is still a new current entry.
        m_list->replaceAll({"/x", "/y", "/z"}, {false, false, true});
        QCOMPARE(current.count(), 2);
        m_list->replaceAll({"/x"}, {});
        QCOMPARE(m_list->currentIndex(), -1);
    }

    void removeUnticked()
    {
        fill(6);
        for (int index : {1, 4, 3})
            m_list->setTicked(index, true);
        m_list->removeUnticked();
        QCOMPARE(entries(), QStringList({"/pics/1.jpg", "/pics/3.jpg", "/pics/4.jpg"}));
        QCOMPARE(m_list->tickedCount(), 3);
        QCOMPARE(m_list->currentIndex(), 1);  // the same entry
        m_list->setTicked(0, false);
        m_list->removeUnticked();
        QCOMPARE(m_list->currentIndex(), 0);  // moved up with its entry
        m_list->setTicked(0, false);
        m_list->removeUnticked();
        QCOMPARE(m_list->count(), 1);
        QCOMPARE(m_list->currentIndex(), -1);  // its entry went
    }

    void reorder()
    {
        m_list->replaceAll({"/a", "/b", "/c", "/d"}, {true, false, true});
        m_list->setCurrentIndex(1);
        QVERIFY(!m_list->reorder({0, 1, 2}));
        QVERIFY(!m_list->reorder({0, 1, 1, 3}));
        QVERIFY(!m_list->reorder({0, 1, 2, 4}));
        QCOMPARE(entries(), QStringList({"/a", "/b", "/c", "/d"}));
        QCOMPARE(m_list->currentIndex(), 1);

        QVERIFY(m_list->reorder({2, 3, 0, 1}));
        QCOMPARE(entries(), QStringList({"/c", "/d", "/a", "/b"}));
        QVERIFY(m_list->isTicked(0) && m_list->isTicked(2) && !m_list->isTicked(3));
        QCOMPARE(m_list->currentIndex(), 2);  // the last ticked entry of the new order
    }

    // A view's current row kept in step with the list both ways, as the main window does.
    void viewFollowsCurrentEntry()
    {
        fill(6);
        QItemSelectionModel view(m_list.get());
        connect(&view, &QItemSelectionModel::currentChanged, m_list.get(),
                [this](const QModelIndex &current) { m_list->setCurrentIndex(current.isValid() ? current.row() : -1); });
        connect(m_list.get(), &FileList::currentIndexChanged, &view, [this, &view](int index) {
            if (index < 0)
                view.clearCurrentIndex();
            else
                view.setCurrentIndex(m_list->index(index), QItemSelectionModel::NoUpdate);
        });
        auto bothAt = [&](int row) {
            return m_list->currentIndex() == row
                   && (view.currentIndex().isValid() ? view.currentIndex().row() : -1) == row;
        };
        m_list->setTicked(0, true);
        m_list->setTicked(3, true);
        m_list->removeAt(1);
        QVERIFY(bothAt(2));
        m_list->removeAt(2);  // the current entry itself
        QVERIFY(bothAt(-1));
        m_list->setTicked(0, true);
        m_list->removeUnticked();  // the current entry stays at index 0
        QVERIFY(bothAt(0));
        m_list->replaceAll({"/p", "/q"}, {true});
        QVERIFY(bothAt(0));
    }

    void rolesShowPathAsText()
    {
        const QString odd = QStringLiteral("/we?ird/[dir]*/<b>bold</b>\nline.jpg");
        QVERIFY(m_list->append(odd));
        const QModelIndex index = m_list->index(0);
        // Shown on one line: the line break (and any byte that is not UTF-8) shows as a mark.
        const QString shown = QStringLiteral("/we?ird/[dir]*/<b>bold</b>\ufffdline.jpg");
        QCOMPARE(m_list->data(index, Qt::DisplayRole).toString(), shown);
        QCOMPARE(m_list->data(index, Qt::AccessibleTextRole).toString(), shown);
        QCOMPARE(m_list->entry(0), odd);
        QVERIFY(!m_list->data(index, Qt::ToolTipRole).isValid());
        m_list->setTicked(0, true);
        QCOMPARE(m_list->data(index, Qt::CheckStateRole).toInt(), int(Qt::Checked));
        const Qt::ItemFlags flags = m_list->flags(index);
        QVERIFY(flags.testFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable));
        QVERIFY(!flags.testFlag(Qt::ItemIsEditable));
    }

private:
    void fill(int n)
    {
        for (int i = 0; i < n; ++i)
            QVERIFY(m_list->append(QStringLiteral("/pics/%1.jpg").arg(i)));
    }
    QStringList entries() const
    {
        QStringList paths;
        for (int i = 0; i < m_list->count(); ++i)
            paths.append(m_list->entry(i));
        return paths;
    }

    std::unique_ptr<FileList> m_list;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

QTEST_MAIN(TestFileList)
#include "tst_filelist.moc"
