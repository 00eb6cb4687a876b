// The record store: round trip, exactly-once ids, the unit rows and their marks, the schema guard,
// and what a store does when its file cannot be written (locked by another process, no directory).
#include "records/ProductionRecord.h"
#include "records/RecordCsv.h"
#include "records/RecordFilter.h"
#include "records/RecordStore.h"
#include "records/RecordWriter.h"
#include "records/RecordsConfig.h"
#include "records/UnitKey.h"

#include "core/flylink/TelemetryRecord.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <unistd.h>

using Result = ProductionRecord::Result;

namespace {
ProductionRecord rec(const QString &unit, const QString &op, Result result, qint64 timeMs)
{
    ProductionRecord r = ProductionRecord::make(op, unit, result);
    r.timeMs = timeMs;
    r.station = QStringLiteral("st1");
    r.operatorName = QStringLiteral("op1");
    return r;
}

// Runs this test program as a helper that holds the SQLite file locked until its stdin closes.
const char *const HoldLockArg = "--hold-sqlite-lock";

int holdLock(const QString &path)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
        db.setDatabaseName(path);
        if (!db.open())
            return 1;
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("BEGIN EXCLUSIVE")))
            return 1;
        std::printf("locked\n");
        std::fflush(stdout);
        char c;
        while (::read(0, &c, 1) > 0) {
        }
        q.exec(QStringLiteral("ROLLBACK"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("holder"));
    return 0;
}
} // namespace

class TestRecordStore : public QObject
{
    Q_OBJECT

private slots:
    void roundTripKeepsEveryField();
    void sameIdIsStoredOnce();
    void marksFollowTheLatestAttempt_data();
    void marksFollowTheLatestAttempt();
    void unitRowTakesTheLatestIdentity();
    void resolveFindsUnitBySerialNumber();
    void newerSchemaIsRefusedAndLeftUnchanged();
    void fileLockedByAnotherProcessFails();
    void unwritableDirectoryIsReportedAtOnce_data();
    void unwritableDirectoryIsReportedAtOnce();
    void writerStoresFromManyThreads();
    void filterSelectsUnits_data();
    void filterSelectsUnits();
    void csvFieldsReadBack();
    void databaseOption_data();
    void databaseOption();
    void unitKeyIsThePanelsUuid();
};

void TestRecordStore::roundTripKeepsEveryField()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("records/production.sqlite"));
    ProductionRecord r =
        rec(QStringLiteral("0035002B3138510735383733"), QStringLiteral("write-sn"), Result::Failed, 1765000000123);
    r.reason = QStringLiteral("cmd failed, \"quoted\"\nsecond line");
    r.details = QJsonObject{{QStringLiteral("value"), QStringLiteral("2401-0007")},
                            {QStringLiteral("names"), QJsonArray{QStringLiteral("A"), QStringLiteral("B")}},
                            {QStringLiteral("station"), QStringLiteral("工位 3")}};
    r.serialNumber = QStringLiteral("2401-0007");
    r.hardware = QStringLiteral("ORVE-Nano");
    r.firmware = QStringLiteral("1.4.2.3");
    {
        RecordStore store;
        QVERIFY2(store.openSqlite(path), qPrintable(store.lastError()));
        QVERIFY2(store.insert(r), qPrintable(store.lastError()));
    }
    RecordStore again;
    QVERIFY2(again.openSqlite(path), qPrintable(again.lastError()));
    const QVector<ProductionRecord> back = again.history(r.unitKey);
    QCOMPARE(back.size(), 1);
    QVERIFY(back[0] == r);
    QCOMPARE(again.schemaVersion(), RecordStore::SchemaVersion);
}

void TestRecordStore::sameIdIsStoredOnce()
{
    QTemporaryDir dir;
    RecordStore store;
    QVERIFY(store.openSqlite(dir.filePath(QStringLiteral("p.sqlite"))));
    const ProductionRecord r = rec(QStringLiteral("U1"), QStringLiteral("flash"), Result::Ok, 1000);
    QVERIFY2(store.insert(r), qPrintable(store.lastError()));
    // A batch holding the same id again plus a new one: the new one lands, the old one stays single.
    QVERIFY(store.insert({r, rec(QStringLiteral("U1"), QStringLiteral("gyro-cali"), Result::Ok, 2000)}));
    QCOMPARE(store.recordCount(), 2);
}

