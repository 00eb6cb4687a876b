// The application hub, the link registry, the message manager and the port enumeration.
#include "link/SerialPortList.h"
#include "link/TApp.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestHub : public QObject
{
    Q_OBJECT
private slots:
    void paramsFromIni_data();
    void paramsFromIni();
    void secondSingletonsStayUnregistered();
    void linkRegistryKeepsFirstEntry();
    void messageRouting_data();
    void messageRouting();
    void levelTitles_data();
    void levelTitles();
    void extraPorts_data();
    void extraPorts();
    void extraPortsFollowPlatformPorts();
};

void TestHub::paramsFromIni_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("expected"); // key=value pairs

    QTest::newRow("grouped keys") << QByteArray("[preset]\nSERIAL1_BAUD=57\nLOG_BACKEND_TYPE=1\n")
                                  << QStringList{"preset/LOG_BACKEND_TYPE=1", "preset/SERIAL1_BAUD=57"};
    QTest::newRow("general keys") << QByteArray("A=1\nB=text\n") << QStringList{"A=1", "B=text"};
    QTest::newRow("empty file") << QByteArray() << QStringList{"None="};
    QTest::newRow("missing file") << QByteArray("<missing>") << QStringList{"None="};
}

void TestHub::paramsFromIni()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath("param.ini");
    if (content != "<missing>") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    const auto params = TApp::loadParams(path);
    QStringList got;
    for (auto it = params.cbegin(); it != params.cend(); ++it)
        got << it.key() + "=" + it.value();
    QCOMPARE(got, expected);
}

void TestHub::secondSingletonsStayUnregistered()
{
    QTemporaryDir dir;
    TApp first(dir.filePath("param.ini"));
    QCOMPARE(TApp::instance(), &first);
    QCOMPARE(TLinkManager::instance(), first.links());
    QCOMPARE(TMsgManager::instance(), first.messages());

    QTest::ignoreMessage(QtDebugMsg, "TLinkManager must be sigleton");
    QTest::ignoreMessage(QtDebugMsg, "TMsgManager must be sigleton");
    QTest::ignoreMessage(QtDebugMsg, "TApp must be sigleton");
    {
        TApp second(dir.filePath("param.ini"));
        QCOMPARE(TApp::instance(), &first);
        QCOMPARE(TLinkManager::instance(), first.links());
        QCOMPARE(TMsgManager::instance(), first.messages());
    }
    // The second one going away leaves the first in charge.
    QCOMPARE(TApp::instance(), &first);
    QCOMPARE(TMsgManager::instance(), first.messages());
}

void TestHub::linkRegistryKeepsFirstEntry()
{
    TLinkManager registry;
    QObject a, b;
    QVERIFY(!registry.find(6));
    QVERIFY(registry.add(6, &a));
    QVERIFY(!registry.add(6, &b));
    QCOMPARE(registry.find(6), &a);

    int created = 0;
    auto create = [&](int id) {
        ++created;
        auto *link = new QObject(&registry);
        link->setObjectName(QString::number(id));
        return link;
    };
    QObject *five = registry.findOrCreate(5, create);
    QCOMPARE(five->objectName(), QString("5"));
    QCOMPARE(registry.findOrCreate(5, create), five);
    QCOMPARE(registry.findOrCreate(6, create), &a);
    QCOMPARE(created, 1);
}

void TestHub::messageRouting_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("forwardedId");    // -2: nothing forwarded
    QTest::addColumn<QString>("popupTitle"); // empty: no pop-up
    QTest::addColumn<int>("popupIcon");

    QTest::newRow("unit text") << 1 << 1 << 7 << QString() << 0;
    QTest::newRow("own text") << 2 << 3 << -1 << QString() << 0;
    QTest::newRow("warn pop-up") << 4 << 2 << -2 << QString("WARN ") << int(TMsgManager::PopupIcon::Warning);
    QTest::newRow("error pop-up") << 4 << 3 << -2 << QString("ERROR") << int(TMsgManager::PopupIcon::Critical);
    QTest::newRow("level 7 pop-up") << 4 << 7 << -2 << QString("INFO") << int(TMsgManager::PopupIcon::Information);
    QTest::newRow("type 3 ignored") << 3 << 2 << -2 << QString() << 0;
}

