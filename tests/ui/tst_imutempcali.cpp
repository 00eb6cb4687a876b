#include "core/flylink/FlyMessages.h"
#include "factory/link/FlyLink.h"
#include "factory/link/Q_DMMM.h"
#include "support/BusEventLog.h"
#include "support/FakeFlyUnit.h"
#include "ZtResources.h"
#include "ui/app/AppTranslation.h"
#include "ui/factory/G_CFG_AccCali.h"
#include "ui/factory/G_CFG_IMUTemp_Cali.h"
#include "ui/factory/G_CFG_MagCali.h"
#include "ui/factory/uChartView.h"
#include "ui/widgets/UComboBox.h"
#include "ui/widgets/UDoubleSpinBox.h"

#include <qcustomplot.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTranslator>
#include <QtTest>

using Writes = QList<QPair<QString, float>>;

class TestImuTempCali : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void readAndWrittenBackExactly();
    void setBeforeTheUnitsValuesSendsNothing();
    void accPanelIsAChildOfTheWindow();
    void oneTimeConfiguration();
    void valueWithoutEntryLeavesComboBlank();
    void temperaturesToLabelsAndChart();
    void chineseTexts();

private:
    // A page on a fresh link to a fresh scripted unit (the link's parameter table starts empty).
    int openLink(FakeFlyUnit &unit);
    UDoubleSpinBox *spin(G_CFG_IMUTemp_Cali &p, const char *name)
    {
        return qobject_cast<UDoubleSpinBox *>(p.control(QLatin1String(name)));
    }
    UComboBox *combo(G_CFG_IMUTemp_Cali &p, const char *name)
    {
        return qobject_cast<UComboBox *>(p.control(QLatin1String(name)));
    }

    Q_DMMM *m_bus = nullptr;
    BusEventLog *m_log = nullptr;
    int m_nextLink = 1;
};

void TestImuTempCali::initTestCase()
{
    m_bus = new Q_DMMM(-1);
    m_log = new BusEventLog(m_bus);
}

void TestImuTempCali::cleanupTestCase()
{
    m_bus->releaseLinks();
    delete m_log;
    delete m_bus;
}

int TestImuTempCali::openLink(FakeFlyUnit &unit)
{
    const int linkid = m_nextLink++;
    if (!unit.openOn(*m_bus, linkid))
        return -1;
    unit.keepAlive(true);
    FlyLink *link = m_bus->linkById(linkid);
    return QTest::qWaitFor([link] { return link->isConnected(); }, 10000) ? linkid : -1;
}

