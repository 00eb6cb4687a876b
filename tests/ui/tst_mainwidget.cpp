// The main window: title, theme, tabs, translation and the notice box.
#include "core/util/AppVersion.h"
#include "link/TApp.h"
#include "ZtResources.h"
#include "ui/app/AppTranslation.h"
#include "ui/app/MainWidget.h"
#include "ui/widgets/TimedPopup.h"
#include "ui/widgets/UiTheme.h"
#include "ui/app/WindowPlacement.h"
#include "ui/app/WindowTitle.h"
#include "ui/factory/BasicWidget.h"
#include "ui/firmware/Uploader.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QScrollArea>
#include <QScrollBar>
#include <QLabel>
#include <QSettings>
#include <QTabBar>
#include <QTranslator>
#include <QtTest>

class TestMainWidget : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void buildDateTitle_data();
    void buildDateTitle();
    void theme_data();
    void theme();
    void tabsInOrder();
    void chineseTitles_data();
    void chineseTitles();
    void orvePanelCreatedOnce();
    void noticeEventShowsTimedBox();
    void fitsLaptopScreen();
    void openingGeometry_data();
    void openingGeometry();
    void opensShowingTheOrvePanel_data();
    void opensShowingTheOrvePanel();
    void keepsSizeAndPlace();

private:
    static QStringList tabTitles(const MainWidget &w);
    TApp *hub = nullptr;
};

void TestMainWidget::initTestCase()
{
    ZtResources::init();
    static TApp app(QStringLiteral("./cfg/param.ini"));
    hub = &app;
}

void TestMainWidget::init()
{
    QDir(QStringLiteral("cfg")).removeRecursively();
}

void TestMainWidget::buildDateTitle_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("title");
    QTest::newRow("two-digit day") << "Oct 28 2025"
                                   << "10:49:06"
                                   << "Zorvan-Tools v1.2.4.20251028.1";
    QTest::newRow("one-digit day") << "Mar  5 2026"
                                   << "09:01:59"
                                   << "Zorvan-Tools v1.2.4.20260305.1";
    QTest::newRow("new year") << "Jan  1 2027"
                              << "00:00:00"
                              << "Zorvan-Tools v1.2.4.20270101.1";
}

void TestMainWidget::buildDateTitle()
{
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(QString, title);
    QCOMPARE(WindowTitle::title("Zorvan-Tools", date.toLatin1().constData(), time.toLatin1().constData()), title);
}

void TestMainWidget::theme_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<uint>("style");
    QTest::newRow("no file") << QByteArray() << 1u;
    QTest::newRow("dark") << QByteArray("[ui]\nstyle=1\n") << 1u;
    QTest::newRow("platform look") << QByteArray("[ui]\nstyle=0\n") << 0u;
}

void TestMainWidget::theme()
{
    QFETCH(QByteArray, ini);
    QFETCH(uint, style);
    if (!ini.isEmpty()) {
        QDir().mkpath("cfg");
        QFile file("cfg/ui.ini");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ini);
    }
    MainWidget w;
    QCOMPARE(UiTheme::style(), style);
    QCOMPARE(w.styleSheet().isEmpty(), style != 1);
    QCOMPARE(w.autoFillBackground(), style == 1);
    if (style == 1) {
        QVERIFY(w.styleSheet().contains("#62627d"));
        QCOMPARE(w.palette().color(QPalette::Window), QColor("#222222"));
    }
    QSettings written("cfg/ui.ini", QSettings::IniFormat);
    QCOMPARE(written.value("ui/style").toUInt(), style);
    UiTheme::setStyle(1);
}

QStringList TestMainWidget::tabTitles(const MainWidget &w)
{
    QStringList titles;
    for (int i = 0; i < w.tabWidget()->count(); ++i)
        titles << w.tabWidget()->tabText(i);
    return titles;
}

void TestMainWidget::tabsInOrder()
{
    MainWidget w;
    QCOMPARE(tabTitles(w), (QStringList{"Uploader", "Shell", "Log", "Param", "ORVE", "Transport"}));
    // The version zorvan-cli and zorvan-sim print for --version.
    QCOMPARE(w.windowTitle(), QCoreApplication::applicationName() + " v" + AppVersion::text());
    QVERIFY(w.windowTitle().startsWith(QCoreApplication::applicationName() + " v1.2.4."));
    QCOMPARE(w.font().family(), QString("微软雅黑"));
    QCOMPARE(w.font().pointSize(), 10);
    const QStringList classes{"QWidget", "SerialComWidget", "LogManagerWidget", "ParamManagerWidget",
                              "QWidget", "InsTransport"};
    for (int i = 0; i < classes.size(); ++i) {
        QCOMPARE(w.tabWidget()->widget(i)->metaObject()->className(), classes[i].toLatin1().constData());
        QVERIFY2(!w.tabWidget()->tabIcon(i).isNull(), qPrintable(QString("icon of tab %1").arg(i)));
    }
    auto *hint = w.tabWidget()->widget(0)->findChild<QLabel *>();
    QVERIFY(hint);
    QCOMPARE(hint->text(), QString("Please connect FMU-USB port of Zorvan with Type-C cable"));
    auto *uploader = w.tabWidget()->widget(0)->findChild<Uploader *>();
    QVERIFY(uploader);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_VERIFY(uploader->isVisible()); // embedded in the tab, not a window of its own
    QVERIFY(!uploader->isWindow());
}

