// The common-parameter window against the simulated unit, in debug mode: the whole-set download,
// the quick editor and the table upload (a value that is no number refused with a message, a name
// outside the link's common table reported as not uploaded), saving to ./ParamLog with its board
// line, the compare view before a load and malformed lines named by number, and saves that cannot be
// written reported without "saved successfully".
#include "support/SimInsLink.h"
#include "support/TestFiles.h"

#include "core/flylink/FlyMessages.h"
#include "ui/factory/G_CFG_CommonParam.h"
#include "ui/factory/ParamCompareDialog.h"
#include "ui/factory/ParamTableModel.h"
#include "ui/widgets/TimedPopup.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {
class TestablePage : public G_CFG_CommonParam
{
public:
    using G_CFG_CommonParam::G_CFG_CommonParam;
    QString fileToLoad;
    bool loadAfterCompare = true;
    QStringList compared; // "NAME|UNIT|FILE" rows of the last compare view
    QString compareSummary;

    void press(const QString &text)
    {
        for (QPushButton *b : findChildren<QPushButton *>()) {
            if (b->text() == text)
                emit b->released();
        }
    }
    int rowOf(const QString &name) const
    {
        for (int i = 0; i < model()->rowCount(); ++i) {
            if (model()->index(i, 0).data().toString() == name)
                return i;
        }
        return -1;
    }
    QLineEdit *edit(int n) const { return findChildren<QLineEdit *>().at(n); }

protected:
    QString chooseParamFile(const QString &) override { return fileToLoad; }
    bool runCompare(ParamCompareDialog &dialog) override
    {
        compared.clear();
        compareSummary = dialog.summary();
        for (int r = 0; r < dialog.table()->rowCount(); ++r)
            compared << dialog.table()->item(r, 0)->text() + '|' + dialog.table()->item(r, 1)->text() + '|' +
                            dialog.table()->item(r, 2)->text();
        return loadAfterCompare;
    }
};

// Parameter set frames (message 36 to the unit) for name.
int setsSent(SimInsLink &unit, const QString &name)
{
    int n = 0;
    for (const FlyFrame &f : unit.sent(FlyMsg::ParamValue))
        n += FlyParamValue::fromPayload(f.payload).name() == name;
    return n;
}
} // namespace

class TestCommonParamPage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init() { m_messages.clear(); }
    void workbookEvenRows();
    void beforeDownload();
    void download();
    void quickEditor_data();
    void quickEditor();
    void tableEditAndUpload();
    void saveCompareAndLoad();
    void unwritableSaves_data();
    void unwritableSaves();

private:
    float unitValue(const QString &name) { return m_bus->linkById(1)->commonParams().value(name).value; }
    bool downloaded(TestablePage &page);

    QTemporaryDir m_dir;
    QString m_oldDir;
    Q_DMMM *m_bus = nullptr;
    SimInsLink m_unit;
    QStringList m_messages;
};

void TestCommonParamPage::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_oldDir = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
    QDir().mkpath("cfg");
    QSettings("./cfg/Setting.ini", QSettings::IniFormat).setValue("ORVE/Mode", "DebugMode");
    {
        QSettings presets("./cfg/param.ini", QSettings::IniFormat);
        presets.setValue("HeaterTarget", "BRD_HEAT_TARG");
        presets.setValue("NotOnUnit", "NO_SUCH_PARAM");
        presets.setValue("BodyFix", "INS_ACC_BODYFIX");
    }
    TimedPopup::setInterceptor([this](const TimedPopup::Shown &s) { m_messages << s.text; });
    m_bus = new Q_DMMM(-1);
    QVERIFY(m_unit.start(*m_bus, {}));
}

void TestCommonParamPage::cleanupTestCase()
{
    TimedPopup::setInterceptor({});
    m_bus->releaseLinks();
    delete m_bus;
    QDir::setCurrent(m_oldDir);
}

// The parameters of the simulated unit (its own set and the IMU temperature-calibration ones).
constexpr int SimParamCount = 34;

