// The Shell tab offscreen against a real pseudo-terminal: link 5 on first Connect, looks that follow
// the hub events of link 5 only, receive cleaning and hex display, sends, command lists and Save.
#include "link/IOHandler.h"
#include "link/SerialPortList.h"
#include "link/TApp.h"
#include "support/SimProcess.h"
#include "support/TestPorts.h"
#include "ui/widgets/TSerialCombox.h"
#include "ZtResources.h"
#include "ui/maintenance/SerialComWidget.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <memory>

namespace {
constexpr int Wait = 10000;

IOHandler::DeviceInfo record(int id)
{
    IOHandler::DeviceInfo d;
    d.id = id;
    d.conType = IOHandler::ConSerial;
    return d;
}
} // namespace

class TestShellPage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void layoutAndLists_data();
    void layoutAndLists();
    void looksFollowLinkFive_data();
    void looksFollowLinkFive();
    void connectCreatesLinkOnce();
    void receiveTextAndHex_data();
    void receiveTextAndHex();
    void sendEchoesAndAppendsCr_data();
    void sendEchoesAndAppendsCr();
    void commandLists_data();
    void commandLists();
    void save_data();
    void save();
    void chineseCatalogue();
    void againstSimulatedUnit();

private:
    template <typename T> T *child(const char *name, QWidget *on = nullptr)
    {
        T *w = (on ? on : page.get())->findChild<T *>(QLatin1String(name));
        if (!w)
            qFatal("no child %s", name);
        return w;
    }
    bool connected() { return !child<QPushButton>("connectButton")->isEnabled(); }
    bool ensureConnected();
    // Sends a sentinel line and returns everything the unit got up to and including it.
    QByteArray readUpToSentinel(QWidget *on = nullptr);

    TApp *hub = nullptr;
    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<SerialComWidget> page;
    QStringList questions;
    QList<bool> answers;
    QStringList messages;
    QString saveName;
};

void TestShellPage::initTestCase()
{
    static TApp app(QStringLiteral("./cfg/param.ini"));
    hub = &app;
    pty = std::make_unique<PtyPair>();
    QVERIFY(pty->isValid());
    qputenv(SerialPortList::ExtraPortsVariable, (pty->slavePath() + "=Simulated FMU").toLocal8Bit());
    SerialComWidget::setDialogHooks({
        [this](const QString &title, const QString &text) {
            questions << title + "|" + text;
            return answers.isEmpty() ? true : answers.takeFirst();
        },
        [this](QMessageBox::Icon icon, const QString &title, const QString &text) {
            messages << QStringLiteral("%1|%2|%3").arg(int(icon)).arg(title, text);
        },
        [this](const QString &title, const QString &filter) {
            questions << title + "|" + filter;
            return saveName;
        },
    });
    page = std::make_unique<SerialComWidget>();
    page->show();
}

void TestShellPage::cleanupTestCase()
{
    page.reset();
    IOHandler::destroy(qobject_cast<IOHandler *>(hub->links()->find(5)));
    SerialComWidget::setDialogHooks({});
    qunsetenv(SerialPortList::ExtraPortsVariable);
}

bool TestShellPage::ensureConnected()
{
    if (connected())
        return true;
    auto *picker = child<QComboBox>("portPicker");
    picker->setCurrentIndex(picker->findText(pty->slavePath() + ": Simulated FMU"));
    if (picker->currentIndex() < 0)
        return false;
    child<QPushButton>("connectButton")->click();
    QElapsedTimer timer;
    timer.start();
    while (!connected() && timer.elapsed() < Wait)
        QTest::qWait(20);
    return connected();
}

QByteArray TestShellPage::readUpToSentinel(QWidget *on)
{
    auto *edit = child<QLineEdit>("commandEdit", on);
    const QString before = edit->text();
    edit->setText(QStringLiteral("sentinel"));
    child<QPushButton>("sendButton", on)->click();
    edit->setText(before);
    QByteArray got;
    QElapsedTimer timer;
    timer.start();
    while (!got.endsWith("sentinel\r") && timer.elapsed() < Wait) {
        QCoreApplication::processEvents();
        got += pty->read(1, 20);
    }
    return got;
}

