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

// The program's only top-level window: the theme, the title and the six tabs.
class MainWidget : public QWidget
{
    Q_OBJECT
public:
    enum TabIndex { UploaderTab = 0, ShellTab, LogTab, ParamTab, OrveTab, TransportTab };

    explicit MainWidget(QWidget *parent = nullptr);

    QTabWidget *tabWidget() const { return tabs; }
    BasicWidget *orvePanel() const { return factoryPanel; }

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
