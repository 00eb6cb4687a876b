// Live chart: three series at 10 Hz for two simulated hours (72,000 points each), as the IMU
// temperature page feeds it (three points per tick, following the newest data). A frame (refresh +
// repaint) is drawn and timed every FRAME_EVERY ticks (default 10, one per simulated second; 1 draws
// every tick as the page does, which only takes longer to run). Prints the time per frame, wall and
// CPU of this thread (the machine may be shared), the points each series holds at most and the memory
// that takes, against the bound of the view (MaxPoints points per series).
//     bench_chart_view [TICKS [FRAME_EVERY]]
#include "ui/factory/uChartView.h"

#include <qcustomplot.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <ctime>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {
// Resident set size of this process in KiB (Linux), 0 where it cannot be read.
long residentKiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

// CPU time of this thread in milliseconds.
double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int ticks = argc > 1 ? std::max(1, atoi(argv[1])) : 72000;
    const int frameEvery = argc > 2 ? std::max(1, atoi(argv[2])) : 10;

    uChartView view(nullptr, QString());
    view.resize(1200, 400);
    view.show();
    for (int i = 0; i < 3; ++i)
        view.addSeries(i, QStringLiteral("IMU%1").arg(i + 1), true, false);
    const long rssBefore = residentKiB();

    std::vector<double> frameMs, frameCpuMs;
    int mostPoints = 0;
    QElapsedTimer total, frame;
    total.start();
    for (int t = 0; t < ticks; ++t) {
        const double x = t * 0.1;
        for (int i = 0; i < 3; ++i)
            view.addPoint(i, x, 40 + 10 * (1 - std::exp(-x / 900.0)) + i + 0.05 * std::sin(x));
        for (int i = 0; i < 3; ++i) // the most a series holds: before the refresh that trims it
            mostPoints = std::max(mostPoints, view.pointCount(i));
        if (t % frameEvery == 0 || t == ticks - 1) {
            frame.start();
            const double cpu0 = threadCpuMs();
            view.refresh();
            view.plot()->repaint();
            frameCpuMs.push_back(threadCpuMs() - cpu0);
            frameMs.push_back(frame.nsecsElapsed() / 1e6);
        }
    }
    const double seconds = total.elapsed() / 1000.0;
    const long rssAfter = residentKiB();

    // The worst view: following off, the whole kept history on screen.
    view.followAction()->trigger();
    view.plot()->xAxis->setRange(view.graph(0)->data()->constBegin()->key, view.lastKey());
    QElapsedTimer whole;
    whole.start();
    const int wholeFrames = 20;
    for (int i = 0; i < wholeFrames; ++i) {
        view.plot()->replot();
        view.plot()->repaint();
    }
    const double wholeMs = whole.nsecsElapsed() / 1e6 / wholeFrames;

    const double pointBytes = sizeof(QCPGraphData);
    std::printf("chart: %d ticks at 10 Hz (%.1f simulated hours), 3 series, %zu frames timed, %.1f s wall\n", ticks,
                ticks / 36000.0, frameMs.size(), seconds);
    std::printf("frame while following (refresh + repaint), wall: median %.2f ms, p99 %.2f ms, max %.2f ms "
                "(goal < 16 ms)\n",
                percentile(frameMs, 0.5), percentile(frameMs, 0.99), percentile(frameMs, 1.0));
    std::printf("frame while following, CPU of the GUI thread: median %.2f ms, p99 %.2f ms, max %.2f ms\n",
                percentile(frameCpuMs, 0.5), percentile(frameCpuMs, 0.99), percentile(frameCpuMs, 1.0));
    std::printf("memory bound per series: %d points = %.0f KiB of point data\n", uChartView::MaxPoints + 1,
                (uChartView::MaxPoints + 1) * pointBytes / 1024);
    std::printf("measured per series: at most %d points held = %.0f KiB; now %d points\n", mostPoints,
                mostPoints * pointBytes / 1024, view.pointCount(0));
    std::printf("process resident set: %ld KiB before the run, %ld KiB after\n", rssBefore, rssAfter);
    std::printf("frame with the whole kept history on screen (%d points x 3): %.2f ms\n", view.pointCount(0), wholeMs);
    return 0;
}
