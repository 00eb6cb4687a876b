// The factory log window: its model (progress of a data block, blocks of unknown logs, the only
// editable cells) and, against the simulated unit, a list with an empty log and one that is no
// multiple of 240 bytes, downloads byte-identical to the unit's content through loss and corruption,
// cancel, and erase after the question.
#include "support/InsFixture.h"
#include "support/SimInsLink.h"

#include "ui/factory/G_CFG_LogManager.h"
#include "ui/factory/LogModel.h"
#include "ui/widgets/TimedPopup.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>

namespace {
class TestablePage : public G_CFG_LogManager
{
public:
    using G_CFG_LogManager::G_CFG_LogManager;
    bool answer = true;
    QStringList questions;

    void press(const QString &text)
    {
        for (QPushButton *b : findChildren<QPushButton *>()) {
            if (b->text() == text)
                emit b->released();
        }
    }
    void check(int row) { model()->setData(model()->index(row, 0), Qt::Checked, Qt::CheckStateRole); }
    QString cell(int row, int column) const { return model()->index(row, column).data().toString(); }

protected:
    bool questionBox(const QString &title, const QString &text) override
    {
        questions << title + QLatin1Char('|') + text;
        return answer;
    }
};

// Asks for the list until it holds rows rows (loss may cut a listing short).
bool listed(TestablePage &page, int rows)
{
    for (int attempt = 0; attempt < 10; ++attempt) {
        page.press("GetLogList");
        if (QTest::qWaitFor([&] { return page.model()->rowCount() == rows; }, 3000))
            return true;
    }
    return false;
}

// The file a log was written to (its name starts with the id and "_"); empty when there is none.
QString logFile(int id)
{
    const QStringList names = QDir(G_CFG_LogManager::logDirectory())
                                  .entryList({QString::number(id) + QStringLiteral("_*.bin")}, QDir::Files);
    return names.size() == 1 ? G_CFG_LogManager::logDirectory() + QLatin1Char('/') + names.first() : QString();
}
} // namespace

class TestFactoryLogPage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void modelProgress_data();
    void modelProgress();
    void listAndDownloadThroughLoss();
    void cancel();
    void eraseAfterQuestion();
    void unwritableLogDirectory();

private:
    Q_DMMM *m_bus = nullptr;
    QTemporaryDir m_dir;
    QString m_oldDir;
};

void TestFactoryLogPage::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_oldDir = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
    m_bus = new Q_DMMM(-1);
}

void TestFactoryLogPage::cleanupTestCase()
{
    m_bus->releaseLinks();
    delete m_bus;
    QDir::setCurrent(m_oldDir);
}

void TestFactoryLogPage::modelProgress_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("blockId");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("downloaded");
    QTest::addColumn<QString>("progress");
    QTest::newRow("2000 bytes at 750") << 2000 << 5 << 750 << "750" << "37.5%";
    QTest::newRow("block of another log") << 2000 << 6 << 750 << "0" << "0%";
    QTest::newRow("empty log shows a number") << 0 << 5 << 0 << "0" << "0%";
}

void TestFactoryLogPage::modelProgress()
{
    QFETCH(int, size);
    QFETCH(int, blockId);
    QFETCH(int, offset);
    QFETCH(QString, downloaded);
    QFETCH(QString, progress);
    TestablePage page(9); // no such link: the window follows the bus only
    emit m_bus->DMMM_Event(DMMM_GCSEvent_Log_entry, 9,
                           QVariant::fromValue(FlyLogInfo::make(5, 1767225600, quint32(size), 1, 5)));
    emit m_bus->DMMM_Event(DMMM_GCSEvent_Log_entry, 8, QVariant::fromValue(FlyLogInfo::make(5, 0, 1, 1, 5)));
    QCOMPARE(page.model()->rowCount(), 1);
    emit m_bus->DMMM_Event(DMMM_GCSEvent_Log_data, 9,
                           QVariant::fromValue(FlyLogData::make(quint16(blockId), quint32(offset), QByteArray(240, 'x'))));
    QCOMPARE(page.cell(0, 1), QStringLiteral("5"));
    QCOMPARE(page.cell(0, 2), QString::number(size));
    QCOMPARE(page.cell(0, 3), downloaded);
    QCOMPARE(page.cell(0, 4), progress);
    for (int c = 0; c < 6; ++c)
        QCOMPARE(bool(page.model()->flags(page.model()->index(0, c)) & Qt::ItemIsUserCheckable), c == 0);
    QVERIFY(!page.model()->setData(page.model()->index(0, 1), 3, Qt::EditRole));
}

