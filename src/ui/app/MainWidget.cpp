#include "ui/app/MainWidget.h"

#include "link/TApp.h"
#include "ui/widgets/TimedPopup.h"
#include "ui/widgets/UiTheme.h"
#include "ui/app/WindowTitle.h"
#include "ui/factory/BasicWidget.h"
#include "ui/firmware/Uploader.h"
#include "ui/maintenance/InsTransport.h"
#include "ui/maintenance/LogManagerWidget.h"
#include "ui/maintenance/ParamManagerWidget.h"
#include "ui/maintenance/SerialComWidget.h"

#include <QCoreApplication>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

MainWidget::MainWidget(QWidget *parent) : QWidget(parent)
{
    UiTheme::applyTo(this, QStringLiteral("./cfg/ui.ini"), QStringLiteral(":/tabwidget.qss"));
    setWindowTitle(WindowTitle::title(QCoreApplication::applicationName()));
    setFont(QFont(QStringLiteral("微软雅黑"), 10));

    layout = new QGridLayout(this);
    tabs = new QTabWidget(this);
    layout->addWidget(tabs, 1, 0, 10, 10);

    logPage = new LogManagerWidget(tabs);
    paramPage = new ParamManagerWidget(tabs);

    QWidget *uploaderTab = new QWidget(tabs);
    auto *uploaderLayout = new QVBoxLayout(uploaderTab);
    auto *hint = new QLabel(tr("Please connect FMU-USB port of Zorvan with Type-C cable"), uploaderTab);
    hint->setFixedHeight(30);
    hint->setAlignment(Qt::AlignCenter);
    uploaderLayout->addWidget(hint);
    // Built as a window of its own, then embedded: the layout makes it a child of the tab.
    uploader = new Uploader(nullptr);
    uploaderLayout->addWidget(uploader);
    tabs->addTab(uploaderTab, QIcon(QStringLiteral(":/upgrade.svg")), tr("Uploader"));

    shellPage = new SerialComWidget(tabs);
    tabs->addTab(shellPage, QIcon(QStringLiteral(":/shell.svg")), tr("Shell"));
    tabs->addTab(logPage, QIcon(QStringLiteral(":/log.svg")), tr("Log"));
    tabs->addTab(paramPage, QIcon(QStringLiteral(":/param.svg")), tr("Param"));

    orveContainer = new QWidget(tabs);
    tabs->addTab(orveContainer, QIcon(QStringLiteral(":/ins.svg")), tr("ORVE"));
    createOrvePanel();

    transportPage = new InsTransport(tabs);
    tabs->addTab(transportPage, QIcon(QStringLiteral(":/ins.svg")), tr("Transport"));

    resize(1280, 720); // opens inside a 1366 x 768 screen

    connect(tabs, &QTabWidget::currentChanged, this, &MainWidget::handleTabChanged);
    if (TApp *app = TApp::instance()) {
        connect(app, QOverload<int, int, QVariant>::of(&TApp::TAppEvent), this, &MainWidget::handleTAppEvent);
    }
}

void MainWidget::createOrvePanel()
{
    if (factoryPanel)
        return;
    factoryPanel = new BasicWidget(1, orveContainer);
    auto *grid = new QGridLayout(orveContainer);
    grid->setSpacing(0);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(factoryPanel);
}

void MainWidget::handleTabChanged(int index)
{
    if (index == OrveTab)
        createOrvePanel();
}

void MainWidget::handleTAppEvent(int event, int id, QVariant var)
{
    Q_UNUSED(id)
    if (event != TApp::EventNotice)
        return;
    TimedPopup::exec(QMessageBox::Information, QStringLiteral("Warning"), var.toString(), 2000);
}