bool TestCommonParamPage::downloaded(TestablePage &page)
{
    page.press("Download");
    return QTest::qWaitFor(
        [&] { return page.model()->rowCount() == SimParamCount && page.findChild<QProgressBar *>()->value() == 100; },
        30000);
}

void TestCommonParamPage::workbookEvenRows()
{
    // Rows 1..4: only the even ones go into the bus's parameter configuration.
    const QString path = m_dir.filePath("paracfg.xlsx");
    QVERIFY(TestFiles::writeWorkbook(path, {{"ODD_ROW", "", "m", "0 1", "odd"},
                                            {"INS_USE", "", "", "0:Off 1:On", "Use the first IMU"},
                                            {"ODD_TOO", "", "s", "", "odd"},
                                            {"BRD_HEAT_TARG", "x", "degC", "0 80", "Heater target"}}));
    G_CFG_CommonParam::loadParamWorkbook(path);
    QCOMPARE(m_bus->paramCfgDescription("INS_USE"), QStringLiteral("Use the first IMU"));
    QCOMPARE(m_bus->paramCfgRange("INS_USE"), QStringLiteral("0:Off 1:On"));
    QCOMPARE(m_bus->paramCfgUnit("BRD_HEAT_TARG"), QStringLiteral("degC"));
    QCOMPARE(m_bus->paramCfgUnit("ODD_ROW"), QStringLiteral("/"));
    QCOMPARE(m_bus->paramCfgUnit("ODD_TOO"), QStringLiteral("/"));
    TestablePage page(5);
    page.model()->addParam("INS_USE", 1, false);
    QCOMPARE(page.model()->index(0, 2).data().toString(), QStringLiteral("0:Off 1:On"));
    QCOMPARE(page.model()->index(0, 4).data().toString(), QStringLiteral("Use the first IMU"));
}

