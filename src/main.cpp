#include "link/TApp.h"
#include "ZtResources.h"
#include "ui/app/AppTranslation.h"
#include "ui/app/MainWidget.h"
#include "ui/widgets/TimedPopup.h"

#include <QApplication>
#include <QDebug>
#include <QLocale>
#include <QThread>
#include <QTranslator>

// The hub exists before the entry point runs: it loads the presets and creates the shared MAVLink link.
static TApp theApp;

int main(int argc, char *argv[])
{
    ZtResources::init();
    QApplication app(argc, argv);

    QTranslator translator;
    AppTranslation::installForLocale(QLocale::system().name(), &translator);
    qDebug() << "main" << QThread::currentThreadId();

    TimedPopup::installAsMessagePresenter();
    MainWidget window;
    window.show();
    return app.exec();
}