void TestShellPage::layoutAndLists_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QList<int>>("cell"); // row, column, row span, column span
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("port picker") << "portPicker" << QList<int>{0, 1, 1, 4} << QStringList();
    QTest::newRow("baud rates") << "baudBox" << QList<int>{0, 5, 1, 3}
                                << QStringList{"115200", "57600", "38400", "9600", "4800"};
    QTest::newRow("connect") << "connectButton" << QList<int>{0, 8, 1, 1} << QStringList();
    QTest::newRow("terminal") << "terminalView" << QList<int>{1, 0, 10, 10} << QStringList();
    QTest::newRow("command edit") << "commandEdit" << QList<int>{11, 0, 1, 9} << QStringList();
    QTest::newRow("display mode") << "displayModeBox" << QList<int>{11, 9, 1, 1} << QStringList{"ASCII", "HEX"};
    QTest::newRow("common commands") << "commonCmdBox" << QList<int>{12, 1, 1, 2}
                                     << QStringList{"None", "Airspeed", "ThreadState", "Memory",
                                                    "Help", "Reboot",   "Factory",     "FatfsFormat"};
    QTest::newRow("simulation commands") << "simCtlBox" << QList<int>{12, 4, 1, 2}
                                         << QStringList{"None",        "SimMode", "SimStart",  "SimPause",
                                                        "SimContinue", "SimStop", "FlightMode"};
    QTest::newRow("clear") << "clearButton" << QList<int>{12, 9, 1, 1} << QStringList();
}

void TestShellPage::layoutAndLists()
{
    QFETCH(QString, name);
    QFETCH(QList<int>, cell);
    QFETCH(QStringList, entries);
    QWidget *w = page->findChild<QWidget *>(name);
    QVERIFY(w);
    auto *grid = qobject_cast<QGridLayout *>(static_cast<QWidget *>(page.get())->layout());
    QVERIFY(grid);
    int row, column, rowSpan, columnSpan;
    grid->getItemPosition(grid->indexOf(w), &row, &column, &rowSpan, &columnSpan);
    QCOMPARE((QList<int>{row, column, rowSpan, columnSpan}), cell);
    if (auto *box = qobject_cast<QComboBox *>(w); box && !entries.isEmpty()) {
        QStringList got;
        for (int i = 0; i < box->count(); ++i)
            got << box->itemText(i);
        QCOMPARE(got, entries);
        QCOMPARE(box->currentIndex(), 0);
    }
}

void TestShellPage::looksFollowLinkFive_data()
{
    QTest::addColumn<bool>("startConnected");
    QTest::addColumn<int>("event");
    QTest::addColumn<int>("idArgument");
    QTest::addColumn<QVariant>("var");
    QTest::addColumn<bool>("connectedAfter");

    const auto five = QVariant::fromValue(record(5));
    const auto six = QVariant::fromValue(record(6));
    QTest::newRow("opened 5") << false << 1 << 5 << five << true;
    QTest::newRow("opened 6 ignored") << false << 1 << 6 << six << false;
    QTest::newRow("record decides, not the id argument") << false << 1 << 5 << six << false;
    QTest::newRow("closed 5") << true << 3 << 5 << five << false;
    QTest::newRow("closed 6 ignored") << true << 3 << 6 << six << true;
    QTest::newRow("open failed 5") << true << 2 << 5 << five << false;
    QTest::newRow("error text ignored") << true << 0 << 5 << QVariant("open serial failed:ReadError") << true;
    QTest::newRow("notice ignored") << true << 11 << 5 << QVariant("hello") << true;
}