void TestMainWidget::chineseTitles_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("titles");
    QTest::newRow("zh_CN") << "zh_CN" << QStringList{"固件升级", "终端", "日志", "参数", "ORVE", "传输"};
    QTest::newRow("zh_TW") << "zh_TW" << QStringList{"Uploader", "Shell", "Log", "Param", "ORVE", "Transport"};
    QTest::newRow("en_US") << "en_US" << QStringList{"Uploader", "Shell", "Log", "Param", "ORVE", "Transport"};
}

void TestMainWidget::chineseTitles()
{
    QFETCH(QString, locale);
    QFETCH(QStringList, titles);
    QTranslator translator;
    const bool installed = AppTranslation::installForLocale(locale, &translator);
    QCOMPARE(installed, locale == "zh_CN");
    MainWidget w;
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(tabTitles(w), titles);
}

void TestMainWidget::orvePanelCreatedOnce()
{
    MainWidget w;
    BasicWidget *panel = w.orvePanel();
    QVERIFY(panel);
    QCOMPARE(panel->mode(), 1);
    for (int round = 0; round < 3; ++round) {
        w.tabWidget()->setCurrentIndex(MainWidget::OrveTab);
        w.tabWidget()->setCurrentIndex(MainWidget::ShellTab);
    }
    QCOMPARE(w.orvePanel(), panel);
    QCOMPARE(w.findChildren<BasicWidget *>().size(), 1);
}

void TestMainWidget::noticeEventShowsTimedBox()
{
    MainWidget w;
    QList<TimedPopup::Shown> shown;
    TimedPopup::setInterceptor([&](const TimedPopup::Shown &s) { shown.append(s); });
    emit hub->TAppEvent(11, 5, QVariant(QStringLiteral("unit rebooted")));
    emit hub->TAppEvent(3, 5, QVariant(QStringLiteral("ignored")));
    TimedPopup::setInterceptor({});
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].title, QString("Warning"));
    QCOMPARE(shown[0].text, QString("unit rebooted"));
    QCOMPARE(shown[0].icon, QMessageBox::Information);
    QCOMPARE(shown[0].closeAfterMs, 2000);
}

void TestMainWidget::fitsLaptopScreen()
{
    // A 1366 x 768 laptop screen leaves about 740 pixels under a panel or task bar.
    const QSize screen(1366, 740);
    MainWidget w; // builds every page
    const QSize minimum = w.minimumSizeHint().expandedTo(w.minimumSize());
    qInfo() << "minimum size of the main window" << minimum;
    QVERIFY2(minimum.width() <= screen.width() && minimum.height() <= screen.height(),
             qPrintable(QStringLiteral("minimum %1 x %2").arg(minimum.width()).arg(minimum.height())));
    QVERIFY2(w.width() <= screen.width() && w.height() <= screen.height(),
             qPrintable(QStringLiteral("opens at %1 x %2").arg(w.width()).arg(w.height())));

    // At its minimum size every button of every page lies inside the window (none cut off below,
    // as the Shell page's Send/Save/Clear row was); buttons in scrolling areas are reachable anyway.
    w.resize(minimum);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QStringList cutOff;
    for (int i = 0; i < w.tabWidget()->count(); ++i) {
        w.tabWidget()->setCurrentIndex(i);
        QWidget *page = w.tabWidget()->widget(i);
        QTRY_VERIFY(page->isVisible());
        QCoreApplication::processEvents();
        for (QAbstractButton *button : page->findChildren<QAbstractButton *>()) {
            if (!button->isVisibleTo(page) || button->window() != &w)
                continue;
            bool scrolled = false;
            for (QWidget *p = button->parentWidget(); p && p != page; p = p->parentWidget())
                scrolled = scrolled || qobject_cast<QAbstractScrollArea *>(p);
            const QRect inWindow(button->mapTo(&w, QPoint(0, 0)), button->size());
            if (!scrolled && !w.rect().contains(inWindow))
                cutOff << QStringLiteral("%1: \"%2\" at %3,%4 %5x%6")
                              .arg(w.tabWidget()->tabText(i), button->text())
                              .arg(inWindow.x())
                              .arg(inWindow.y())
                              .arg(inWindow.width())
                              .arg(inWindow.height());
        }
    }
    QVERIFY2(cutOff.isEmpty(), qPrintable(QStringLiteral("window %1 x %2: ").arg(w.width()).arg(w.height()) +
                                          cutOff.join(QStringLiteral("; "))));
}

