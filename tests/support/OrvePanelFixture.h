#pragma once

// Shared by the suites of the ORVE panel: the panel with its "confirm?" box answered by the test, a
// zorvan-sim ins per test on a pseudo-terminal, the port picker pointed at it, a clean ./cfg, and the
// timed pop-ups collected instead of shown.
#include "support/SimProcess.h"
#include "ui/factory/BasicWidget.h"
#include "ui/widgets/OrveMyComboBox.h"
#include "ui/widgets/TimedPopup.h"

#include <QColor>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace OrvePanel {
constexpr int LinkTimeoutMs = 15000;
const QColor Green(15, 185, 112), Red(239, 87, 103), Yellow(255, 230, 71), Gray(129, 129, 129);

class Panel : public BasicWidget
{
public:
    Panel() : BasicWidget(1) {}
    QStringList asked;
    bool answer = true;

protected:
    bool questionBox(const QString &title, const QString &text) override
    {
        asked << title + QLatin1Char('/') + text;
        return answer;
    }
};
} // namespace OrvePanel

class OrvePanelFixture
{
protected:
    static QString simPath() { return QStringLiteral(ZT_SIM_PATH); }

    // Call from the suite's init() and cleanup().
    void setUpTest()
    {
        QDir::setCurrent(m_dir.path());
        QDir(QStringLiteral("cfg")).removeRecursively();
        qunsetenv("ZORVAN_EXTRA_PORTS");
        m_popups.clear();
        TimedPopup::setInterceptor([this](const TimedPopup::Shown &s) { m_popups.append(s); });
    }
    void tearDownTest()
    {
        TimedPopup::setInterceptor({});
        qunsetenv("ZORVAN_EXTRA_PORTS");
    }

    // zorvan-sim ins on a pseudo-terminal at 20 messages per second, with extra options.
    static bool startUnit(SimProcess &sim, const QStringList &extra)
    {
        QStringList args{QStringLiteral("ins"), QStringLiteral("--pty"), QStringLiteral("--rate"),
                         QStringLiteral("20")};
        args << extra;
        return sim.start(simPath(), args) && sim.firstLine().startsWith(QLatin1String("/dev/"));
    }

    // Lists path as a USB port and selects it in the panel's picker.
    static void selectPort(BasicWidget &panel, const QString &path)
    {
        qputenv("ZORVAN_EXTRA_PORTS", (path + QStringLiteral("=Simulated ORVE inertial unit (USB)")).toUtf8());
        panel.portBox->refreshPorts();
        for (int i = 0; i < panel.portBox->count(); ++i) {
            if (panel.portBox->itemText(i).startsWith(path + QLatin1Char(':')))
                panel.portBox->setCurrentIndex(i);
        }
    }

    // Presses Open and waits until the link is open and the board information was shown.
    static bool openAndWaitForBoard(BasicWidget &panel)
    {
        panel.openButton->click();
        return QTest::qWaitFor([&] { return panel.connected && panel.boardInfoReceived; }, OrvePanel::LinkTimeoutMs);
    }

    // The closed look: not connected, "Open", port, baud, link type and AutoCon usable.
    static bool closedState(const BasicWidget &panel)
    {
        return !panel.connected && panel.openButton->text() == QLatin1String("Open") && panel.portBox->isEnabled() &&
               panel.baudBox->isEnabled() && panel.linkTypeBox->isEnabled() && panel.autoConButton->isEnabled();
    }

    QList<TimedPopup::Shown> m_popups;
    QTemporaryDir m_dir;
};