void TestRecordStore::marksFollowTheLatestAttempt_data()
{
    QTest::addColumn<QStringList>("operations"); // "operation=result" in time order
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("mark");
    QTest::newRow("nothing") << QStringList{QStringLiteral("reboot=ok")} << int(RecordStep::Gyro)
                             << int(RecordStep::NotDone);
    QTest::newRow("passed") << QStringList{QStringLiteral("gyro-cali=ok")} << int(RecordStep::Gyro)
                            << int(RecordStep::Passed);
    QTest::newRow("failed after passing")
        << QStringList{QStringLiteral("mag-cali=ok"), QStringLiteral("mag-simple-cali=failed")}
        << int(RecordStep::Compass) << int(RecordStep::Failed);
    QTest::newRow("passed after failing")
        << QStringList{QStringLiteral("acc-cali=failed"), QStringLiteral("acc-basic-cali=ok")}
        << int(RecordStep::Accelerometer) << int(RecordStep::Passed);
    QTest::newRow("cancelled keeps the pass")
        << QStringList{QStringLiteral("acc-cali=ok"), QStringLiteral("acc-cali=cancelled")}
        << int(RecordStep::Accelerometer) << int(RecordStep::Passed);
    QTest::newRow("only cancelled") << QStringList{QStringLiteral("mag-inflight-cali=cancelled")}
                                    << int(RecordStep::Compass) << int(RecordStep::NotDone);
    QTest::newRow("param set is parameters")
        << QStringList{QStringLiteral("param-set=ok")} << int(RecordStep::Parameters) << int(RecordStep::Passed);
    QTest::newRow("params saved is no upload")
        << QStringList{QStringLiteral("params-save=ok")} << int(RecordStep::Parameters) << int(RecordStep::NotDone);
    QTest::newRow("temperature config") << QStringList{QStringLiteral("imu-temp-config=ok")}
                                        << int(RecordStep::Temperature) << int(RecordStep::Passed);
    QTest::newRow("mavlink param set marks nothing") << QStringList{QStringLiteral("mavlink-param-set=ok")}
                                                     << int(RecordStep::Parameters) << int(RecordStep::NotDone);
}

void TestRecordStore::marksFollowTheLatestAttempt()
{
    QFETCH(QStringList, operations);
    QFETCH(int, step);
    QFETCH(int, mark);
    QTemporaryDir dir;
    RecordStore store;
    QVERIFY(store.openSqlite(dir.filePath(QStringLiteral("p.sqlite"))));
    QVector<ProductionRecord> batch;
    qint64 t = 5000;
    for (const QString &o : operations) {
        Result r;
        QVERIFY(ProductionRecord::parseResult(o.section('=', 1), &r));
        // Inserted newest first: the marks go by the time, not by the order of storing.
        batch.prepend(rec(QStringLiteral("U"), o.section('=', 0, 0), r, t += 10));
    }
    QVERIFY(store.insert(batch));
    const QVector<UnitSummary> units = store.units();
    QCOMPARE(units.size(), 1);
    QCOMPARE(int(units[0].marks[step]), mark);
}

void TestRecordStore::unitRowTakesTheLatestIdentity()
{
    QTemporaryDir dir;
    RecordStore store;
    QVERIFY(store.openSqlite(dir.filePath(QStringLiteral("p.sqlite"))));
    ProductionRecord a = rec(QStringLiteral("A"), QStringLiteral("identified"), Result::Ok, 100);
    a.serialNumber = QStringLiteral("2025-0001");
    a.firmware = QStringLiteral("1.0");
    ProductionRecord b = rec(QStringLiteral("A"), QStringLiteral("write-sn"), Result::Ok, 200);
    b.serialNumber = QStringLiteral("2401-0007");
    b.station = QStringLiteral("st2");
    ProductionRecord other = rec(QStringLiteral("B"), QStringLiteral("flash"), Result::Ok, 150);
    QVERIFY(store.insert({a, b, other}));
    const QVector<UnitSummary> units = store.units();
    QCOMPARE(units.size(), 2);
    QCOMPARE(units[0].unitKey, QStringLiteral("A")); // the most recently seen first
    QCOMPARE(units[0].serialNumber, QStringLiteral("2401-0007"));
    QCOMPARE(units[0].firmware, QStringLiteral("1.0")); // a record without identity keeps the last known
    QCOMPARE(units[0].lastStation, QStringLiteral("st2"));
    QCOMPARE(units[0].stations, (QStringList{QStringLiteral("st1"), QStringLiteral("st2")}));
    QCOMPARE(units[0].recordCount, 2);
}

