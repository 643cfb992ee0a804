// Screen-saver inhibition over D-Bus, against fake desktop services on a private session bus:
// one Inhibit per request, with the program's name and a reason; withdrawn with exactly what
// the desktop handed back (the screensaver's cookie, the portal's request handle); repeats
// ignored; the portal preferred where it inhibits; late answers kept or withdrawn as last
// asked; withdrawn on destruction; and without a bus or services nothing fails or is printed.
#include "FakeDesktopBus.h"
#include "platform/DBusScreenSaverInhibitor.h"

#include <QDBusObjectPath>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QString Name = QStringLiteral("Pictarra");
const QString Reason = QStringLiteral("A slide show is running");

using Portal = FakeDesktopBus::Portal;

// The request handle a portal's Inhibit answered with.
QString handleOf(const FakeDesktopBus::Call &inhibit)
{
    return inhibit.answer.value<QDBusObjectPath>().path();
}

} // namespace

class tst_DBusScreenSaverInhibitor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        // The session bus of this process is one that does not exist: no test may reach the
        // desktop of the machine it runs on.
        QVERIFY(m_noBusFolder.isValid());
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + QFile::encodeName(m_noBusFolder.filePath("bus")));
    }

    void init()
    {
        m_bus = std::make_unique<FakeDesktopBus>();
        if (!m_bus->failure().isEmpty())
            QSKIP(qPrintable(m_bus->failure()));
    }

    void cleanup()
    {
        m_inhibitor.reset();
        m_client = QDBusConnection(QString());
        // No inhibition is left behind, whatever the test did.
        if (m_bus && m_bus->failure().isEmpty())
            QTRY_COMPARE(m_bus->heldInhibitions(), QStringList());
        m_bus.reset();
    }

    void screenSaverWhereNoPortalInhibits_data()
    {
        QTest::addColumn<Portal>("portal");
        QTest::newRow("no portal") << Portal::Absent;
        QTest::newRow("portal without Inhibit") << Portal::LacksInhibit;
    }

    void screenSaverWhereNoPortalInhibits()
    {
        QFETCH(Portal, portal);
        QVERIFY(m_bus->offer(portal, true));
        startInhibitor();

        m_inhibitor->setInhibited(true);
        m_inhibitor->setInhibited(true);
        QVERIFY(m_inhibitor->isInhibited());
        QTRY_COMPARE(m_bus->members(), QStringList({"Inhibit"}));
        const FakeDesktopBus::Call inhibit = m_bus->calls().at(0);
        QCOMPARE(inhibit.interface, QStringLiteral("org.freedesktop.ScreenSaver"));
        QCOMPARE(inhibit.arguments, QVariantList({Name, Reason}));

        m_inhibitor->setInhibited(false);
        m_inhibitor->setInhibited(false);
        QVERIFY(!m_inhibitor->isInhibited());
        QTRY_COMPARE(m_bus->members(), QStringList({"Inhibit", "UnInhibit"}));
        QCOMPARE(m_bus->calls().at(1).arguments, QVariantList({inhibit.answer}));

        // Asked again, and the program ends while it holds the inhibition.
        m_inhibitor->setInhibited(true);
        QTRY_COMPARE(m_bus->heldInhibitions().size(), 1);
        m_inhibitor.reset();
        QTRY_COMPARE(m_bus->members(), QStringList({"Inhibit", "UnInhibit", "Inhibit", "UnInhibit"}));
        QCOMPARE(m_bus->calls().at(3).arguments, QVariantList({m_bus->calls().at(2).answer}));
    }

    void portalPreferredAndItsRequestClosed()
    {
        QVERIFY(m_bus->offer(Portal::Inhibits, true));
        startInhibitor();

        m_inhibitor->setInhibited(true);
        m_inhibitor->setInhibited(true);
        QTRY_COMPARE(m_bus->members(), QStringList({"Inhibit"}));
        const FakeDesktopBus::Call inhibit = m_bus->calls().at(0);
        QCOMPARE(inhibit.interface, QStringLiteral("org.freedesktop.portal.Inhibit"));
        QCOMPARE(inhibit.arguments.at(0), QVariant(QString()));  // no parent window
        QCOMPARE(inhibit.arguments.at(1), QVariant(8u));         // idle
        QCOMPARE(inhibit.arguments.at(2).toMap().value("reason"), QVariant(Reason));

        m_inhibitor->setInhibited(false);
        QTRY_COMPARE(m_bus->members(), QStringList({"Inhibit", "Close"}));
        QCOMPARE(m_bus->calls().at(1).path, handleOf(inhibit));

        m_inhibitor->setInhibited(true);
        QTRY_COMPARE(m_bus->heldInhibitions().size(), 1);
        m_inhibitor.reset();
        QTRY_COMPARE(m_bus->members(), QStringList({"Inhibit", "Close", "Inhibit", "Close"}));
        QCOMPARE(m_bus->calls().at(3).path, handleOf(m_bus->calls().at(2)));
    }

    // A busy desktop answers late; the window's thread never waits for it, and the answer is
    // kept or withdrawn by what was asked last.
    void lateAnswers()
    {
        QVERIFY(m_bus->offer(Portal::Absent, true));
        startInhibitor();
        m_bus->holdAnswers();

        m_inhibitor->setInhibited(true);
        QTRY_COMPARE(m_bus->members(), QStringList({"Inhibit"}));
        m_inhibitor->setInhibited(false);
        m_inhibitor->setInhibited(true);
        m_inhibitor->setInhibited(false);
        m_bus->answerHeldRequests();
        QTRY_COMPARE(m_bus->members(), QStringList({"Inhibit", "UnInhibit"}));
        QCOMPARE(m_bus->calls().at(1).arguments, QVariantList({m_bus->calls().at(0).answer}));

        m_inhibitor->setInhibited(true);
        QTRY_COMPARE(m_bus->members(), QStringList({"Inhibit", "UnInhibit", "Inhibit"}));
        m_inhibitor->setInhibited(false);
        m_inhibitor->setInhibited(true);
        m_bus->answerHeldRequests();
        QTRY_VERIFY(!m_inhibitor->awaitsAnswer());
        QVERIFY(m_bus->sync(m_client));
        QCOMPARE(m_bus->members(), QStringList({"Inhibit", "UnInhibit", "Inhibit"}));
        QCOMPARE(m_bus->heldInhibitions().size(), 1);
        m_inhibitor->setInhibited(false);
        QTRY_COMPARE(m_bus->heldInhibitions(), QStringList());

        // Ended while the desktop has not answered yet: the inhibition granted afterwards is
        // withdrawn all the same.
        m_bus->holdAnswers(100);
        m_inhibitor->setInhibited(true);
        QTRY_COMPARE(m_bus->members().size(), 5);
        m_inhibitor.reset();
        QTRY_COMPARE(m_bus->members(), QStringList({"Inhibit", "UnInhibit", "Inhibit", "UnInhibit", "Inhibit", "UnInhibit"}));
    }

    void nothingFailsWithoutBusOrService()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        QVERIFY(m_bus->offer(Portal::Absent, false));  // a bus, but no desktop service on it
        const QDBusConnection noBus = QDBusConnection::connectToBus(
            "unix:path=" + m_noBusFolder.filePath("bus"), QStringLiteral("no-bus"));
        QVERIFY(!noBus.isConnected());

        std::vector<std::unique_ptr<DBusScreenSaverInhibitor>> inhibitors;
        inhibitors.push_back(std::make_unique<DBusScreenSaverInhibitor>(m_bus->clientConnection(), Name, Reason));
        inhibitors.push_back(std::make_unique<DBusScreenSaverInhibitor>(noBus, Name, Reason));
        inhibitors.push_back(std::make_unique<DBusScreenSaverInhibitor>(Name, Reason));  // the session bus
        for (const auto &inhibitor : inhibitors) {
            inhibitor->setInhibited(true);
            QVERIFY(inhibitor->isInhibited());
        }
        for (const auto &inhibitor : inhibitors) {
            QTRY_VERIFY(!inhibitor->awaitsAnswer());  // refused by both services
            inhibitor->setInhibited(false);
            QVERIFY(!inhibitor->isInhibited());
            inhibitor->setInhibited(true);
        }
        inhibitors.clear();
        QCOMPARE(m_bus->calls().size(), 0);
        QDBusConnection::disconnectFromBus(QStringLiteral("no-bus"));
    }

private:
    void startInhibitor()
    {
        m_client = m_bus->clientConnection();
        m_inhibitor = std::make_unique<DBusScreenSaverInhibitor>(m_client, Name, Reason);
    }

    QTemporaryDir m_noBusFolder;
    std::unique_ptr<FakeDesktopBus> m_bus;
    QDBusConnection m_client{QString()};
    std::unique_ptr<DBusScreenSaverInhibitor> m_inhibitor;
};

QTEST_GUILESS_MAIN(tst_DBusScreenSaverInhibitor)
#include "tst_dbusscreensaverinhibitor.moc"