void TestCommonParamPage::beforeDownload()
{
    // Before any Download the link has read nothing but what another window asked for.
    QVERIFY(!m_bus->linkById(1)->commonParams().contains("INS_ACC_BODYFIX"));
    m_unit.clearSent();
    QTRY_VERIFY_WITH_TIMEOUT(m_bus->linkById(1)->isConnected(), 10000);
    float v = 0;
    m_bus->linkById(1)->getCommonParam("INS_USE2", &v, false); // as the temperature window does
    QTRY_VERIFY_WITH_TIMEOUT(m_bus->linkById(1)->getCommonParam("INS_USE2", &v, false) == 1, 10000);

    TestablePage page(1);
    page.show();
    // What the link read before the window existed is in the window.
    QVERIFY(page.rowOf("INS_USE2") >= 0);
    QCOMPARE(page.model()->index(page.rowOf("INS_USE2"), 1).data().toString(), QString::number(double(v), 'g', 6));

    // The quick editor reads the picked parameter from the unit, shows its value, and writes it
    // although no Download came before (the write waits for the unit's answer to the read).
    QComboBox *picker = page.findChild<QComboBox *>();
    picker->setCurrentIndex(-1);
    picker->setCurrentText("BodyFix");
    QCOMPARE(page.edit(1)->text(), QStringLiteral("INS_ACC_BODYFIX"));
    page.edit(3)->setText("2");
    page.press("SetValue");
    QTRY_COMPARE_WITH_TIMEOUT(page.edit(2)->text(), QStringLiteral("2"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(
        m_messages, QStringList{"Item(INS_ACC_BODYFIX) data upload completed, \r\n please update the data to view!"},
        10000);
    QCOMPARE(setsSent(m_unit, "INS_ACC_BODYFIX"), 1);
}

void TestCommonParamPage::download()
{
    TestablePage page(1);
    QVERIFY(page.debugMode());
    QVERIFY(downloaded(page));
    QTRY_VERIFY_WITH_TIMEOUT(page.findChildren<QPushButton *>().at(1)->text() == "StartDownload", 5000);
    const int row = page.rowOf("BRD_HEAT_TARG");
    QVERIFY(row >= 0);
    QCOMPARE(page.model()->index(row, 1).data().toString(), QStringLiteral("45"));
    QCOMPARE(page.model()->index(row, 3).data().toString(), QStringLiteral("degC")); // from the workbook
    QCOMPARE(page.model()->index(page.rowOf("INS_GYR_CAL"), 3).data().toString(), QStringLiteral("/"));
}

void TestCommonParamPage::quickEditor_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("sets");
    QTest::newRow("not a number") << "HeaterTarget"
                                  << "4x5"
                                  << "Item(BRD_HEAT_TARG): \"4x5\" is not a number, nothing was written." << 0;
    QTest::newRow("empty") << "HeaterTarget"
                           << ""
                           << "Item(BRD_HEAT_TARG): \"\" is not a number, nothing was written." << 0;
    QTest::newRow("outside the common table")
        << "NotOnUnit"
        << "1"
        << "Item(NO_SUCH_PARAM) is not a common parameter of the unit: not uploaded." << 0;
    QTest::newRow("written") << "HeaterTarget"
                             << "50"
                             << "Item(BRD_HEAT_TARG) data upload completed, \r\n please update the data to view!" << 1;
}

void TestCommonParamPage::quickEditor()
{
    QFETCH(QString, label);
    QFETCH(QString, value);
    QFETCH(QString, message);
    QFETCH(int, sets);
    TestablePage page(1);
    QVERIFY(downloaded(page));
    QComboBox *picker = page.findChild<QComboBox *>();
    picker->setCurrentIndex(-1); // the first label is current from the start
    picker->setCurrentText(label);
    const QString name = page.edit(1)->text();
    if (label == "HeaterTarget") {
        QCOMPARE(name, QStringLiteral("BRD_HEAT_TARG"));
        QCOMPARE(page.edit(2)->text(), QString::number(double(unitValue(name)), 'g', 6));
    }
    page.edit(3)->setText(value);
    m_unit.clearSent();
    page.press("SetValue");
    // A name the link has not read is asked of the unit first: its refusal comes when it never answers.
    QTRY_COMPARE_WITH_TIMEOUT(m_messages, QStringList{message}, 10000);
    QTest::qWait(200);
    QCOMPARE(setsSent(m_unit, name), sets);
    if (sets)
        QTRY_COMPARE_WITH_TIMEOUT(unitValue(name), value.toFloat(), 10000);
}

void TestCommonParamPage::tableEditAndUpload()
{
    TestablePage page(1);
    QVERIFY(downloaded(page));
    ParamTableModel *model = page.model();
    const int row = page.rowOf("INS_USE2");
    QVERIFY(!model->setData(model->index(row, 1), "one", Qt::EditRole));
    QCOMPARE(m_messages, QStringList{"Item(INS_USE2): \"one\" is not a number, the value is unchanged."});
    QVERIFY(!model->isEdited("INS_USE2"));
    QVERIFY(!model->setData(model->index(row, 1), "nan", Qt::EditRole)); // no value for a unit
    QVERIFY(!model->isEdited("INS_USE2"));
    m_messages.clear();
    QVERIFY(!model->setData(model->index(row, 1), "1.000000001", Qt::EditRole)); // the same value
    QVERIFY(!model->index(row, 1).data(Qt::BackgroundRole).isValid());
    QVERIFY(model->setData(model->index(row, 1), "0", Qt::EditRole));
    QCOMPARE(model->index(row, 1).data(Qt::BackgroundRole).value<QColor>(), QColor(255, 0, 0));
    model->addParam("FILE_ONLY", 3, true); // a row from a file, unknown to the unit

    m_messages.clear();
    m_unit.clearSent();
    page.press("Upload");
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages[0], QStringLiteral("1Item data upload completed, \r\n please update the data to view!\r\n"
                                           "Not uploaded (not common parameters of the unit): FILE_ONLY"));
    QTRY_COMPARE_WITH_TIMEOUT(unitValue("INS_USE2"), 0.0f, 10000);
    QCOMPARE(setsSent(m_unit, "FILE_ONLY"), 0);
    page.press("Upload"); // the unit now holds the value: the row is no longer edited
    QVERIFY(!model->isEdited("INS_USE2"));
}