void TestRecordStore::resolveFindsUnitBySerialNumber()
{
    QTemporaryDir dir;
    RecordStore store;
    QVERIFY(store.openSqlite(dir.filePath(QStringLiteral("p.sqlite"))));
    ProductionRecord a = rec(QStringLiteral("00AB00CD00EF001200340056"), QStringLiteral("write-sn"), Result::Ok, 100);
    a.serialNumber = QStringLiteral("2401-0007");
    QVERIFY(store.insert(a));
    QCOMPARE(store.resolveUnit(QStringLiteral("2401-0007")), a.unitKey);
    QCOMPARE(store.resolveUnit(QStringLiteral("00ab00cd00ef001200340056")), a.unitKey);
    QVERIFY(store.resolveUnit(QStringLiteral("2401-0008")).isEmpty());
}

void TestRecordStore::newerSchemaIsRefusedAndLeftUnchanged()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.sqlite"));
    {
        RecordStore store;
        QVERIFY(store.openSqlite(path));
        QVERIFY(store.insert(rec(QStringLiteral("U"), QStringLiteral("flash"), Result::Ok, 1)));
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("newer"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(
            QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)").arg(RecordStore::SchemaVersion + 1)));
        QVERIFY(q.exec(QStringLiteral("CREATE TABLE future_table (x INTEGER)")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("newer"));
    const QByteArray before = [&] {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    RecordStore store;
    QVERIFY(!store.openSqlite(path));
    QVERIFY2(store.lastError().contains(QStringLiteral("newer")), qPrintable(store.lastError()));
    QVERIFY(store.lastError().contains(QString::number(RecordStore::SchemaVersion + 1)));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
    // Nor does the writer store into it.
    RecordsConfig config;
    config.sqlitePath = path;
    RecordWriter writer(config);
    writer.record(rec(QStringLiteral("U"), QStringLiteral("gyro-cali"), Result::Ok, 2));
    QVERIFY(writer.flush());
    QCOMPARE(writer.failureCount(), 1);
    QVERIFY(writer.lastFailure().contains(QStringLiteral("newer")));
}

void TestRecordStore::fileLockedByAnotherProcessFails()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.sqlite"));
    {
        RecordStore store;
        QVERIFY(store.openSqlite(path));
    }
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(HoldLockArg), path});
    QVERIFY(holder.waitForStarted());
    QVERIFY(holder.waitForReadyRead(10000));
    QCOMPARE(holder.readLine().trimmed(), QByteArray("locked"));

    RecordsConfig config;
    config.sqlitePath = path;
    RecordWriter writer(config);
    QString reported;
    connect(&writer, &RecordWriter::recordFailed, this,
            [&](const ProductionRecord &, const QString &why) { reported = why; });
    QElapsedTimer clock;
    clock.start();
    writer.record(rec(QStringLiteral("U"), QStringLiteral("flash"), Result::Ok, 1));
    QVERIFY(clock.elapsed() < 100); // the caller never waits for the lock
    QVERIFY(writer.flush(RecordStore::SqliteBusyMs * 4));
    QCOMPARE(writer.failureCount(), 1);
    QVERIFY2(writer.lastFailure().contains(QStringLiteral("locked")), qPrintable(writer.lastFailure()));
    QTRY_VERIFY(!reported.isEmpty());

    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(10000));
    // Once the lock is gone the next record is stored.
    writer.record(rec(QStringLiteral("U"), QStringLiteral("gyro-cali"), Result::Ok, 2));
    QVERIFY(writer.flush());
    QCOMPARE(writer.storedCount(), 1);
}

void TestRecordStore::unwritableDirectoryIsReportedAtOnce_data()
{
    QTest::addColumn<bool>("readOnlyDir");
    QTest::newRow("a file where the directory should be") << false;
    QTest::newRow("read-only directory") << true;
}

