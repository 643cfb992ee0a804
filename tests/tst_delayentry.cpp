// The delay box's key filter: letters, digits, blanks and eighteen marks pass silently; any
// other character (copy, paste and undo keys included) brings the "Quorvane" warning, goes in
// as usual, and then the last character of the text is taken out with the caret at the end.
#include "MainWindowFixture.h"
#include "app/ProgramState.h"
#include "app/frmMain.h"

#include <QClipboard>
#include <QLineEdit>
#include <QtTest>

namespace {

const QString Warning = QStringLiteral(
    "Please use only letters or numbers 0-9 or A-Z or a-z or special characters ( ) { } [ ] < > - _ ~ ` ! @ # $ % ^");

using Fixture = MainWindowFixture;

} // namespace

class tst_DelayEntry : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m = std::make_unique<Fixture>();
        m->window.show();
        box()->setFocus();
    }

    void cleanup() { m.reset(); }

    void accepted_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("result");
        QTest::newRow("letters are corrected later, not here") << "x5" << "10x5";
        QTest::newRow("marks") << "(){}[]<>-_~`!@#$%^ " << "10(){}[]<>-_~`!@#$%^ ";
    }
    void accepted()
    {
        QFETCH(QString, typed);
        QFETCH(QString, result);
        box()->end(false);
        QTest::keyClicks(box(), typed);
        QCOMPARE(box()->text(), result);
        // Backspace is accepted too, down to an empty box.
        for (int i = 0; i < result.size() + 2; ++i)
            QTest::keyClick(box(), Qt::Key_Backspace);
        QCOMPARE(box()->text(), QString());
        QVERIFY(m->platform.messages.shown.isEmpty());
    }

    void refusedCharacterIsTakenBack_data()
    {
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("result");
        QTest::newRow("dot at the end") << 2 << "." << "10";
        QTest::newRow("dot at the start removes the last character") << 0 << "." << ".1";
        QTest::newRow("beyond ASCII") << 1 << QString::fromUtf8("é") << "1é";
    }
    void refusedCharacterIsTakenBack()
    {
        QFETCH(int, caret);
        QFETCH(QString, typed);
        QFETCH(QString, result);
        box()->setCursorPosition(caret);
        // Typed as the keyboard delivers it: a key event carrying the character.
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, typed);
        QApplication::sendEvent(box(), &press);
        QCOMPARE(box()->text(), result);
        QCOMPARE(box()->cursorPosition(), result.size());
        const auto &shown = m->platform.messages.shown;
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].title, QString("Quorvane"));
        QCOMPARE(shown[0].text, Warning);
        QCOMPARE(shown[0].icon, MessageIcon::Warning);
        // The next accepted character goes in normally.
        QTest::keyClicks(box(), "7");
        QCOMPARE(box()->text(), result + "7");
    }

    void refusedPaste()
    {
        // The paste key is refused, the paste happens, and the last character goes again.
        box()->setText("1");
        QGuiApplication::clipboard()->setText("25");
        QTest::keyClick(box(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(m->platform.messages.shown.size(), 1);
        QCOMPARE(box()->text(), QString("12"));
    }

    void characterCodes_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("accepted");
        for (int code = 0; code < 160; ++code) {
            const bool accepted = code == 8 || code == 13 || code == 32 || (code >= '0' && code <= '9')
                                  || (code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z')
                                  || QByteArray("(){}[]<>-_~`!@#$%^").contains(char(code));
            QTest::addRow("%d", code) << code << accepted;
        }
    }
    void characterCodes()
    {
        QFETCH(int, code);
        QFETCH(bool, accepted);
        QCOMPARE(m->window.TextSPECIFIC_KeyPress(code), accepted);
        QCOMPARE(m->platform.messages.shown.size(), accepted ? 0 : 1);
    }

private:
    QLineEdit *box() const { return m->window.TextSPECIFIC; }

    std::unique_ptr<Fixture> m;
};

QTEST_MAIN(tst_DelayEntry)
#include "tst_delayentry.moc"
