// zorvan-sim fmu --write-paracfg: the description workbook it writes is read back through the
// program's own reader, in the rows and columns the Param tab reads.
#include "core/formats/ParamDescriptions.h"
#include "core/formats/XlsxWorkbook.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QtTest>

class TestParacfg : public QObject
{
    Q_OBJECT
private slots:
    void builtinParameters_data();
    void builtinParameters();
    void ownParameterList();
    void unwritablePath();

private:
    QMap<QString, ParamDescription> written(const QStringList &extraArgs, const QString &path);
    QTemporaryDir m_dir;
};

QMap<QString, ParamDescription> TestParacfg::written(const QStringList &extraArgs, const QString &path)
{
    const TestFiles::ProgramRun run =
        TestFiles::run(QStringLiteral(ZT_SIM_PATH), QStringList{QStringLiteral("fmu")} + extraArgs +
                                                        QStringList{QStringLiteral("--write-paracfg"), path});
    if (run.exitCode != 0) {
        qWarning() << run.err;
        return {};
    }
    return ParamDescriptions::load(path);
}

void TestParacfg::builtinParameters_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("range");
    QTest::addColumn<QString>("describes"); // part of the description
    QTest::newRow("rate") << "ACRO_RP_RATE"
                          << "deg/s"
                          << "0 1080"
                          << "Acro mode";
    QTest::newRow("speed") << "WPNAV_SPEED"
                           << "cm/s"
                           << "0 2000"
                           << "Waypoint navigation";
    QTest::newRow("enable") << "FS_THR_ENABLE"
                            << ""
                            << "0:Disabled 1:Enabled"
                            << "Failsafe";
    QTest::newRow("gain") << "ATC_RAT_RLL_P"
                          << ""
                          << "0 10"
                          << "proportional gain";
    QTest::newRow("first row") << "FORMAT_VERSION"
                               << ""
                               << "-32768 32767"
                               << "Default 120";
}

void TestParacfg::builtinParameters()
{
    QFETCH(QString, name);
    QFETCH(QString, unit);
    QFETCH(QString, range);
    QFETCH(QString, describes);
    static const QString path = m_dir.filePath(QStringLiteral("builtin.xlsx"));
    static const QMap<QString, ParamDescription> table = written({}, path);
    QVERIFY(table.contains(name));
    QCOMPARE(table[name].unit, unit);
    QCOMPARE(table[name].range, range);
    QVERIFY2(table[name].description.contains(describes), qPrintable(table[name].description));

    // Every row the Param tab reads holds a described parameter: no empty row, no empty text.
    XlsxWorkbook book;
    QVERIFY2(book.load(path), qPrintable(book.error()));
    for (int row = 1; row <= 1000; ++row) {
        QVERIFY2(!book.cell(row, 1).isEmpty(), qPrintable(QString::number(row)));
        QVERIFY2(!book.cell(row, 4).isEmpty() && !book.cell(row, 5).isEmpty(), qPrintable(book.cell(row, 1)));
    }
    QVERIFY(!table.contains(QString()));
}

void TestParacfg::ownParameterList()
{
    // --params: the workbook describes exactly that list, texts with XML's special characters intact.
    const QString params = m_dir.filePath(QStringLiteral("params.txt"));
    QVERIFY(TestFiles::write(params, "SERIAL0_BAUD,57,1\nBATT_CAPACITY,3300,6\nZZ_<&>_X,1.5\n"));
    const QMap<QString, ParamDescription> table =
        written({QStringLiteral("--params"), params}, m_dir.filePath(QStringLiteral("own.xlsx")));
    QCOMPARE(table.size(), 4); // the three names and the empty name of the rows after them
    QCOMPARE(table[QStringLiteral("SERIAL0_BAUD")].unit, QStringLiteral("kbaud"));
    QVERIFY(table[QStringLiteral("SERIAL0_BAUD")].description.startsWith(QStringLiteral("Serial port")));
    QCOMPARE(table[QStringLiteral("BATT_CAPACITY")].range, QStringLiteral("-2147483648 2147483647"));
    QVERIFY(table.contains(QStringLiteral("ZZ_<&>_X")));
    QVERIFY(table[QStringLiteral("ZZ_<&>_X")].description.startsWith(QStringLiteral("General: zz <&> x")));
}

void TestParacfg::unwritablePath()
{
    const TestFiles::ProgramRun run =
        TestFiles::run(QStringLiteral(ZT_SIM_PATH), {QStringLiteral("fmu"), QStringLiteral("--write-paracfg"),
                                                     m_dir.filePath(QStringLiteral("no/such/dir/paracfg.xlsx"))});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(QStringLiteral("no/such/dir/paracfg.xlsx")), qPrintable(run.err));
}

QTEST_GUILESS_MAIN(TestParacfg)
#include "tst_paracfg.moc"