void TestMainWidget::openingGeometry_data()
{
    QTest::addColumn<QSize>("wanted");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("stored");
    QTest::addColumn<QRect>("expected");
    // The window's minimum is 900 x 600, its frame adds 30 above it.
    const QRect big(0, 0, 1600, 1000);
    QTest::newRow("room: the wanted size, centred") << QSize(1400, 900) << big << QRect() << QRect(100, 35, 1400, 900);
    QTest::newRow("no room: the available area less the frame")
        << QSize(1400, 900) << QRect(0, 0, 1366, 740) << QRect() << QRect(0, 0, 1366, 710);
    QTest::newRow("never below the minimum")
        << QSize(1400, 900) << QRect(0, 0, 800, 600) << QRect() << QRect(0, 0, 900, 600);
    QTest::newRow("a second screen's area")
        << QSize(1000, 700) << QRect(1600, 0, 1920, 1050) << QRect() << QRect(2060, 160, 1000, 700);
    QTest::newRow("stored on the screen: kept")
        << QSize(1400, 900) << big << QRect(40, 30, 1000, 650) << QRect(40, 30, 1000, 650);
    QTest::newRow("stored larger than the screen now: bounded")
        << QSize(1400, 900) << QRect(0, 0, 1366, 740) << QRect(10, 10, 1500, 900) << QRect(10, 10, 1366, 710);
    QTest::newRow("stored off the screen: placed anew")
        << QSize(1400, 900) << big << QRect(3000, 2000, 1000, 650) << QRect(100, 35, 1400, 900);
    QTest::newRow("stored barely on the screen: placed anew")
        << QSize(1400, 900) << big << QRect(1500, 20, 1000, 650) << QRect(100, 35, 1400, 900);
}

void TestMainWidget::openingGeometry()
{
    QFETCH(QSize, wanted);
    QFETCH(QRect, available);
    QFETCH(QRect, stored);
    QTEST(WindowPlacement::openingGeometry(wanted, QSize(900, 600), available, stored, 30), "expected");
}

void TestMainWidget::opensShowingTheOrvePanel_data()
{
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<bool>("whole"); // the screen has room for the whole panel
    QTest::newRow("1600 x 1000") << QRect(0, 0, 1600, 1000) << true;
    QTest::newRow("1920 x 1050") << QRect(0, 0, 1920, 1050) << true;
    QTest::newRow("1366 x 740") << QRect(0, 0, 1366, 740) << false;
}

void TestMainWidget::opensShowingTheOrvePanel()
{
    // A 1600 x 1000 screen showed the ORVE panel with its Param, Log, SetSN and AccCali buttons and
    // the Msg box below the window's edge (it opened at 1280 x 735).
    QFETCH(QRect, screen);
    QFETCH(bool, whole);
    MainWidget w;
    w.applyOpeningGeometry(screen);
    QVERIFY2(screen.contains(w.geometry()), qPrintable(QStringLiteral("%1 x %2").arg(w.width()).arg(w.height())));
    w.tabWidget()->setCurrentIndex(MainWidget::OrveTab);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCoreApplication::processEvents();
    auto *scroll = w.orvePanel()->findChild<QScrollArea *>();
    QVERIFY(scroll);
    qInfo() << "opens at" << w.size() << "panel" << w.orvePanel()->sizeHint();
    if (whole) {
        QCOMPARE(scroll->verticalScrollBar()->maximum(), 0);
        QCOMPARE(scroll->horizontalScrollBar()->maximum(), 0);
    }
}

void TestMainWidget::keepsSizeAndPlace()
{
    const QRect screen(0, 0, 1600, 1000);
    {
        MainWidget w;
        w.applyOpeningGeometry(screen);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.resize(1300, 800);
        w.move(50, 60);
        QTRY_COMPARE(w.size(), QSize(1300, 800));
        w.close();
    }
    QSettings ini(QStringLiteral("./cfg/ui.ini"), QSettings::IniFormat);
    QCOMPARE(ini.value("window/width").toInt(), 1300);
    QCOMPARE(ini.value("window/height").toInt(), 800);
    MainWidget again;
    again.applyOpeningGeometry(screen);
    QCOMPARE(again.size(), QSize(1300, 800));
    QCOMPARE(again.pos(), QPoint(ini.value("window/x").toInt(), ini.value("window/y").toInt()));
    QCOMPARE(again.pos(), QPoint(50, 60));
}

QTEST_MAIN(TestMainWidget)
#include "tst_mainwidget.moc"