void TestRecordStore::unwritableDirectoryIsReportedAtOnce()
{
    QFETCH(bool, readOnlyDir);
    QTemporaryDir dir;
    QString path;
    if (readOnlyDir) {
        if (::geteuid() == 0)
            QSKIP("root writes into a read-only directory");
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("ro")));
        QFile::setPermissions(dir.filePath(QStringLiteral("ro")), QFile::ReadOwner | QFile::ExeOwner);
        path = dir.filePath(QStringLiteral("ro/production.sqlite"));
    } else {
        QFile blocker(dir.filePath(QStringLiteral("records")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        path = dir.filePath(QStringLiteral("records/production.sqlite"));
    }
    RecordsConfig config;
    config.sqlitePath = path;
    RecordWriter writer(config);
    writer.record(rec(QStringLiteral("U"), QStringLiteral("flash"), Result::Ok, 1));
    QVERIFY(writer.flush(5000));
    QCOMPARE(writer.failureCount(), 1);
    QVERIFY2(writer.lastFailure().contains(path.section('/', 0, -2)) || writer.lastFailure().contains(path),
             qPrintable(writer.lastFailure()));
    if (readOnlyDir)
        QFile::setPermissions(dir.filePath(QStringLiteral("ro")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestRecordStore::writerStoresFromManyThreads()
{
    QTemporaryDir dir;
    RecordsConfig config;
    config.sqlitePath = dir.filePath(QStringLiteral("p.sqlite"));
    config.station = QStringLiteral("line-2");
    config.operatorName = QStringLiteral("wang");
    QStringList ids;
    {
        RecordWriter writer(config);
        QVector<QThread *> threads;
        QMutex idsMutex;
        for (int t = 0; t < 4; ++t) {
            threads << QThread::create([&, t] {
                for (int i = 0; i < 50; ++i) {
                    ProductionRecord r =
                        ProductionRecord::make(QStringLiteral("flash"), QStringLiteral("U%1").arg(t), Result::Ok);
                    QMutexLocker lock(&idsMutex);
                    ids << r.id;
                    writer.record(r);
                }
            });
            threads.last()->start();
        }
        for (QThread *t : threads) {
            t->wait();
            delete t;
        }
        // The destructor stores what is queued.
    }
    RecordStore store;
    QVERIFY(store.openSqlite(config.sqlitePath));
    const QVector<ProductionRecord> all = store.records();
    QCOMPARE(all.size(), 200);
    QStringList stored;
    for (const ProductionRecord &r : all) {
        stored << r.id;
        QCOMPARE(r.station, QStringLiteral("line-2"));
        QCOMPARE(r.operatorName, QStringLiteral("wang"));
        QVERIFY(!r.version.isEmpty());
    }
    stored.sort();
    ids.sort();
    QCOMPARE(stored, ids);
}

void TestRecordStore::filterSelectsUnits_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("station");
    QTest::addColumn<qint64>("sinceMs");
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("expected");
    const QStringList both{QStringLiteral("A"), QStringLiteral("B")};
    QTest::newRow("none") << QString() << QString() << qint64(0) << int(RecordFilter::Result::Any) << both;
    QTest::newRow("sn part") << QStringLiteral("0007") << QString() << qint64(0) << int(RecordFilter::Result::Any)
                             << QStringList{QStringLiteral("A")};
    QTest::newRow("operator, any case") << QStringLiteral("LI") << QString() << qint64(0)
                                        << int(RecordFilter::Result::Any) << QStringList{QStringLiteral("B")};
    QTest::newRow("station exact") << QString() << QStringLiteral("st1") << qint64(0) << int(RecordFilter::Result::Any)
                                   << QStringList{QStringLiteral("A")};
    QTest::newRow("since") << QString() << QString() << qint64(250) << int(RecordFilter::Result::Any)
                           << QStringList{QStringLiteral("B")};
    QTest::newRow("failed") << QString() << QString() << qint64(0) << int(RecordFilter::Result::Failed)
                            << QStringList{QStringLiteral("B")};
    QTest::newRow("incomplete") << QString() << QString() << qint64(0) << int(RecordFilter::Result::Incomplete)
                                << QStringList{QStringLiteral("A")};
}

void TestRecordStore::filterSelectsUnits()
{
    QFETCH(QString, text);
    QFETCH(QString, station);
    QFETCH(qint64, sinceMs);
    QFETCH(int, result);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    RecordStore store;
    QVERIFY(store.openSqlite(dir.filePath(QStringLiteral("p.sqlite"))));
    ProductionRecord a = rec(QStringLiteral("A"), QStringLiteral("write-sn"), Result::Ok, 100);
    a.serialNumber = QStringLiteral("2401-0007");
    ProductionRecord b = rec(QStringLiteral("B"), QStringLiteral("mag-cali"), Result::Failed, 300);
    b.station = QStringLiteral("st2");
    b.operatorName = QStringLiteral("li.na");
    QVERIFY2(store.insert({a, b}), qPrintable(store.lastError()));
    RecordFilter f;
    f.text = text;
    f.station = station;
    f.sinceMs = sinceMs;
    f.result = RecordFilter::Result(result);
    QStringList got;
    for (const UnitSummary &u : store.units()) {
        if (f.matches(u))
            got << u.unitKey;
    }
    got.sort();
    QCOMPARE(got, expected);
}

void TestRecordStore::csvFieldsReadBack()
{
    ProductionRecord r = rec(QStringLiteral("U,1"), QStringLiteral("flash"), Result::Failed, 1765000000000);
    r.reason = QStringLiteral("said \"no\"\r\nthen stopped");
    r.details = QJsonObject{{QStringLiteral("file"), QStringLiteral("a,b.bin")}};
    const QVector<QStringList> rows = RecordCsv::parse(RecordCsv::records({r, r}));
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0].first(), QStringLiteral("id"));
    QCOMPARE(rows[1].size(), rows[0].size());
    QCOMPARE(rows[1][1], r.unitKey);
    QCOMPARE(rows[1][8], r.reason);
    QCOMPARE(rows[1].last(), r.detailsText());
    QCOMPARE(rows[1][2], QStringLiteral("2025-12-06T05:46:40.000Z"));
}

void TestRecordStore::databaseOption_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("postgres");
    QTest::addColumn<QString>("described");
    QTest::newRow("file") << QStringLiteral("other/p.sqlite") << true << false
                          << QStringLiteral("sqlite other/p.sqlite");
    QTest::newRow("server") << QStringLiteral("postgresql://line@db.local:6543/prod") << true << true
                            << QStringLiteral("postgresql line@db.local:6543/prod");
    QTest::newRow("default port") << QStringLiteral("postgresql://line@db/prod") << true << true
                                  << QStringLiteral("postgresql line@db:5432/prod");
    QTest::newRow("password refused") << QStringLiteral("postgresql://line:secret@db:5432/prod") << false << false
                                      << QString();
    QTest::newRow("empty password refused")
        << QStringLiteral("postgresql://line:@db:5432/prod") << false << false << QString();
    QTest::newRow("no host") << QStringLiteral("postgresql:///prod") << false << false << QString();
}

