// ORVE tab cost on the GUI thread: with zorvan-sim ins --rate 50 connected, the thread's CPU time over
// 10 s with the ORVE tab in front (instruments repainting at 10 Hz) and over 10 s with another tab in
// front; then the instruments' paint time per frame at the panel's size.
#include "BenchSim.h"
#include "link/TApp.h"
#include "ui/app/MainWidget.h"
#include "ui/factory/BasicWidget.h"
#include "ui/hud/WidgetADI.h"
#include "ui/hud/WidgetHSI.h"
#include "ui/hud/qfi_ADI.h"
#include "ui/hud/qfi_HSI.h"
#include "ui/widgets/OrveMyComboBox.h"
#include "ZtResources.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QLoggingCategory>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {
constexpr int WindowMs = 10000;

// Runs the event loop for ms milliseconds.
void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

// Share of one core the GUI thread used while the event loop ran for WindowMs.
double guiThreadLoad()
{
    const double cpu0 = threadCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    runFor(WindowMs);
    return (threadCpuSeconds() - cpu0) / (wall.nsecsElapsed() / 1e9) * 100.0;
}

template <typename Instrument> double paintMs(Instrument &w, const std::function<void(int)> &turn)
{
    QImage image(w.size(), QImage::Format_ARGB32_Premultiplied);
    constexpr int Frames = 200;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Frames; ++i) {
        turn(i);
        image.fill(Qt::transparent);
        w.render(&image);
    }
    return timer.nsecsElapsed() / 1e6 / Frames;
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\nqt.qpa.*=false"));
    ZtResources::init();
    static TApp hub(QStringLiteral("./cfg/param.ini"));

    QProcess sim;
    const QString path = BenchSim::start(sim, {"ins", "--pty", "--rate", "50"});
    if (!path.startsWith(QLatin1String("/dev/"))) {
        std::printf("orve_panel: zorvan-sim ins did not start\n");
        return 1;
    }
    qputenv("ZORVAN_EXTRA_PORTS", (path + QStringLiteral("=Simulated ORVE inertial unit (USB)")).toUtf8());

    MainWidget window;
    window.resize(1280, 900);
    window.show();
    window.tabWidget()->setCurrentIndex(MainWidget::OrveTab);
    BasicWidget *panel = window.orvePanel();
    // What the window costs before any link is open, with another tab in front (the bus's 100 Hz timer and
    // the other pages' own timers): the floor under the figures below.
    window.tabWidget()->setCurrentIndex(MainWidget::ShellTab);
    runFor(500);
    const double idle = guiThreadLoad();
    window.tabWidget()->setCurrentIndex(MainWidget::OrveTab);
    auto *ports = panel->findChild<ORVE::myComboBox *>();
    ports->refreshPorts();
    ports->setCurrentIndex(ports->findText(path, Qt::MatchStartsWith));
    for (QPushButton *b : panel->findChildren<QPushButton *>()) {
        if (b->text() == QLatin1String("Open"))
            b->click();
    }
    // Wait until live values show (the roll label is filled once the board information arrived).
    QElapsedTimer wait;
    wait.start();
    while (!panel->isLinkConnected() && wait.elapsed() < 15000)
        runFor(100);
    runFor(3000);
    if (!panel->isLinkConnected()) {
        std::printf("orve_panel: the panel did not connect\n");
        return 1;
    }

    const double visible = guiThreadLoad();
    // The same with the instruments hidden: what the labels and lights cost alone.
    QWidget *hud = panel->findChild<WidgetADI *>()->parentWidget();
    hud->hide();
    runFor(500);
    const double withoutHud = guiThreadLoad();
    hud->show();
    window.tabWidget()->setCurrentIndex(MainWidget::ShellTab);
    runFor(500);
    const double hidden = guiThreadLoad();

    auto *adi = panel->findChild<WidgetADI *>();
    auto *hsi = panel->findChild<WidgetHSI *>();
    std::printf("ORVE panel, zorvan-sim ins --rate 50 connected, GUI thread over %d s:\n", WindowMs / 1000);
    std::printf("  no link yet, another tab in front:         %.2f %% of one core (the window's floor)\n", idle);
    std::printf("  ORVE tab in front (instruments at 10 Hz): %.2f %% of one core (goal < 3 %%)\n", visible);
    std::printf("  ORVE tab in front, instruments hidden:    %.2f %% of one core\n", withoutHud);
    std::printf("  another tab in front:                     %.2f %% of one core (goal < 1 %%)\n", hidden);
    std::printf("Instrument paint time per frame (panel size %dx%d / %dx%d):\n", adi->width(), adi->height(),
                hsi->width(), hsi->height());
    const double adiMs = paintMs(*adi, [adi](int i) {
        adi->adiView->setRollAngle(float(i % 90 - 45));
        adi->adiView->setPitchAngle(float(i % 40 - 20));
        adi->adiView->applyAttitude();
    });
    const double hsiMs = paintMs(*hsi, [hsi](int i) {
        hsi->hsiView->setHeadingAngle(float(i * 7 % 360));
        hsi->hsiView->redraw();
    });
    std::printf("  attitude (4 layers): %.3f ms\n  heading (3 layers):  %.3f ms\n", adiMs, hsiMs);
    sim.kill();
    sim.waitForFinished();
    return 0;
}