void TestImuTempCali::readAndWrittenBackExactly()
{
    FakeFlyUnit unit;
    const QStringList names = G_CFG_IMUTemp_Cali::parameterNames();
    for (int i = 0; i < names.size(); ++i)
        unit.params.insert(names[i], 0);
    unit.params["INS_ACC1_CALTEMP"] = 41.25f;
    unit.params["INS_GYR3_CALTEMP"] = -17.5f;
    unit.params["INS_TCAL2_TMAX"] = 62.5f;
    unit.params["INS_TCAL1_TMIN"] = -40.5f;
    unit.params["BRD_HEAT_TARG"] = 55;
    unit.params["LOG_DISARMED"] = 2;
    unit.params["INS_TCAL_OPTIONS"] = 3;
    unit.params["INS_TCAL2_ENABLE"] = 2;
    const int linkid = openLink(unit);
    QVERIFY(linkid > 0);

    G_CFG_IMUTemp_Cali page(linkid);
    page.show();
    QTRY_COMPARE_WITH_TIMEOUT(combo(page, "INS_TCAL2_ENABLE")->currentIndex(), 2, 15000);
    QTRY_COMPARE_WITH_TIMEOUT(spin(page, "INS_ACC1_CALTEMP")->value(), 41.25, 15000);
    QTRY_COMPARE_WITH_TIMEOUT(spin(page, "INS_GYR3_CALTEMP")->value(), -17.5, 15000);
    QTRY_COMPARE_WITH_TIMEOUT(spin(page, "INS_TCAL2_TMAX")->value(), 62.5, 15000);
    QTRY_COMPARE_WITH_TIMEOUT(spin(page, "INS_TCAL1_TMIN")->value(), -40.5, 15000);
    QTRY_COMPARE_WITH_TIMEOUT(spin(page, "BRD_HEAT_TARG")->value(), 55.0, 15000);
    QTRY_COMPARE_WITH_TIMEOUT(combo(page, "LOG_DISARMED")->currentText(), QStringLiteral("Close(usb)"), 15000);
    QTRY_COMPARE_WITH_TIMEOUT(combo(page, "INS_TCAL_OPTIONS")->currentText(), QStringLiteral("SaveTempAndAccCaliData"),
                              15000);
    QTRY_COMPARE_WITH_TIMEOUT(combo(page, "INS_TCAL2_ENABLE")->currentText(), QStringLiteral("ReadyCali"), 15000);
    for (const QString &name : names) {
        QWidget *c = page.control(name);
        QVERIFY2(!c->property("changed").toBool(), qPrintable(name));
    }

    // Nothing edited: "Set" sends nothing.
    unit.clear();
    QTest::mouseClick(page.setButton(), Qt::LeftButton);
    QTest::qWait(300);
    QCOMPARE(unit.paramWrites(), Writes{});

    // Two edits: exactly those two are sent, in the page's order, with the exact values.
    combo(page, "LOG_DISARMED")->setCurrentIndex(3);
    spin(page, "INS_GYR2_CALTEMP")->setValue(-12.75);
    QTest::mouseClick(page.setButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(unit.paramWrites().size(), 2, 10000);
    QCOMPARE(unit.paramWrites(), (Writes{{"INS_GYR2_CALTEMP", -12.75f}, {"LOG_DISARMED", 3}}));
    QCOMPARE(unit.params["INS_GYR2_CALTEMP"], -12.75f);
    QCOMPARE(unit.params["LOG_DISARMED"], 3.0f);
}

void TestImuTempCali::setBeforeTheUnitsValuesSendsNothing()
{
    // Until the window holds the unit's values, "Set" is disabled and writes nothing: the entries the
    // combo boxes show after filling are no settings of the unit.
    FakeFlyUnit unit; // answers no parameter yet
    const int linkid = openLink(unit);
    QVERIFY(linkid > 0);
    G_CFG_IMUTemp_Cali page(linkid);
    page.show();
    QVERIFY(!page.setButton()->isEnabled());
    for (const QString &name : G_CFG_IMUTemp_Cali::parameterNames())
        QVERIFY2(!page.control(name)->property("changed").toBool(), qPrintable(name));
    page.upload_param();
    QTest::qWait(300);
    QCOMPARE(unit.paramWrites(), Writes{});

    // The unit answers a Query: "Set" is enabled and sends only what the user then changes.
    for (const QString &name : G_CFG_IMUTemp_Cali::parameterNames())
        unit.params.insert(name, 1);
    QTest::mouseClick(page.queryButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(page.setButton()->isEnabled(), 15000);
    QTRY_COMPARE_WITH_TIMEOUT(combo(page, "INS_TCAL3_ENABLE")->currentIndex(), 1, 15000);
    unit.clear();
    QTest::mouseClick(page.setButton(), Qt::LeftButton);
    QTest::qWait(300);
    QCOMPARE(unit.paramWrites(), Writes{});
    combo(page, "INS_TCAL_OPTIONS")->setCurrentIndex(2);
    QTest::mouseClick(page.setButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(unit.paramWrites().size(), 1, 10000);
    QCOMPARE(unit.paramWrites(), (Writes{{"INS_TCAL_OPTIONS", 2}}));
}

void TestImuTempCali::accPanelIsAChildOfTheWindow()
{
    // The accelerometer panel sits in the window (row 2, above the IMU groups), not in a hidden
    // window of its own.
    G_CFG_IMUTemp_Cali page(98);
    page.resize(1200, 900);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    G_CFG_AccCali *acc = page.accPanel();
    QVERIFY(!acc->isWindow());
    QCOMPARE(acc->window(), &page);
    QVERIFY(acc->isVisible());
    QVERIFY(acc->startButton()->isVisible());
    QVERIFY(acc->basicButton()->isVisible());
    QVERIFY(page.rect().contains(QRect(acc->mapTo(&page, QPoint(0, 0)), acc->size())));
    QVERIFY(acc->mapTo(&page, QPoint(0, acc->height())).y() <=
            page.control("INS_ACC1_CALTEMP")->mapTo(&page, QPoint(0, 0)).y());
}

void TestImuTempCali::oneTimeConfiguration()
{
    FakeFlyUnit unit;
    const int linkid = openLink(unit);
    QVERIFY(linkid > 0);
    G_CFG_IMUTemp_Cali page(linkid);
    page.show();
    spin(page, "BRD_HEAT_TARG")->setValue(12);
    QTest::mouseClick(page.oneTimeButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(unit.paramWrites().size(), 7, 10000);
    QCOMPARE(unit.paramWrites(), (Writes{{"INS_TCAL1_TMAX", 50},
                                         {"INS_TCAL2_TMAX", 50},
                                         {"INS_TCAL3_TMAX", 50},
                                         {"BRD_HEAT_TARG", 70},
                                         {"INS_TCAL1_ENABLE", 2},
                                         {"INS_TCAL2_ENABLE", 2},
                                         {"INS_TCAL3_ENABLE", 2}}));
    QCOMPARE(spin(page, "BRD_HEAT_TARG")->value(), 12.0);
}

void TestImuTempCali::valueWithoutEntryLeavesComboBlank()
{
    FakeFlyUnit unit;
    for (const QString &name : G_CFG_IMUTemp_Cali::parameterNames())
        unit.params.insert(name, 1);
    unit.params["LOG_DISARMED"] = 7;
    unit.params["INS_TCAL1_ENABLE"] = 1.5f;
    const int linkid = openLink(unit);
    QVERIFY(linkid > 0);
    G_CFG_IMUTemp_Cali page(linkid);
    page.show();
    QTRY_COMPARE_WITH_TIMEOUT(combo(page, "INS_TCAL3_ENABLE")->currentIndex(), 1, 15000);
    // The combo boxes start on their first entry, unmarked: the value arrived when they turn blank.
    QTRY_COMPARE_WITH_TIMEOUT(combo(page, "LOG_DISARMED")->currentIndex(), -1, 15000);
    QVERIFY(!combo(page, "LOG_DISARMED")->isChanged());
    QTRY_COMPARE_WITH_TIMEOUT(combo(page, "INS_TCAL1_ENABLE")->currentIndex(), -1, 15000);
    QVERIFY(!combo(page, "INS_TCAL1_ENABLE")->isChanged());
}

void TestImuTempCali::temperaturesToLabelsAndChart()
{
    FakeFlyUnit unit;
    const int linkid = openLink(unit);
    QVERIFY(linkid > 0);
    G_CFG_IMUTemp_Cali page(linkid);
    const qint16 centi[3] = {-1234, 4150, 3999};
    auto sendImus = [&] {
        for (int i = 0; i < 3; ++i) {
            QByteArray imu(FlyMsg::ImuLen, '\0');
            imu[0] = char(i);
            FlyLe::put<qint16>(reinterpret_cast<uchar *>(imu.data()) + 28, centi[i]);
            unit.send(FlyMsg::Imu, imu);
        }
    };
    sendImus();
    QTRY_VERIFY_WITH_TIMEOUT(m_bus->poolSnapshot(linkid).imu(2).temperatureCenti() == 3999, 10000);
    // Hidden: nothing collected.
    QTest::qWait(300);
    QCOMPARE(page.chart()->pointCount(0), 0);

    const qint64 shownAt = QDateTime::currentSecsSinceEpoch();
    page.show();
    QTRY_VERIFY_WITH_TIMEOUT(page.chart()->pointCount(2) >= 3, 10000);
    QCOMPARE(page.temperatureLabel(0)->text(), QStringLiteral("-12.3℃"));
    QCOMPARE(page.temperatureLabel(1)->text(), QStringLiteral("41.5℃"));
    QCOMPARE(page.temperatureLabel(2)->text(), QStringLiteral("40.0℃"));
    const QCPGraphDataContainer &d = *page.chart()->graph(1)->data();
    QCOMPARE(d.constBegin()->value, double(41.5f));
    // The key is the sample's time of day (seconds since the epoch), which the time axis shows.
    const double key = d.constBegin()->key;
    QVERIFY2(key >= double(shownAt) - 1 && key <= double(QDateTime::currentSecsSinceEpoch()) + 1,
             qPrintable(QString::number(key, 'f', 3)));

    // Unchecking the second series drops it and its history; checking it again starts it empty.
    page.seriesBox(1)->setChecked(false);
    QVERIFY(!page.chart()->graph(1));
    page.seriesBox(1)->setChecked(true);
    QVERIFY(page.chart()->graph(1));
    QVERIFY(page.chart()->pointCount(1) <= 1);
}

void TestImuTempCali::chineseTexts()
{
    ZtResources::init();
    QTranslator translator;
    QVERIFY(AppTranslation::installForLocale(QStringLiteral("zh_CN"), &translator));
    G_CFG_AccCali acc(99);
    G_CFG_MagCali mag(99);
    G_CFG_IMUTemp_Cali temp(99);
    QCOMPARE(acc.windowTitle(), QStringLiteral("加速度计校准"));
    QCOMPARE(acc.statusText(), QStringLiteral("等待开始"));
    QCOMPARE(G_CFG_AccCali::caliStateText(3), QStringLiteral("右侧朝下放置"));
    QCOMPARE(G_CFG_AccCali::caliStateText(7), QStringLiteral("加速度计校准成功"));
    QCOMPARE(mag.windowTitle(), QStringLiteral("磁罗盘校准"));
    QCOMPARE(G_CFG_MagCali::magStatusText(5), QStringLiteral("校准失败"));
    QCOMPARE(temp.windowTitle(), QStringLiteral("IMU温度校准"));
    QCOMPARE(temp.oneTimeButton()->text(), QStringLiteral("一键配置温度校准"));
    QCoreApplication::removeTranslator(&translator);
}

QTEST_MAIN(TestImuTempCali)
#include "tst_imutempcali.moc"
