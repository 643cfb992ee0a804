// Assistive technology can reach every control of the main window by a name, and the file
// list's entries expose their text and their tick.
#include "TestPlatform.h"
#include "app/ProgramState.h"
#include "app/frmMain.h"
#include "files/FileList.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QListView>
#include <QtTest>

class tst_Accessibility : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyControlHasAName();
    void listEntriesExposeTextAndTick();
};

void tst_Accessibility::everyControlHasAName()
{
    TestPlatform platform;
    ProgramState state;
    frmMain window(platform.platform, state);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const QList<QWidget *> controls = window.findChildren<QWidget *>();
    int checked = 0;
    for (QWidget *control : controls) {
        // Only the controls a person can reach: enabled, focusable or clickable.
        if (control->parentWidget() != &window && !qobject_cast<QAbstractButton *>(control))
            continue;
        if (!control->isVisible())
            continue;
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(control);
        QVERIFY(accessible);
        const QString name = accessible->text(QAccessible::Name);
        const bool decoration = accessible->role() == QAccessible::Separator;
        QVERIFY2(!name.trimmed().isEmpty() || decoration,
                 qPrintable(QStringLiteral("%1 (%2) has no accessible name")
                                .arg(QString::fromLatin1(control->metaObject()->className()), control->objectName())));
        ++checked;
    }
    QVERIFY(checked > 30);
}

void tst_Accessibility::listEntriesExposeTextAndTick()
{
    TestPlatform platform;
    ProgramState state;
    frmMain window(platform.platform, state);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    FileList &list = window.fileList();
    list.append("/pictures/a.jpg");
    list.append("/pictures/<b>bold</b>.jpg");
    list.setTicked(1, true);

    QAccessibleInterface *view = QAccessible::queryAccessibleInterface(window.List1);
    QVERIFY(view);
    QAccessibleInterface *table = view->role() == QAccessible::List ? view : nullptr;
    QVERIFY2(table, "the file list is announced as a list");
    QVector<QAccessibleInterface *> entries;
    for (int i = 0; i < table->childCount(); ++i) {
        QAccessibleInterface *child = table->child(i);
        if (child && child->role() == QAccessible::ListItem)
            entries << child;
    }
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries[0]->text(QAccessible::Name), QString("/pictures/a.jpg"));
    QCOMPARE(entries[1]->text(QAccessible::Name), QString("/pictures/<b>bold</b>.jpg"));
    QVERIFY(entries[0]->state().checkable);
    QVERIFY(!entries[0]->state().checked);
    QVERIFY(entries[1]->state().checked);
}

QTEST_MAIN(tst_Accessibility)
#include "tst_accessibility.moc"
