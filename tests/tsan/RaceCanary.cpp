// A deliberate data race in a slot run on a worker thread, for the ThreadSanitizer build only: the
// worker's slot and the main thread both change one plain counter without a lock. `make tsan` must
// report it (the test is expected to fail); if it passes, the suppressions in tests/tsan.supp hide
// races in slots, and every link thread's own code goes unchecked.
//   member-slot     a member slot connected by pointer, run by a timer on the worker thread
//   lambda-slot     a lambda connected to the timer
//   queued-slot     a member slot called by a queued signal from the main thread
//   invoke-functor  a functor posted to the worker with QMetaObject::invokeMethod
#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <cstring>

// Named outside an anonymous namespace, as the links' classes are: their slots then symbolise with
// qualified names (QtPrivate::FunctorCall<...>::call and so on), which is what a broad suppression
// would match.
int g_raceCanaryCounter = 0;              // the unprotected state
std::atomic<int> g_raceCanarySlotRuns{0}; // how often the worker side ran (itself race-free)

class RaceCanaryWorker : public QObject
{
    Q_OBJECT
public:
    void touch()
    {
        ++g_raceCanaryCounter;
        ++g_raceCanarySlotRuns;
    }
signals:
    void poke();
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const char *kind = argc > 1 ? argv[1] : "member-slot";
    QThread thread;
    RaceCanaryWorker worker;
    RaceCanaryWorker sender;
    QTimer timer;
    timer.setInterval(1);
    worker.moveToThread(&thread);
    timer.moveToThread(&thread);
    if (std::strcmp(kind, "member-slot") == 0) {
        QObject::connect(&timer, &QTimer::timeout, &worker, &RaceCanaryWorker::touch);
    } else if (std::strcmp(kind, "lambda-slot") == 0) {
        QObject::connect(&timer, &QTimer::timeout, &worker, [] {
            ++g_raceCanaryCounter;
            ++g_raceCanarySlotRuns;
        });
    } else if (std::strcmp(kind, "queued-slot") == 0) {
        QObject::connect(&sender, &RaceCanaryWorker::poke, &worker, &RaceCanaryWorker::touch, Qt::QueuedConnection);
    } else if (std::strcmp(kind, "invoke-functor") != 0) {
        std::fprintf(stderr, "unknown kind %s\n", kind);
        return 2;
    }
    thread.start();
    QMetaObject::invokeMethod(&timer, QOverload<>::of(&QTimer::start), Qt::QueuedConnection);
    for (int i = 0; i < 200 && g_raceCanarySlotRuns.load() < 20; ++i) {
        if (std::strcmp(kind, "queued-slot") == 0)
            emit sender.poke();
        else if (std::strcmp(kind, "invoke-functor") == 0)
            QMetaObject::invokeMethod(&worker, [] {
                ++g_raceCanaryCounter;
                ++g_raceCanarySlotRuns;
            }, Qt::QueuedConnection);
        ++g_raceCanaryCounter; // races with the worker's increments
        QThread::msleep(5);
    }
    QMetaObject::invokeMethod(&timer, &QTimer::stop, Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();
    std::printf("no race reported (%d worker runs)\n", g_raceCanarySlotRuns.load());
    return 0;
}

#include "RaceCanary.moc"