void TestShellPage::looksFollowLinkFive()
{
    QFETCH(bool, startConnected);
    QFETCH(int, event);
    QFETCH(int, idArgument);
    QFETCH(QVariant, var);
    QFETCH(bool, connectedAfter);
    page->updateSerialUi(startConnected);
    emit hub->TAppEvent(event, idArgument, var);
    QCOMPARE(connected(), connectedAfter);
    QCOMPARE(child<QPushButton>("disconnectButton")->isEnabled(), connectedAfter);
    QCOMPARE(child<QComboBox>("portPicker")->isEnabled(), !connectedAfter);
    QCOMPARE(child<QComboBox>("baudBox")->isEnabled(), !connectedAfter);
    page->updateSerialUi(false);
}

void TestShellPage::connectCreatesLinkOnce()
{
    QVERIFY(!hub->links()->find(5));
    // Sending before any link exists does nothing at all, not even an echo.
    child<QLineEdit>("commandEdit")->setText("help");
    child<QPushButton>("sendButton")->click();
    QCOMPARE(child<QPlainTextEdit>("terminalView")->toPlainText(), QString());

    QVERIFY(ensureConnected());
    QObject *first = hub->links()->find(5);
    QVERIFY(qobject_cast<IOHandler *>(first));

    child<QPushButton>("disconnectButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!connected(), Wait);
    child<QPushButton>("connectButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(connected(), Wait);
    QCOMPARE(hub->links()->find(5), first);
}

void TestShellPage::receiveTextAndHex_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shownTail"); // how the view ends
    QTest::addColumn<QString>("notShown");

    QTest::newRow("colour removed") << "ASCII" << QByteArray("\x1b[32mnsh>\x1b[0m ok") << "nsh> ok"
                                    << "\x1b";
    QTest::newRow("cut at NUL") << "ASCII" << QByteArray("shown\0hidden", 12) << "shown"
                                << "hidden";
    QTest::newRow("hex") << "HEX" << QByteArray("AB\r\n", 4) << "Rec: 41420d0a"
                         << "AB";
}

void TestShellPage::receiveTextAndHex()
{
    QFETCH(QString, mode);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shownTail);
    QFETCH(QString, notShown);
    QVERIFY(ensureConnected());
    auto *view = child<QPlainTextEdit>("terminalView");
    child<QPushButton>("clearButton")->click();
    child<QComboBox>("displayModeBox")->setCurrentText(mode);
    // A click into the text moves the cursor; output still goes to the end.
    view->moveCursor(QTextCursor::Start);
    QVERIFY(pty->write(bytes));
    QTRY_VERIFY_WITH_TIMEOUT(view->toPlainText().endsWith(shownTail), Wait);
    QVERIFY(!view->toPlainText().contains(notShown));
    child<QComboBox>("displayModeBox")->setCurrentText("ASCII");
}

void TestShellPage::sendEchoesAndAppendsCr_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("echo");

    QTest::newRow("text") << "ASCII"
                          << "ps" << QByteArray("ps\r") << "Send: ps";
    QTest::newRow("hex 41 42 0d") << "HEX"
                                  << "41 42 0d" << QByteArray("AB\r\r") << "Send: 41 42 0d";
    QTest::newRow("empty line") << "ASCII"
                                << "" << QByteArray("\r") << "Send: ";
}

void TestShellPage::sendEchoesAndAppendsCr()
{
    QFETCH(QString, mode);
    QFETCH(QString, typed);
    QFETCH(QByteArray, sent);
    QFETCH(QString, echo);
    QVERIFY(ensureConnected());
    auto *view = child<QPlainTextEdit>("terminalView");
    child<QPushButton>("clearButton")->click();
    child<QComboBox>("displayModeBox")->setCurrentText(mode);
    auto *edit = child<QLineEdit>("commandEdit");
    edit->setText(typed);
    QTest::keyClick(edit, Qt::Key_Return); // Return clicks Send
    child<QComboBox>("displayModeBox")->setCurrentText("ASCII");
    QCOMPARE(readUpToSentinel(), sent + "sentinel\r");
    QCOMPARE(edit->text(), typed);
    const QStringList lines = view->toPlainText().split('\n');
    QVERIFY2(lines.size() >= 3, qPrintable(view->toPlainText()));
    QVERIFY(QDateTime::fromString(lines[1], "yyyy-MM-dd hh:mm:ss.zzz").isValid());
    QCOMPARE(lines[2], echo);
}