void TestHub::messageRouting()
{
    QFETCH(int, type);
    QFETCH(int, level);
    QFETCH(int, forwardedId);
    QFETCH(QString, popupTitle);
    QFETCH(int, popupIcon);

    TMsgManager manager;
    struct Popup
    {
        int icon;
        QString title, text;
        int ms;
    };
    QList<Popup> popups;
    TMsgManager::setPopupPresenter([&](TMsgManager::PopupIcon icon, const QString &title, const QString &text, int ms) {
        popups.append({int(icon), title, text, ms});
    });
    QSignalSpy forwarded(&manager, &TMsgManager::uiShowMsgSignal);

    emit manager.showMsg(7, TMsgManager::MsgType(type), TMsgManager::MsgLevel(level), QStringLiteral("hello"));
    TMsgManager::setPopupPresenter({});

    QCOMPARE(forwarded.count(), forwardedId == -2 ? 0 : 1);
    if (forwardedId != -2) {
        QCOMPARE(forwarded.at(0).at(0).toInt(), forwardedId);
        QCOMPARE(forwarded.at(0).at(2).toString(), QString("hello"));
    }
    QCOMPARE(popups.size(), popupTitle.isEmpty() ? 0 : 1);
    if (!popupTitle.isEmpty()) {
        QCOMPARE(popups[0].title, popupTitle);
        QCOMPARE(popups[0].icon, popupIcon);
        QCOMPARE(popups[0].text, QString("hello"));
        QCOMPARE(popups[0].ms, 2000);
    }
}

void TestHub::levelTitles_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("title");
    QTest::newRow("0") << 0 << "DEBUG";
    QTest::newRow("1") << 1 << "INFO ";
    QTest::newRow("2") << 2 << "WARN ";
    QTest::newRow("3") << 3 << "ERROR";
    QTest::newRow("4") << 4 << "FATAL";
    QTest::newRow("-1") << -1 << "INFO";
}

void TestHub::levelTitles()
{
    QFETCH(int, level);
    QFETCH(QString, title);
    QCOMPARE(TMsgManager::levelTitle(level), title);
}

void TestHub::extraPorts_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("unset") << QString() << QStringList();
    QTest::newRow("one path") << "/dev/pts/3" << QStringList{"/dev/pts/3: Simulated port"};
    QTest::newRow("described") << "/dev/pts/3=Simulated FMU;/dev/pts/4"
                               << QStringList{"/dev/pts/3: Simulated FMU", "/dev/pts/4: Simulated port"};
    QTest::newRow("empty items and blanks") << " ;;/tmp/ttyA = ORVE unit ;=x;" << QStringList{"/tmp/ttyA: ORVE unit"};
}

void TestHub::extraPorts()
{
    QFETCH(QString, value);
    QFETCH(QStringList, entries);
    QStringList got;
    for (const auto &port : SerialPortList::parseExtraPorts(value))
        got << SerialPortList::entryText(port);
    QCOMPARE(got, entries);
}

void TestHub::extraPortsFollowPlatformPorts()
{
    qputenv(SerialPortList::ExtraPortsVariable, "/dev/pts/90=one;/dev/pts/91");
    const auto ports = SerialPortList::availablePorts();
    qunsetenv(SerialPortList::ExtraPortsVariable);
    QVERIFY(ports.size() >= 2);
    QCOMPARE(ports[ports.size() - 2], (SerialPortEntry{"/dev/pts/90", "one"}));
    QCOMPARE(ports.last(), (SerialPortEntry{"/dev/pts/91", "Simulated port"}));
}

QTEST_GUILESS_MAIN(TestHub)
#include "tst_hub.moc"
