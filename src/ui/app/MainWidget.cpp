#include "ui/app/MainWidget.h"

#include "link/TApp.h"
#include "ui/widgets/TimedPopup.h"
#include "ui/widgets/UiTheme.h"
#include "ui/app/WindowPlacement.h"
#include "ui/app/WindowTitle.h"
#include "core/util/IniSettings.h"
#include "ui/factory/BasicWidget.h"
#include "ui/firmware/Uploader.h"
#include "ui/maintenance/InsTransport.h"
#include "ui/maintenance/LogManagerWidget.h"
#include "ui/maintenance/ParamManagerWidget.h"
#include "ui/maintenance/SerialComWidget.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

namespace {
const char *const UiIni = "./cfg/ui.ini";
// The window's last frame position and size in ui.ini.
const char *const GeometryKeys[] = {"window/x", "window/y", "window/width", "window/height"};
constexpr int DefaultWidth = 1280;
constexpr int DefaultHeight = 720;
} // namespace

MainWidget::MainWidget(QWidget *parent) : QWidget(parent)
{
    UiTheme::applyTo(this, QLatin1String(UiIni), QStringLiteral(":/tabwidget.qss"));
    setWindowTitle(WindowTitle::title(QCoreApplication::applicationName()));
    setFont(QFont(QStringLiteral("微软雅黑"), 10));

    layout = new QGridLayout(this);
    // Narrow margins around the tabs, so that the pages get the room (the ORVE panel fits a 1600 x
    // 1000 screen without scrolling).
    layout->setContentsMargins(4, 4, 4, 4);
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

    if (QScreen *screen = QGuiApplication::primaryScreen())
        applyOpeningGeometry(screen->availableGeometry());

    connect(tabs, &QTabWidget::currentChanged, this, &MainWidget::handleTabChanged);
    if (TApp *app = TApp::instance()) {
        connect(app, QOverload<int, int, QVariant>::of(&TApp::TAppEvent), this, &MainWidget::handleTAppEvent);
    }
}

void MainWidget::applyOpeningGeometry(const QRect &available)
{
    IniSettings ini{QLatin1String(UiIni)};
    QRect stored;
    if (ini.contains(QLatin1String(GeometryKeys[2])) && ini.contains(QLatin1String(GeometryKeys[3]))) {
        stored =
            QRect(ini.value(QLatin1String(GeometryKeys[0])).toInt(), ini.value(QLatin1String(GeometryKeys[1])).toInt(),
                  ini.value(QLatin1String(GeometryKeys[2])).toInt(), ini.value(QLatin1String(GeometryKeys[3])).toInt());
    }
    // At least the size it always had; as much as the ORVE panel (the largest page) asks for when the
    // screen has room, so that none of its buttons needs scrolling.
    const QSize wanted = sizeHint().expandedTo(QSize(DefaultWidth, DefaultHeight));
    const QSize minimum = minimumSizeHint().expandedTo(minimumSize());
    const int frame = style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const QRect g = WindowPlacement::openingGeometry(wanted, minimum, available, stored, frame);
    resize(g.size());
    move(g.topLeft());
}

void MainWidget::closeEvent(QCloseEvent *event)
{
    // The last place of the window, for the next start.
    IniSettings ini{QLatin1String(UiIni)};
    const int values[] = {pos().x(), pos().y(), width(), height()};
    for (int i = 0; i < 4; ++i)
        ini.setValue(QLatin1String(GeometryKeys[i]), values[i]);
    ini.sync();
    QWidget::closeEvent(event);
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