void TestFactoryLogPage::listAndDownloadThroughLoss()
{
    SimInsLink unit;
    QVERIFY(unit.start(*m_bus, {"--logs", "1:0,2:1000,3:1500000", "--drop", "10", "--corrupt", "0.05", "--seed", "7"},
                       1));
    TestablePage page(1);
    QCOMPARE(page.findChild<QLineEdit *>()->text(), QDir::current().absoluteFilePath("log/flight"));
    QVERIFY(listed(page, 3));
    QCOMPARE(page.cell(0, 2), QStringLiteral("0"));
    QCOMPARE(page.cell(1, 2), QStringLiteral("1000"));
    QCOMPARE(page.cell(2, 2), QStringLiteral("1500000"));
    QCOMPARE(page.cell(1, 4), QStringLiteral("0%"));
    QCOMPARE(page.cell(0, 5), QDateTime::fromSecsSinceEpoch(1767225600).toString("yyyy-MM-dd hh-mm-ss"));

    page.check(0);
    page.check(1);
    page.press("Download");
    QTRY_COMPARE_WITH_TIMEOUT(page.cell(1, 4), QStringLiteral("100.0%"), 60000);
    QTRY_COMPARE_WITH_TIMEOUT(page.cell(0, 4), QStringLiteral("100.0%"), 10000);
    for (int id : {1, 2}) {
        QFile file(logFile(id));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(QString::number(id)));
        QCOMPARE(file.readAll(), InsFixture::logPattern(id, id == 1 ? 0 : 1000));
    }
}

void TestFactoryLogPage::cancel()
{
    SimInsLink unit;
    QVERIFY(unit.start(*m_bus, {"--logs", "4:1500000"}, 2));
    TestablePage page(2);
    QVERIFY(listed(page, 1));
    page.check(0);
    page.press("Download");
    QTRY_VERIFY_WITH_TIMEOUT(page.model()->index(0, 0).data(LogModel::DownloadedRole).toInt() > 0, 20000);
    page.press("Cancel");
    QTest::qWait(300);
    const int stoppedAt = page.model()->index(0, 0).data(LogModel::DownloadedRole).toInt();
    QTest::qWait(800); // a running download would have gone on (blocks are re-asked after 600 ms)
    QCOMPARE(page.model()->index(0, 0).data(LogModel::DownloadedRole).toInt(), stoppedAt);
    QVERIFY(stoppedAt < 1500000);
    QVERIFY(logFile(4).isEmpty()); // a cut log never looks whole
}

void TestFactoryLogPage::eraseAfterQuestion()
{
    SimInsLink unit;
    QVERIFY(unit.start(*m_bus, {}, 4));
    TestablePage page(4);
    QSignalSpy empty(m_bus->linkById(4), &FlyLink::logListEmpty);
    page.answer = false;
    page.press("ClearLogs");
    QCOMPARE(page.questions, QStringList{QString::fromUtf8("Clear all logs|Confirm\xEF\xBC\x9F")});
    QVERIFY(listed(page, 3));
    page.answer = true;
    page.press("ClearLogs");
    QTest::qWait(200);
    page.press("GetLogList");
    QTRY_VERIFY_WITH_TIMEOUT(empty.count() > 0, 10000);
    QCOMPARE(page.model()->rowCount(), 0);
}

void TestFactoryLogPage::unwritableLogDirectory()
{
    // A log directory that cannot be made is said at once, as a message with the path and the system's
    // reason, and the download stops (no block is asked for and given up on later).
    QDir(QStringLiteral("log")).removeRecursively();
    QFile blocker(QStringLiteral("log"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    QList<TimedPopup::Shown> popups;
    TimedPopup::setInterceptor([&](const TimedPopup::Shown &shown) { popups << shown; });
    SimInsLink unit;
    QVERIFY(unit.start(*m_bus, {"--logs", "5:1000"}, 5));
    TestablePage page(5);
    QVERIFY(listed(page, 1));
    QSignalSpy timeouts(m_bus, qOverload<int, int, QVariant>(&Q_DMMM::DMMM_Event));
    page.check(0);
    page.press("Download");
    QTRY_COMPARE_WITH_TIMEOUT(popups.size(), 1, 5000);
    TimedPopup::setInterceptor({});
    QFile::remove(QStringLiteral("log"));
    QCOMPARE(popups[0].icon, QMessageBox::Warning);
    QCOMPARE(popups[0].text, QStringLiteral("Cannot write the log file %1: %2")
                                 .arg(QDir::toNativeSeparators(QDir::current().absoluteFilePath("log/flight")),
                                      QString::fromLocal8Bit(std::strerror(ENOTDIR))));
    QVERIFY(!m_bus->linkById(5)->logDownloadProgress(nullptr, nullptr));
    QTest::qWait(500);
    for (const QList<QVariant> &ev : timeouts)
        QVERIFY(ev[0].toInt() != DMMM_GCSEvent_Log_timeout && ev[0].toInt() != DMMM_GCSEvent_Log_data);
}

QTEST_MAIN(TestFactoryLogPage)
#include "tst_factorylogpage.moc"
