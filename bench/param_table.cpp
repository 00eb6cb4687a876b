// The Param page offscreen with 1500 received parameters. For each way the rows can arrive it prints
// the wall time from the first row to the last row shown and the GUI thread's CPU time over it:
//   sim      zorvan-sim fmu on UDP, through the shared MAVLink link (the real path);
//   queued   all records queued to the GUI thread at once (a link faster than the page);
//   per-row  one record per event-loop turn (a slow link: the page may paint after every row);
// each with and without a search text in place, and, for comparison, with the whole table filtered
// again after every row. Then the time of a search over the full table.
#include "link/IOHandler.h"
#include "link/MavlinkHandler.h"
#include "link/TApp.h"
#include "ui/maintenance/ParamManagerWidget.h"
#include "ui/widgets/TPushButton.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QUdpSocket>

#include <ctime>

namespace {
constexpr int Rows = 1500;

QString nameOf(int i)
{
    static const char *groups[] = {"ATC_RAT_RLL_", "COMPASS_OFS_", "INS_ACCOFFS_", "SERVO", "RC", "EK3_SRC"};
    return QStringLiteral("%1%2").arg(groups[i % 6]).arg(i);
}

double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

struct Figure
{
    double wall = 0;
    double cpu = 0;
};

// Runs the event loop until every row is in the table and the page paints again.
void settle(ParamManagerWidget &page)
{
    while (page.tableWidget()->rowCount() < Rows || !page.updatesEnabled())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    page.tableWidget()->scrollToBottom();
    QCoreApplication::processEvents();
}

enum class Mode { Queued, PerRow };

Figure feed(ParamManagerWidget &page, Mode mode, bool naive)
{
    QElapsedTimer timer;
    timer.start();
    const double cpu0 = threadCpuSeconds();
    const auto deliver = [&page, naive](int i) {
        page.recParamInfo(double(i) * 0.25, Rows, ushort(i), nameOf(i), 9);
        if (naive)
            page.findParam(page.searchLine()->text());
    };
    for (int i = 0; i < Rows; ++i) {
        if (mode == Mode::Queued) {
            QMetaObject::invokeMethod(
                &page, [deliver, i] { deliver(i); }, Qt::QueuedConnection);
        } else {
            deliver(i);
            QCoreApplication::processEvents();
        }
    }
    settle(page);
    return {double(timer.nsecsElapsed()) / 1e9, threadCpuSeconds() - cpu0};
}

// The list from zorvan-sim over UDP through the shared link; timed from the first row shown.
Figure feedFromSim(ParamManagerWidget &page, const QString &paramFile)
{
    QProcess sim;
    sim.start(ZT_SIM_PATH, {"fmu", "--udp", "0", "--params", paramFile});
    if (!sim.waitForReadyRead(10000))
        return {-1, -1};
    const QString where = QString::fromLatin1(sim.readLine()).trimmed(); // "udp 127.0.0.1:PORT"
    auto *link = qobject_cast<MavlinkHandler *>(TApp::instance()->links()->find(6));
    QUdpSocket probe;
    probe.bind(QHostAddress(QHostAddress::LocalHost), 0);
    IOHandler::DeviceInfo d;
    d.id = 6;
    d.conType = IOHandler::ConUdp;
    d.localIp = QHostAddress(QHostAddress::LocalHost);
    d.localPort = probe.localPort();
    probe.close();
    d.targetIp = QHostAddress(QHostAddress::LocalHost);
    d.targetPort = quint16(where.section(':', -1).toUInt());
    emit link->openDeviceSignal(d, true);
    while (!page.getListBtn()->isEnabled())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

    QElapsedTimer timer;
    double cpu0 = 0;
    QObject guard;
    QObject::connect(link, &MavlinkHandler::recParamInfo, &guard, [&](double, ushort, ushort index) {
        if (index == 0 && !timer.isValid()) {
            timer.start();
            cpu0 = threadCpuSeconds();
        }
    });
    page.getListBtn()->click();
    settle(page);
    const Figure figure{double(timer.nsecsElapsed()) / 1e9, threadCpuSeconds() - cpu0};
    emit link->openDeviceSignal(d, false);
    sim.kill();
    sim.waitForFinished();
    return figure;
}

double search(ParamManagerWidget &page, const QString &text)
{
    QElapsedTimer timer;
    timer.start();
    page.searchLine()->setText(text);
    QCoreApplication::processEvents();
    return double(timer.nsecsElapsed()) / 1e9;
}
} // namespace

static TApp theApp(QStringLiteral("./cfg/param.ini"));

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const auto ms = [](double s) {
        return QString::number(s * 1000, 'f', 1) + " ms";
    };
    const auto show = [&](const char *what, const Figure &f) {
        out << "param_table: " << what << ": " << ms(f.wall) << " wall, " << ms(f.cpu) << " GUI-thread CPU\n";
        out.flush();
    };

    QTemporaryDir dir;
    const QString paramFile = dir.filePath("fmu.params");
    {
        QFile f(paramFile);
        f.open(QIODevice::WriteOnly);
        for (int i = 0; i < Rows; ++i)
            f.write(QStringLiteral("%1,%2\n").arg(nameOf(i)).arg(i * 0.25).toLatin1());
    }

    ParamManagerWidget page;
    page.resize(1200, 900);
    page.show();
    QCoreApplication::processEvents();
    const auto reset = [&](const QString &text) {
        page.searchLine()->setText(text);
        page.tableWidget()->setRowCount(0);
        QCoreApplication::processEvents();
    };

    show("1500 rows from zorvan-sim over UDP", feedFromSim(page, paramFile));
    reset(QStringLiteral("compass"));
    show("1500 rows from zorvan-sim over UDP, search text in place", feedFromSim(page, paramFile));
    reset(QString());
    show("1500 rows queued at once", feed(page, Mode::Queued, false));
    const double searchAll = search(page, QStringLiteral("compass"));
    const double clear = search(page, QString());
    reset(QStringLiteral("compass"));
    show("1500 rows queued at once, search text in place", feed(page, Mode::Queued, false));
    reset(QStringLiteral("compass"));
    show("  same, whole table re-filtered after every row", feed(page, Mode::Queued, true));
    reset(QString());
    show("1500 rows one per event-loop turn", feed(page, Mode::PerRow, false));
    reset(QStringLiteral("compass"));
    show("1500 rows one per event-loop turn, search text in place", feed(page, Mode::PerRow, false));
    reset(QStringLiteral("compass"));
    show("  same, whole table re-filtered after every row", feed(page, Mode::PerRow, true));
    out << "param_table: search over " << Rows << " rows " << ms(searchAll) << ", clearing it " << ms(clear) << "\n";
    return 0;
}
