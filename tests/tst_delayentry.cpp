// The delay box's key filter: letters, digits, blanks and eighteen marks pass silently; any
// other character (copy, paste and undo keys included) brings the "Quorvane" warning, goes in
// as usual, and then the last character of the text is taken out with the caret at the end.
#include "TestPlatform.h"
#include "app/ProgramState.h"
#include "app/frmMain.h"

#include <QClipboard>
#include <QLineEdit>
#include <QtTest>

namespace {
const QString Warning = QStringLiteral(
    "Please use only letters or numbers 0-9 or A-Z or a-z or special characters ( ) { } [ ] < > - _ ~ ` ! @ # $ % ^");
}

class tst_DelayEntry : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void accepted_data();
    void accepted();
    void refusedCharacterIsTakenBack_data();
    void refusedCharacterIsTakenBack();
    void refusedPaste();
    void characterCodes_data();
    void characterCodes();

private:
    QLineEdit *box() const { return m_window->TextSPECIFIC; }

    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<ProgramState> m_state;
    std::unique_ptr<frmMain> m_window;
};

void tst_DelayEntry::init()
{
    m_platform = std::make_unique<TestPlatform>();
    m_state = std::make_unique<ProgramState>();
    m_window = std::make_unique<frmMain>(m_platform->platform, *m_state);
    m_window->show();
    box()->setFocus();
}

void tst_DelayEntry::cleanup()
{
    m_window.reset();
    m_state.reset();
    m_platform.reset();
}

void tst_DelayEntry::accepted_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("result");
    QTest::newRow("digits") << "12" << "1012";
    QTest::newRow("letters are corrected later, not here") << "x5" << "10x5";
    QTest::newRow("marks") << "(){}[]<>-_~`!@#$%^ " << "10(){}[]<>-_~`!@#$%^ ";
}

void tst_DelayEntry::accepted()
{
    QFETCH(QString, typed);
    QFETCH(QString, result);
    box()->end(false);
    QTest::keyClicks(box(), typed);
    QCOMPARE(box()->text(), result);
    QVERIFY(m_platform->messages.shown.isEmpty());

    // Backspace is accepted too, down to an empty box.
    for (int i = 0; i < result.size() + 2; ++i)
        QTest::keyClick(box(), Qt::Key_Backspace);
    QCOMPARE(box()->text(), QString());
    QVERIFY(m_platform->messages.shown.isEmpty());
}

void tst_DelayEntry::refusedCharacterIsTakenBack_data()
{
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("result");
    QTest::newRow("dot at the end") << 2 << "." << "10";
    QTest::newRow("dot at the start removes the last character") << 0 << "." << ".1";
    QTest::newRow("plus sign") << 2 << "+" << "10";
    QTest::newRow("beyond ASCII") << 1 << QString::fromUtf8("é") << "1é";
}

void tst_DelayEntry::refusedCharacterIsTakenBack()
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
    QCOMPARE(m_platform->messages.shown.size(), 1);
    QCOMPARE(m_platform->messages.shown[0].title, QString("Quorvane"));
    QCOMPARE(m_platform->messages.shown[0].text, Warning);
    QCOMPARE(m_platform->messages.shown[0].icon, MessageIcon::Warning);

    // The next accepted character goes in normally.
    QTest::keyClicks(box(), "7");
    QCOMPARE(box()->text(), result + "7");
}

void tst_DelayEntry::refusedPaste()
{
    // The paste key is refused, the paste happens, and the last character goes again.
    box()->setText("1");
    QGuiApplication::clipboard()->setText("25");
    QTest::keyClick(box(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(m_platform->messages.shown.size(), 1);
    QCOMPARE(box()->text(), QString("12"));
}

void tst_DelayEntry::characterCodes_data()
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

void tst_DelayEntry::characterCodes()
{
    QFETCH(int, code);
    QFETCH(bool, accepted);
    QCOMPARE(m_window->TextSPECIFIC_KeyPress(code), accepted);
    QCOMPARE(m_platform->messages.shown.size(), accepted ? 0 : 1);
}

QTEST_MAIN(tst_DelayEntry)
#include "tst_delayentry.moc"