void TestShellPage::commandLists_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typedBefore");
    QTest::addColumn<QStringList>("picks");
    QTest::addColumn<QList<bool>>("replies"); // answers to the questions, in order
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("editAfter");
    QTest::addColumn<QStringList>("asked");

    QTest::newRow("entry sends its command")
        << "commonCmdBox"
        << "" << QStringList{"Airspeed"} << QList<bool>() << QByteArray("airspeed\r") << "airspeed" << QStringList();
    QTest::newRow("same entry twice sends once")
        << "commonCmdBox"
        << "" << QStringList{"Memory", "Memory"} << QList<bool>() << QByteArray("free\r") << "free" << QStringList();
    QTest::newRow("None clears and sends nothing")
        << "commonCmdBox"
        << "typed" << QStringList{"Help", "None"} << QList<bool>() << QByteArray("help\r") << "" << QStringList();
    QTest::newRow("Reboot, No leaves the edit alone")
        << "commonCmdBox"
        << "typed" << QStringList{"Reboot"} << QList<bool>{false} << QByteArray() << "typed"
        << QStringList{"warning|reboot zorvan ???"};
    QTest::newRow("Reboot, Yes") << "commonCmdBox"
                                 << "" << QStringList{"Reboot"} << QList<bool>{true} << QByteArray("reboot\r")
                                 << "reboot" << QStringList{"warning|reboot zorvan ???"};
    QTest::newRow("Factory, Yes") << "commonCmdBox"
                                  << "" << QStringList{"Factory"} << QList<bool>{true} << QByteArray("factory\r")
                                  << "factory" << QStringList{"warning|factory zorvan ???"};
    QTest::newRow("command with a blank") << "commonCmdBox"
                                          << "" << QStringList{"FatfsFormat"} << QList<bool>()
                                          << QByteArray("Fatfs format\r") << "Fatfs format" << QStringList();
    QTest::newRow("simulation control") << "simCtlBox"
                                        << "" << QStringList{"SimStart", "FlightMode"} << QList<bool>()
                                        << QByteArray("sim_autoStart\rflight_mode\r") << "flight_mode" << QStringList();
}

void TestShellPage::commandLists()
{
    QFETCH(QString, box);
    QFETCH(QString, typedBefore);
    QFETCH(QStringList, picks);
    QFETCH(QList<bool>, replies);
    QFETCH(QByteArray, sent);
    QFETCH(QString, editAfter);
    QFETCH(QStringList, asked);
    QVERIFY(ensureConnected());
    auto *list = page->findChild<QComboBox *>(box);
    auto *edit = child<QLineEdit>("commandEdit");
    list->setCurrentIndex(0); // "None": sends nothing
    edit->setText(typedBefore);
    questions.clear();
    answers = replies;

    for (const QString &pick : picks)
        list->setCurrentIndex(list->findText(pick));
    QCOMPARE(edit->text(), editAfter);
    QCOMPARE(questions, asked);
    QCOMPARE(readUpToSentinel(), sent + "sentinel\r");
}

void TestShellPage::save_data()
{
    QTest::addColumn<QString>("fileName"); // in a scratch directory; empty: dialog cancelled
    QTest::addColumn<QString>("box");      // icon|title|text prefix, empty: no box

    QTest::newRow("saved") << "shell.txt"
                           << QString("%1|Success|File saved successfully: ").arg(QMessageBox::Information);
    QTest::newRow("cancelled") << ""
                               << "";
    QTest::newRow("directory missing")
        << "missing/shell.txt" << QString("%1|Error|Could not open file for writing: ").arg(QMessageBox::Critical);
}