void TestRecordStore::databaseOption()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(bool, postgres);
    QFETCH(QString, described);
    RecordsConfig c;
    QString error;
    QCOMPARE(c.applyDatabaseOption(text, &error), ok);
    if (!ok) {
        QVERIFY(!error.isEmpty());
        QVERIFY2(!error.contains(QStringLiteral("secret")), qPrintable(error));
        return;
    }
    QCOMPARE(c.postgres, postgres);
    QCOMPARE(c.describe(), described);
}

void TestRecordStore::unitKeyIsThePanelsUuid()
{
    // The board information's first twelve bytes and GET_SN's answer carry the same words.
    const QByteArray wire = QByteArray::fromHex("2b0035000751383133373835");
    QByteArray board(FlyMsg::BoardInfoLen, '\0');
    board.replace(0, 12, wire);
    const FlyBoardInfoView view(reinterpret_cast<const uchar *>(board.constData()));
    QCOMPARE(UnitKey::fromWire(wire), FlyText::uuidText(view));
    QCOMPARE(UnitKey::fromWire(wire), QStringLiteral("0035002B3138510735383733"));
    QCOMPARE(UnitKey::fromWords(0x0035002B, 0x31385107, 0x35383733), UnitKey::fromWire(wire));
    QVERIFY(UnitKey::fromWire(wire.left(11)).isEmpty());
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], HoldLockArg) == 0)
        return holdLock(QString::fromLocal8Bit(argv[2]));
    TestRecordStore t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_recordstore.moc"
