#include "files/FileList.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QItemSelectionModel>
#include <QListView>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

class TestFileList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void programTickMakesCurrent();
    void userTickLeavesCurrent();
    void currentIndexBounds();
    void limitAndClear();
    void bulkTicks();
    void replaceAll();
    void removeUnticked();
    void reorder();
    void viewFollowsCurrentEntry();
    void rolesShowPathAsText();
    void checkStateReachesAssistiveTechnology();

private:
    void fill(int n);

    std::unique_ptr<FileList> m_list;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

void TestFileList::init()
{
    m_list = std::make_unique<FileList>();
    // Checks every change against the item-model contract while the tests run.
    m_tester = std::make_unique<QAbstractItemModelTester>(m_list.get(),
                                                          QAbstractItemModelTester::FailureReportingMode::QtTest);
}

void TestFileList::cleanup()
{
    m_tester.reset();
    m_list.reset();
}

void TestFileList::fill(int n)
{
    for (int i = 0; i < n; ++i)
        QVERIFY(m_list->append(QStringLiteral("/pics/%1.jpg").arg(i)));
}

void TestFileList::programTickMakesCurrent()
{
    fill(5);
    QSignalSpy current(m_list.get(), &FileList::currentIndexChanged);
    QCOMPARE(m_list->currentIndex(), -1);

    m_list->setTicked(2, true);
    QCOMPARE(m_list->currentIndex(), 2);
    m_list->setTicked(4, true);
    QCOMPARE(m_list->currentIndex(), 4);
    // Ticking an entry that is already ticked still makes it current.
    m_list->setTicked(2, true);
    QCOMPARE(m_list->currentIndex(), 2);
    // Clearing a tick does not move the current entry.
    m_list->setTicked(4, false);
    QCOMPARE(m_list->currentIndex(), 2);

    QCOMPARE(current.count(), 3);
    QCOMPARE(m_list->tickedCount(), 1);
    QVERIFY(m_list->isTicked(2));
    QVERIFY(!m_list->isTicked(4));
}

