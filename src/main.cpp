#include "link/TApp.h"
#include "ZtResources.h"
#include "ui/app/AppTranslation.h"
#include "ui/app/GuiOptions.h"
#include "ui/app/MainWidget.h"
#include "ui/widgets/TimedPopup.h"

#include <QApplication>
#include <QDebug>
#include <QLocale>
#include <QThread>
#include <QTimer>
#include <QTranslator>

// The hub exists before the entry point runs: it loads the presets and creates the shared MAVLink link.
static TApp theApp;

int main(int argc, char *argv[])
{
    ZtResources::init();
    if (GuiOptions::answersWithoutWindow(argc, argv)) {
        // --version and --help answer without a display (over ssh, in a package check).
        QCoreApplication app(argc, argv);
        return GuiOptions().parse(app.arguments());
    }
    QApplication app(argc, argv);
    GuiOptions options;
    const int exitCode = options.parse(app.arguments());
    if (exitCode >= 0)
        return exitCode;

    QTranslator translator;
    AppTranslation::installForLocale(QLocale::system().name(), &translator);
    qDebug() << "main" << QThread::currentThreadId();

    TimedPopup::installAsMessagePresenter();
    MainWidget window;
    window.show();
    if (options.quitAfterMs() > 0)
        QTimer::singleShot(options.quitAfterMs(), &app, &QCoreApplication::quit);
    return app.exec();
}
