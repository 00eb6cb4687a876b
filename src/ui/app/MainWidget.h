#pragma once

#include <QGridLayout>
#include <QTabWidget>
#include <QVariant>
#include <QWidget>

class BasicWidget;
class InsTransport;
class LogManagerWidget;
class ParamManagerWidget;
class SerialComWidget;
class Uploader;

// The program's only top-level window: the theme, the title and the six tabs; it opens where it was
// last closed (./cfg/ui.ini "window/...") or large enough for the whole ORVE panel.
class MainWidget : public QWidget
{
    Q_OBJECT
public:
    enum TabIndex { UploaderTab = 0, ShellTab, LogTab, ParamTab, OrveTab, TransportTab };

    explicit MainWidget(QWidget *parent = nullptr);

    QTabWidget *tabWidget() const { return tabs; }
    // Size and place for a screen's available geometry: the last ones of ./cfg/ui.ini when they still
    // lie on it, else a size showing the whole ORVE panel where there is room (at least 1280 x 720,
    // never below the window's minimum), centred. The constructor applies it for the primary screen.
    void applyOpeningGeometry(const QRect &available);
    BasicWidget *orvePanel() const { return factoryPanel; }

protected:
    // Keeps the window's size and position in ./cfg/ui.ini.
    void closeEvent(QCloseEvent *event) override;

private slots:
    void handleTAppEvent(int event, int id, QVariant var);
    void handleTabChanged(int index);

private:
    void createOrvePanel();

    QGridLayout *layout = nullptr;
    QTabWidget *tabs = nullptr;
    LogManagerWidget *logPage = nullptr;
    ParamManagerWidget *paramPage = nullptr;
    Uploader *uploader = nullptr;
    SerialComWidget *shellPage = nullptr;
    QWidget *orveContainer = nullptr;
    BasicWidget *factoryPanel = nullptr;
    InsTransport *transportPage = nullptr;
};
