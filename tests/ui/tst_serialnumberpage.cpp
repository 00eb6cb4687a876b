// The serial-number window against the simulated unit: the command it sends for the spin box values
// (the edge values of the month and sequence ranges), the confirmation box, No and a missing link
// sending nothing, and the unit's answer shown, a second write refused by the simulated OTP area.
#include "support/SimInsLink.h"

#include "core/flylink/FlyMessages.h"
#include "ui/factory/G_CFG_SerialNumber.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

namespace {
// Answers the confirmation itself and keeps what the box showed.
class TestablePage : public G_CFG_SerialNumber
{
public:
    using G_CFG_SerialNumber::G_CFG_SerialNumber;
    int answer = QMessageBox::Yes;
    QString title, text, informative, styleSheet;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    int boxes = 0;

    void write(int month, int sequence)
    {
        auto boxesOf = findChildren<QSpinBox *>();
        boxesOf[0]->setValue(month);
        boxesOf[1]->setValue(sequence);
        QPushButton *button = findChild<QPushButton *>();
        emit button->released();
    }

protected:
    int runConfirmation(QMessageBox &box) override
    {
        ++boxes;
        title = box.windowTitle();
        text = box.text();
        informative = box.informativeText();
        styleSheet = box.styleSheet();
        defaultButton = box.standardButton(box.defaultButton());
        return answer;
    }
};

// A style sheet as its rules in order: selector -> declarations (property -> value), blanks between
// declarations dropped.
using Rules = QList<QPair<QString, QMap<QString, QString>>>;
Rules rulesOf(const QString &sheet)
{
    Rules out;
    for (const QString &rule : sheet.split(QLatin1Char('}'), Qt::SkipEmptyParts)) {
        const int open = rule.indexOf(QLatin1Char('{'));
        if (open < 0)
            continue;
        QMap<QString, QString> declarations;
        for (const QString &d : rule.mid(open + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const int colon = d.indexOf(QLatin1Char(':'));
            if (colon >= 0)
                declarations.insert(d.left(colon).trimmed(), d.mid(colon + 1).trimmed());
        }
        out.append(qMakePair(rule.left(open).trimmed(), declarations));
    }
    return out;
}

QList<quint32> writtenNumbers(SimInsLink &unit)
{
    QList<quint32> out;
    for (const FlyFrame &f : unit.sent(FlyMsg::Command)) {
        if (f.payload.size() == FlyMsg::CommandLen && quint8(f.payload[0]) == FlyCmd::WriteSerialNumber)
            out << FlyLe::get<quint32>(reinterpret_cast<const uchar *>(f.payload.constData()) + 1);
    }
    return out;
}
} // namespace

class TestSerialNumberPage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void writesSpinBoxValues_data();
    void writesSpinBoxValues();
    void noAndMissingLinkSendNothing();
    void confirmationStyle();
    void unitAnswerAndOtpRefusal();

private:
    Q_DMMM *m_bus = nullptr;
    SimInsLink m_unit;
};

void TestSerialNumberPage::initTestCase()
{
    m_bus = new Q_DMMM(-1);
    QVERIFY(m_unit.start(*m_bus, {}));
}

void TestSerialNumberPage::cleanupTestCase()
{
    m_bus->releaseLinks();
    delete m_bus;
}

void TestSerialNumberPage::writesSpinBoxValues_data()
{
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("sequence");
    QTest::addColumn<quint32>("sn");
    QTest::addColumn<QString>("shown");
    QTest::newRow("initial values") << 2401 << 1 << 157351937u << "2401-1";
    QTest::newRow("largest") << 2812 << 9999 << 184297231u << "2812-9999";
    QTest::newRow("no month, in range") << 2213 << 7 << quint32(2213u << 16 | 7u) << "2213-7";
    QTest::newRow("clamped below") << 2000 << 0 << quint32(2201u << 16 | 1u) << "2201-1";
    QTest::newRow("clamped above") << 3000 << 20000 << 184297231u << "2812-9999";
}