void TestShellPage::save()
{
    QFETCH(QString, fileName);
    QFETCH(QString, box);
    QTemporaryDir dir;
    saveName = fileName.isEmpty() ? QString() : dir.filePath(fileName);
    messages.clear();
    questions.clear();
    auto *view = child<QPlainTextEdit>("terminalView");
    view->setPlainText(QString::fromUtf8("nsh> free\n total 2048 °C\n"));

    child<QPushButton>("saveButton")->click();
    QCOMPARE(questions, QStringList{"Save File|Text Files (*.txt)"});
    if (box.isEmpty()) {
        QCOMPARE(messages, QStringList());
        return;
    }
    QCOMPARE(messages, QStringList{box + saveName});
    if (box.contains("Success")) {
        QFile file(saveName);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), view->toPlainText());
    }
}

void TestShellPage::chineseCatalogue()
{
    QVERIFY(ensureConnected());
    ZtResources::init();
    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(":/myI18N_zh_CN.qm")));
    QCoreApplication::installTranslator(&translator);
    auto uninstall = qScopeGuard([&] { QCoreApplication::removeTranslator(&translator); });
    SerialComWidget chinese;

    QCOMPARE(child<QPushButton>("connectButton", &chinese)->text(), QString::fromUtf8("连接"));
    QCOMPARE(child<QPushButton>("saveButton", &chinese)->text(), QString::fromUtf8("保存"));
    QCOMPARE(child<QComboBox>("displayModeBox", &chinese)->itemText(1), QString("HEX"));
    // The translated entry still selects the unit's (untranslated) command.
    auto *list = child<QComboBox>("commonCmdBox", &chinese);
    list->setCurrentIndex(list->findText(QString::fromUtf8("空速")));
    QCOMPARE(child<QLineEdit>("commandEdit", &chinese)->text(), QString("airspeed"));
    QCOMPARE(readUpToSentinel(&chinese), QByteArray("airspeed\rsentinel\r"));
}

void TestShellPage::againstSimulatedUnit()
{
    if (!QFile::exists(QStringLiteral(ZT_SIM_PATH)))
        QSKIP("zorvan-sim is not built");
    SimProcess unit;
    QVERIFY(unit.start(QStringLiteral(ZT_SIM_PATH), {"console"}));
    const QString entry = unit.firstLine() + ": Simulated FMU console";
    qputenv(SerialPortList::ExtraPortsVariable, (unit.firstLine() + "=Simulated FMU console").toLocal8Bit());
    auto *picker = page->findChild<TSerialCombox *>("portPicker");
    picker->refreshPorts();

    child<QPushButton>("disconnectButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!connected(), Wait);
    picker->setCurrentIndex(picker->findText(entry));
    QCOMPARE(picker->currentText(), entry);
    child<QPushButton>("connectButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(connected(), Wait);

    auto *view = child<QPlainTextEdit>("terminalView");
    auto *list = child<QComboBox>("commonCmdBox");
    child<QPushButton>("clearButton")->click();
    list->setCurrentIndex(0);
    list->setCurrentIndex(list->findText("Help"));
    QTRY_VERIFY_WITH_TIMEOUT(view->toPlainText().contains("Builtin Apps"), Wait);
    list->setCurrentIndex(list->findText("ThreadState"));
    QTRY_VERIFY_WITH_TIMEOUT(view->toPlainText().contains("logger\nnsh> "), Wait);
    QVERIFY(view->toPlainText().contains(" PID PRI     STACK"));
    QVERIFY(!view->toPlainText().contains("[0m"));
    QVERIFY(!view->toPlainText().contains(QChar(0x1b)));
    child<QLineEdit>("commandEdit")->setText("bogus");
    child<QPushButton>("sendButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(view->toPlainText().contains("nsh: bogus: command not found"), Wait);

    child<QPushButton>("disconnectButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!connected(), Wait);
}

QTEST_MAIN(TestShellPage)
#include "tst_shellpage.moc"
