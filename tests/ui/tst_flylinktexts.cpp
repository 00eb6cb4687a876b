// The Chinese catalogue covers the factory link's user texts (context FlyLink).
#include "ZtResources.h"
#include "ui/app/AppTranslation.h"
#include "core/flylink/FlyMessages.h"

#include <QtTest>

#include <QTranslator>

class TestFlyLinkTexts : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void translated_data();
    void translated();

private:
    QTranslator m_translator;
};

void TestFlyLinkTexts::initTestCase()
{
    ZtResources::init();
    QVERIFY(AppTranslation::installForLocale(QStringLiteral("zh_CN"), &m_translator));
}

void TestFlyLinkTexts::cleanupTestCase()
{
    QCoreApplication::removeTranslator(&m_translator);
}

void TestFlyLinkTexts::translated_data()
{
    QTest::addColumn<QString>("got");
    QTest::addColumn<QString>("expected");
    QTest::newRow("established") << QCoreApplication::translate("FlyLink", "Communication established")
                                 << QStringLiteral("通信已建立");
    QTest::newRow("disconnect") << QCoreApplication::translate("FlyLink", "Communication disconnect")
                                << QStringLiteral("通信断开");
    QTest::newRow("accepted") << FlyCmd::ackText(0x000D) << QStringLiteral("calibrate 命令已接受");
    QTest::newRow("provisionally") << FlyCmd::commandResultText(1) << QStringLiteral(" 命令暂时被拒绝");
    QTest::newRow("refused") << FlyCmd::ackText(0x0215) << QStringLiteral("order21 命令被拒绝");
    QTest::newRow("invalid") << FlyCmd::commandResultText(3) << QStringLiteral(" 命令无效");
    QTest::newRow("failed") << FlyCmd::commandResultText(4) << QStringLiteral(" 命令执行失败");
    QTest::newRow("in execution") << FlyCmd::commandResultText(5) << QStringLiteral(" 命令执行中");
    QTest::newRow("unknown") << FlyCmd::ackText(0x0A0D) << QStringLiteral("calibrate 未知结果10");
}

void TestFlyLinkTexts::translated()
{
    QFETCH(QString, got);
    QFETCH(QString, expected);
    QCOMPARE(got, expected);
}

QTEST_GUILESS_MAIN(TestFlyLinkTexts)
#include "tst_flylinktexts.moc"
