// Assistive technology can reach every control of the main window by a name, the file list's
// entries expose their text and their tick, and the count line reads as what it shows.
#include "MainWindowFixture.h"
#include "app/ProgramState.h"
#include "app/frmMain.h"
#include "files/FileList.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QtTest>

namespace {

using Fixture = MainWindowFixture;

} // namespace

class tst_Accessibility : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m = std::make_unique<Fixture>();
        m->window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m->window));
    }
    void cleanup() { m.reset(); }

    void everyControlHasAName()
    {
        int checked = 0;
        for (QWidget *control : m->window.findChildren<QWidget *>()) {
            // Only the controls a person can reach: the window's own and every button, when shown.
            if ((control->parentWidget() != &m->window && !qobject_cast<QAbstractButton *>(control))
                || !control->isVisible())
                continue;
            QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(control);
            QVERIFY(accessible);
            const bool decoration = accessible->role() == QAccessible::Separator;
            // The count line is named by its text, and says nothing until there is something to count.
            const bool silentCount = control == m->window.LabelCOUNT && m->window.LabelCOUNT->text().isEmpty();
            QVERIFY2(!accessible->text(QAccessible::Name).trimmed().isEmpty() || decoration || silentCount,
                     qPrintable(QStringLiteral("%1 (%2) has no accessible name")
                                    .arg(QString::fromLatin1(control->metaObject()->className()), control->objectName())));
            ++checked;
        }
        QVERIFY(checked > 30);
    }

    void listEntriesExposeTextAndTick()
    {
        FileList &list = m->window.fileList();
        list.append("/pictures/a.jpg");
        list.append("/pictures/<b>bold</b>.jpg");
        list.setTicked(1, true);
        QAccessibleInterface *view = QAccessible::queryAccessibleInterface(m->window.List1);
        QVERIFY(view);
        QCOMPARE(view->role(), QAccessible::List);  // announced as a list
        QVector<QAccessibleInterface *> entries;
        for (int i = 0; i < view->childCount(); ++i) {
            QAccessibleInterface *child = view->child(i);
            if (child && child->role() == QAccessible::ListItem)
                entries << child;
        }
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries[0]->text(QAccessible::Name), QString("/pictures/a.jpg"));
        QCOMPARE(entries[1]->text(QAccessible::Name), QString("/pictures/<b>bold</b>.jpg"));
        QVERIFY(entries[0]->state().checkable && !entries[0]->state().checked);
        QVERIFY(entries[1]->state().checked);
    }

    // Qt announces a label's text changes as name changes (to AT-SPI) exactly while the label
    // has no name of its own, so a name that follows the text is also one that is announced.
    void countLineReadsAsItsText()
    {
        FileList &list = m->window.fileList();
        list.append("/pictures/a.jpg");
        list.append("/pictures/b.png");
        QAccessibleInterface *count = QAccessible::queryAccessibleInterface(m->window.LabelCOUNT);
        QVERIFY(count);
        QCOMPARE(count->role(), QAccessible::StaticText);

        m->window.TextPATTERN->setText("*.*");
        m->window.CommandSelectPattern_Click();
        QCOMPARE(count->text(QAccessible::Name), QString("2 selected"));
        m->window.TextPATTERN->setText("*.png");
        m->window.CommandSelectPattern_Click();
        QCOMPARE(count->text(QAccessible::Name), QString("1 selected"));
    }

private:
    std::unique_ptr<Fixture> m;
};

QTEST_MAIN(tst_Accessibility)
#include "tst_accessibility.moc"