void TestCommonParamPage::saveCompareAndLoad()
{
    TestablePage page(1);
    QVERIFY(downloaded(page));
    page.press("SaveFile");
    QCOMPARE(m_messages, QStringList{QStringLiteral("%1Item parameters are saved successfully!").arg(SimParamCount)});
    const QString name = "10031-0035002B3138510735383733-" + QDate::currentDate().toString("yyyyMMdd") + ".param";
    const QString path = G_CFG_CommonParam::paramLogDirectory() + '/' + name;
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    file.close();
    QCOMPARE(lines.size(), 7 + SimParamCount + 1);
    QCOMPARE(lines[0], QStringLiteral("HWInfo:10031"));
    QFile hw(G_CFG_CommonParam::paramLogDirectory() + "/hwInfo.csv");
    QVERIFY(hw.open(QIODevice::ReadOnly));
    QVERIFY(hw.readAll().endsWith(",UUID:0035002B3138510735383733\r\n"));

    // The operator edits the file: one value changed, one parameter the unit lacks, one broken line.
    const int at = lines.indexOf("INS_GYR_CAL,1");
    QVERIFY(at > 0);
    lines[at] = "INS_GYR_CAL,0";
    lines.insert(at + 1, "BROKEN_LINE");
    lines.insert(at + 2, "UNKNOWN_P,2.5");
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(lines.join('\n').toUtf8());
    file.close();
    page.fileToLoad = path;

    page.loadAfterCompare = false;
    m_messages.clear();
    page.press("LoadFile");
    QCOMPARE(page.compared, (QStringList{"INS_GYR_CAL|1|0", "UNKNOWN_P|-|2.5"}));
    QCOMPARE(page.compareSummary, QStringLiteral("2 parameters of the file differ from the unit:"));
    QVERIFY(m_messages.isEmpty());
    QCOMPARE(page.model()->rowCount(), SimParamCount); // cancelled: unchanged
    QVERIFY(page.rowOf("UNKNOWN_P") < 0);

    page.loadAfterCompare = true;
    page.press("LoadFile");
    QCOMPARE(page.model()->rowCount(), SimParamCount + 1); // and UNKNOWN_P of the file
    QVERIFY(page.model()->isEdited("INS_GYR_CAL"));
    QVERIFY(page.model()->isEdited("UNKNOWN_P"));
    QVERIFY(!page.model()->isEdited("INS_USE"));
    QCOMPARE(m_messages, QStringList{QStringLiteral("%1Item parameters were successfully loaded!\r\n"
                                                    "Lines not loaded (no NAME,VALUE): line %2: BROKEN_LINE")
                                         .arg(SimParamCount + 1)
                                         .arg(at + 2)});
    QCOMPARE(QSettings("./cfg/Setting.ini", QSettings::IniFormat).value("general/paramPath").toString(), path);
}

void TestCommonParamPage::unwritableSaves_data()
{
    QTest::addColumn<QString>("blocker"); // made a plain file or a directory to block the save
    QTest::addColumn<QString>("message");
    QTest::newRow("ParamLog is a file") << "file:ParamLog"
                                        << "Saving failed: ";
    QTest::newRow("hwInfo.csv is a directory") << "dir:ParamLog/hwInfo.csv"
                                               << "The parameters were saved, but the board log could not be written: ";
}

void TestCommonParamPage::unwritableSaves()
{
    QFETCH(QString, blocker);
    QFETCH(QString, message);
    QDir("ParamLog").removeRecursively();
    const QString what = blocker.section(':', 1);
    if (blocker.startsWith("file:")) {
        QFile f(what);
        QVERIFY(f.open(QIODevice::WriteOnly));
    } else {
        QVERIFY(QDir().mkpath(what));
    }
    TestablePage page(1);
    page.model()->addParam("A", 1, false);
    page.press("SaveFile");
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].startsWith(message), qPrintable(m_messages[0]));
    QVERIFY(!m_messages[0].contains("saved successfully"));
    QFile::remove("ParamLog");
    QDir("ParamLog").removeRecursively();
}

QTEST_MAIN(TestCommonParamPage)
#include "tst_commonparampage.moc"
