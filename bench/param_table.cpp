// The Param page offscreen with 1500 received parameters: the GUI-thread time from the first row to
// the last row shown (every row delivered as its own queued arrival, the window painting as it goes),
// with and without a search text in place, and the time of a search over the full table. For
// comparison, the same list with the whole table filtered again after every row.
#include "TApp.h"
#include "maintenance/ParamManagerWidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTableWidget>
#include <QTextStream>

namespace {
constexpr int Rows = 1500;

QString nameOf(int i)
{
    static const char *groups[] = {"ATC_RAT_RLL_", "COMPASS_OFS_", "INS_ACCOFFS_", "SERVO", "RC", "EK3_SRC"};
    return QStringLiteral("%1%2").arg(groups[i % 6]).arg(i);
}

// Delivers the list as a fast link does: every record queued to the GUI thread at once (from the
// link's thread), then returns the seconds until the last row is shown.
double feedQueued(ParamManagerWidget &page, bool naive)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Rows; ++i) {
        QMetaObject::invokeMethod(
            &page,
            [&page, i, naive] {
                page.recParamInfo(float(i) * 0.25f, Rows, ushort(i), nameOf(i), 9);
                if (naive)
                    page.findParam(page.searchLine()->text());
            },
            Qt::QueuedConnection);
    }
    while (page.tableWidget()->rowCount() < Rows)
        QCoreApplication::processEvents();
    page.tableWidget()->scrollToBottom();
    QCoreApplication::processEvents();
    return double(timer.nsecsElapsed()) / 1e9;
}

// Delivers one record per event-loop turn, so the table is painted after every row (a slow link).
double feed(ParamManagerWidget &page, bool naive)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Rows; ++i) {
        page.recParamInfo(float(i) * 0.25f, Rows, ushort(i), nameOf(i), 9);
        if (naive)
            page.findParam(page.searchLine()->text());
        QCoreApplication::processEvents();
    }
    page.tableWidget()->scrollToBottom();
    QCoreApplication::processEvents();
    return double(timer.nsecsElapsed()) / 1e9;
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

    ParamManagerWidget page;
    page.resize(1200, 900);
    page.show();
    QCoreApplication::processEvents();

    const auto reset = [&](const QString &text) {
        page.searchLine()->setText(text);
        page.tableWidget()->setRowCount(0);
        QCoreApplication::processEvents();
    };
    const double queued = feedQueued(page, false);
    const double searchAll = search(page, QStringLiteral("compass"));
    const double clear = search(page, QString());
    reset(QStringLiteral("compass"));
    const double queuedFiltered = feedQueued(page, false);
    reset(QStringLiteral("compass"));
    const double queuedNaive = feedQueued(page, true);
    reset(QString());
    const double painted = feed(page, false);
    reset(QStringLiteral("compass"));
    const double paintedFiltered = feed(page, false);
    reset(QStringLiteral("compass"));
    const double paintedNaive = feed(page, true);

    out << "param_table: " << Rows << " rows listed (queued at once) in " << ms(queued) << "; with a search text "
        << ms(queuedFiltered) << " (whole table re-filtered per row: " << ms(queuedNaive) << ")\n";
    out << "param_table: " << Rows << " rows listed (painted after every row) in " << ms(painted)
        << "; with a search text " << ms(paintedFiltered) << " (whole table re-filtered per row: " << ms(paintedNaive)
        << ")\n";
    out << "param_table: search over " << Rows << " rows " << ms(searchAll) << ", clearing it " << ms(clear) << "\n";
    return 0;
}