void TestSerialNumberPage::writesSpinBoxValues()
{
    QFETCH(int, month);
    QFETCH(int, sequence);
    QFETCH(quint32, sn);
    QFETCH(QString, shown);
    TestablePage page(1);
    m_unit.clearSent();
    page.write(month, sequence);
    QCOMPARE(page.boxes, 1);
    QCOMPARE(page.title, QStringLiteral("WriteSN"));
    QCOMPARE(page.text, QStringLiteral("Confirm to write SN to flight control:") + shown);
    QCOMPARE(page.informative,
             QStringLiteral("The flight control is written to the OTP area and once written can never be modified."));
    QCOMPARE(page.defaultButton, QMessageBox::Yes);
    QCOMPARE(writtenNumbers(m_unit), QList<quint32>{sn});
}

void TestSerialNumberPage::confirmationStyle()
{
    // The five rules of the confirmation box, written out here rather than taken from the page.
    using D = QMap<QString, QString>;
    const Rules expected = {
        {"QMessageBox", D{{"color", "#FFFFFF"},
                          {"font", "400 11pt \"Microsoft YaHei\""},
                          {"background-color", "rgba(6,7,19,255)"},
                          {"border", "0px solid gray"}}},
        {"QMessageBox QLabel", D{{"color", "#FFFFFF"}, {"font", "400 9.5pt \"Microsoft YaHei\""}}},
        {"QMessageBox QPushButton", D{{"color", "#FFFFFF"},
                                      {"font", "400 9pt \"Microsoft YaHei\""},
                                      {"background-color", "rgba(22, 119, 255,255)"}}},
        {"QMessageBox QPushButton:hover", D{{"color", "#FFFFFF"},
                                            {"font", "400 9pt \"Microsoft YaHei\""},
                                            {"background-color", "rgba(239, 87, 103,255)"}}},
        {"QMessageBox QPushButton:pressed", D{{"color", "#FFFFFF"},
                                              {"font", "400 9.5pt \"Microsoft YaHei\""},
                                              {"background-color", "rgba(239, 87, 103,200)"}}},
    };
    TestablePage page(1);
    page.answer = QMessageBox::No;
    page.write(2401, 1);
    QCOMPARE(page.boxes, 1);
    QCOMPARE(rulesOf(page.styleSheet), expected);
}

void TestSerialNumberPage::noAndMissingLinkSendNothing()
{
    TestablePage page(1);
    page.answer = QMessageBox::No;
    m_unit.clearSent();
    page.write(2401, 1);
    page.answer = QMessageBox::Cancel; // the box closed
    page.write(2401, 1);
    QCOMPARE(page.boxes, 2);

    TestablePage noLink(7); // no link 7 on the bus
    noLink.write(2401, 1);
    QCOMPARE(noLink.boxes, 1);
    QTest::qWait(300);
    QVERIFY(writtenNumbers(m_unit).isEmpty());
    QVERIFY(noLink.answerText().isEmpty());
}

void TestSerialNumberPage::unitAnswerAndOtpRefusal()
{
    // A unit of its own whose OTP area is still blank.
    Q_DMMM *bus = Q_DMMM::instance();
    SimInsLink unit;
    QVERIFY(unit.start(*bus, {}, 3));
    TestablePage page(3);
    page.write(2603, 42);
    QTRY_VERIFY_WITH_TIMEOUT(page.answerText().contains(QLatin1String("202603-0042")), 10000);
    QCOMPARE(page.answerText(), QStringLiteral("The unit reports serial number 202603-0042: the write took."));
    QCOMPARE(bus->poolSnapshot(3).boardInfo().serialNumber(), quint32(2603u << 16 | 42u));

    page.write(2604, 1);
    QTRY_VERIFY_WITH_TIMEOUT(page.answerText().startsWith(QLatin1String("The unit refused")), 10000);
    QVERIFY(page.answerText().contains(QLatin1String("Write SN cmd failed")));
    QTest::qWait(500);
    QVERIFY(page.answerText().startsWith(QLatin1String("The unit refused")));
    QCOMPARE(bus->poolSnapshot(3).boardInfo().serialNumber(), quint32(2603u << 16 | 42u));
}

QTEST_MAIN(TestSerialNumberPage)
#include "tst_serialnumberpage.moc"