void TestFileList::userTickLeavesCurrent()
{
    fill(3);
    m_list->setCurrentIndex(0);
    QSignalSpy current(m_list.get(), &FileList::currentIndexChanged);
    QSignalSpy changed(m_list.get(), &FileList::dataChanged);

    QVERIFY(m_list->setData(m_list->index(2), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(m_list->isTicked(2));
    QVERIFY(m_list->setData(m_list->index(1), int(Qt::Checked), Qt::CheckStateRole));
    QVERIFY(m_list->setData(m_list->index(2), Qt::Unchecked, Qt::CheckStateRole));
    QVERIFY(!m_list->isTicked(2));
    QCOMPARE(m_list->tickedCount(), 1);
    QCOMPARE(m_list->currentIndex(), 0);
    QCOMPARE(current.count(), 0);
    QCOMPARE(changed.count(), 3);

    // Only the tick is editable.
    QVERIFY(!m_list->setData(m_list->index(0), QStringLiteral("/other"), Qt::EditRole));
    QCOMPARE(m_list->entry(0), QStringLiteral("/pics/0.jpg"));
}

void TestFileList::currentIndexBounds()
{
    fill(3);
    QSignalSpy current(m_list.get(), &FileList::currentIndexChanged);
    m_list->setCurrentIndex(1);
    m_list->setCurrentIndex(1);
    m_list->setCurrentIndex(3);
    m_list->setCurrentIndex(-2);
    QCOMPARE(m_list->currentIndex(), 1);
    m_list->setCurrentIndex(-1);
    QCOMPARE(m_list->currentIndex(), -1);
    QCOMPARE(current.count(), 2);

    m_list->setTicked(7, true);
    QCOMPARE(m_list->currentIndex(), -1);
    QCOMPARE(m_list->tickedCount(), 0);
    QVERIFY(!m_list->isTicked(-1));
    QCOMPARE(m_list->entry(3), QString());
}

void TestFileList::limitAndClear()
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
void TestFileList::bulkTicks()
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

void TestFileList::replaceAll()
{
    fill(3);
    QSignalSpy reset(m_list.get(), &FileList::modelReset);
    QSignalSpy inserted(m_list.get(), &FileList::rowsInserted);
    QSignalSpy current(m_list.get(), &FileList::currentIndexChanged);

    m_list->replaceAll({"/a", "/b", "/c", "/d"}, {true, false, true});
    QCOMPARE(m_list->count(), 4);
    QCOMPARE(m_list->tickedCount(), 2);
    QVERIFY(m_list->isTicked(2) && !m_list->isTicked(3));
    QCOMPARE(m_list->currentIndex(), 2);
    QCOMPARE(reset.count(), 1);
    QCOMPARE(inserted.count(), 0);
    QCOMPARE(current.count(), 1);

    // A new list at the same current index is still a new current entry.
    m_list->replaceAll({"/x", "/y", "/z"}, {false, false, true});
    QCOMPARE(m_list->currentIndex(), 2);
    QCOMPARE(current.count(), 2);

    m_list->replaceAll({"/x"}, {});
    QCOMPARE(m_list->currentIndex(), -1);
    QCOMPARE(m_list->tickedCount(), 0);
}

void TestFileList::removeUnticked()
{
    fill(6);
    m_list->setTicked(1, true);
    m_list->setTicked(4, true);
    m_list->setTicked(3, true);
    QCOMPARE(m_list->currentIndex(), 3);

    m_list->removeUnticked();
    QCOMPARE(m_list->count(), 3);
    QCOMPARE(m_list->entry(0), QStringLiteral("/pics/1.jpg"));
    QCOMPARE(m_list->entry(1), QStringLiteral("/pics/3.jpg"));
    QCOMPARE(m_list->entry(2), QStringLiteral("/pics/4.jpg"));
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

void TestFileList::reorder()
{
    m_list->replaceAll({"/a", "/b", "/c", "/d"}, {true, false, true});
    m_list->setCurrentIndex(1);
    QVERIFY(!m_list->reorder({0, 1, 2}));
    QVERIFY(!m_list->reorder({0, 1, 1, 3}));
    QVERIFY(!m_list->reorder({0, 1, 2, 4}));
    QCOMPARE(m_list->entry(3), QStringLiteral("/d"));
    QCOMPARE(m_list->currentIndex(), 1);

    QVERIFY(m_list->reorder({2, 3, 0, 1}));
    QCOMPARE(m_list->entry(0), QStringLiteral("/c"));
    QCOMPARE(m_list->entry(2), QStringLiteral("/a"));
    QVERIFY(m_list->isTicked(0) && m_list->isTicked(2) && !m_list->isTicked(3));
    QCOMPARE(m_list->tickedCount(), 2);
    QCOMPARE(m_list->currentIndex(), 2);  // the last ticked entry of the new order
}

// A view's current row kept in step with the list both ways, as the main window does: after
// removals and resets both must agree on the entry the list's rules give.
void TestFileList::viewFollowsCurrentEntry()
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
    auto viewRow = [&view] { return view.currentIndex().isValid() ? view.currentIndex().row() : -1; };

    m_list->setTicked(0, true);
    m_list->setTicked(3, true);
    m_list->removeAt(1);
    QCOMPARE(m_list->currentIndex(), 2);
    QCOMPARE(viewRow(), 2);
    m_list->removeAt(2);  // the current entry itself
    QCOMPARE(m_list->currentIndex(), -1);
    QCOMPARE(viewRow(), -1);

    m_list->setTicked(0, true);
    m_list->removeUnticked();  // the current entry stays at index 0
    QCOMPARE(m_list->currentIndex(), 0);
    QCOMPARE(viewRow(), 0);

    m_list->replaceAll({"/p", "/q"}, {true});
    QCOMPARE(m_list->currentIndex(), 0);
    QCOMPARE(viewRow(), 0);
}

void TestFileList::rolesShowPathAsText()
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
    QCOMPARE(m_list->data(index, Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    m_list->setTicked(0, true);
    QCOMPARE(m_list->data(index, Qt::CheckStateRole).toInt(), int(Qt::Checked));

    const Qt::ItemFlags flags = m_list->flags(index);
    QVERIFY(flags.testFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable));
    QVERIFY(!flags.testFlag(Qt::ItemIsEditable));
}

void TestFileList::checkStateReachesAssistiveTechnology()
{
    fill(2);
    m_list->setTicked(1, true);
    QListView view;
    view.setModel(m_list.get());
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    QAccessibleInterface *list = QAccessible::queryAccessibleInterface(&view);
    QVERIFY(list);
    QAccessibleTableInterface *table = list->tableInterface();
    QVERIFY(table);
    QAccessibleInterface *unticked = table->cellAt(0, 0);
    QAccessibleInterface *ticked = table->cellAt(1, 0);
    QVERIFY(unticked && ticked);
    QCOMPARE(ticked->text(QAccessible::Name), QStringLiteral("/pics/1.jpg"));
    QVERIFY(ticked->state().checkable && ticked->state().checked);
    QVERIFY(unticked->state().checkable && !unticked->state().checked);
}

QTEST_MAIN(TestFileList)
#include "tst_filelist.moc"
