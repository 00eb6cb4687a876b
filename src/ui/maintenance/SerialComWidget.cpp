#include "ui/maintenance/SerialComWidget.h"

#include "link/IOHandler.h"
#include "link/TApp.h"
#include "link/TLinkManager.h"
#include "ui/widgets/TimedPopup.h"
#include "ui/widgets/TComboBox.h"
#include "ui/widgets/TLabel.h"
#include "ui/widgets/TPushButton.h"
#include "ui/widgets/TSerialCombox.h"

#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QGridLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QScrollBar>
#include <QSpacerItem>
#include <QTextStream>
#include <QTimer>

namespace {
SerialComWidget::DialogHooks &dialogHooks()
{
    static SerialComWidget::DialogHooks hooks;
    return hooks;
}

// Delay before the first Connect tries again: the new link's thread starts meanwhile.
constexpr int LinkStartRetryMs = 100;
} // namespace

void SerialComWidget::setDialogHooks(DialogHooks hooks)
{
    dialogHooks() = std::move(hooks);
}

const QList<SerialComWidget::Command> &SerialComWidget::commonCommands()
{
    static const QList<Command> commands{
        {QT_TR_NOOP("None"), "", nullptr},
        {QT_TR_NOOP("Airspeed"), "airspeed", nullptr},
        {QT_TR_NOOP("ThreadState"), "ps", nullptr},
        {QT_TR_NOOP("Memory"), "free", nullptr},
        {QT_TR_NOOP("Help"), "help", nullptr},
        {QT_TR_NOOP("Reboot"), "reboot", QT_TR_NOOP("reboot zorvan ???")},
        {QT_TR_NOOP("Factory"), "factory", QT_TR_NOOP("factory zorvan ???")},
        {QT_TR_NOOP("FatfsFormat"), "Fatfs format", nullptr},
    };
    return commands;
}

const QList<SerialComWidget::Command> &SerialComWidget::simCommands()
{
    static const QList<Command> commands{
        {QT_TR_NOOP("None"), "", nullptr},
        {QT_TR_NOOP("SimMode"), "sim_mode", nullptr},
        {QT_TR_NOOP("SimStart"), "sim_autoStart", nullptr},
        {QT_TR_NOOP("SimPause"), "sim_pause", nullptr},
        {QT_TR_NOOP("SimContinue"), "sim_continue", nullptr},
        {QT_TR_NOOP("SimStop"), "sim_stop", nullptr},
        {QT_TR_NOOP("FlightMode"), "flight_mode", nullptr},
    };
    return commands;
}

SerialComWidget::SerialComWidget(QWidget *parent) : QWidget(parent)
{
    initUi();
    initSlots();
    updateSerialUi(false);
}

void SerialComWidget::initUi()
{
    setFont(QFont(QStringLiteral("微软雅黑"), 10));
    // 600 rather than 800 high: with the tab bar the window then fits a 1366 x 768 laptop screen.
    setMinimumSize(1000, 600);
    layout = new QGridLayout(this);

    portLabel = new TLabel(tr("FMU_USB:"), this);
    portPicker = new TSerialCombox(this);
    portPicker->setMinimumWidth(3 * buttonWidth);
    connectButton = new TPushButton(tr("Connect"), this);
    disconnectButton = new TPushButton(tr("DisConnect"), this);
    connectButton->setFixedWidth(buttonWidth);
    disconnectButton->setFixedWidth(buttonWidth);
    baudBox = new QComboBox(this);
    baudBox->addItems({"115200", "57600", "38400", "9600", "4800"});
    baudBox->setCurrentIndex(0);

    terminalView = new QPlainTextEdit(this);
    terminalView->setFont(QFont(QStringLiteral("Courier New")));
    commandEdit = new QLineEdit(this);
    displayModeBox = new QComboBox(this);
    displayModeBox->addItems({"ASCII", "HEX"});

    sendButton = new TPushButton(tr("Send"), this);
    saveButton = new TPushButton(tr("Save"), this);
    commonCmdLabel = new TLabel(tr("CommonCmd:"), this);
    simCtlLabel = new TLabel(tr("SimCtl:"), this);
    commonCmdBox = new TComboBox(this);
    simCtlBox = new TComboBox(this);
    fillCommandBox(commonCmdBox, commonCommands());
    fillCommandBox(simCtlBox, simCommands());
    commonCmdBox->setMinimumWidth(buttonWidth);
    simCtlBox->setMinimumWidth(buttonWidth);
    clearButton = new TPushButton(tr("Clear"), this);

    for (QWidget *w : std::initializer_list<QWidget *>{portPicker, baudBox, connectButton, disconnectButton,
                                                       commandEdit, displayModeBox, commonCmdBox, simCtlBox})
        w->setFixedHeight(rowHeight);

    // Names for style sheets and tests.
    const QList<QPair<QWidget *, const char *>> named{{portLabel, "portLabel"},
                                                      {portPicker, "portPicker"},
                                                      {connectButton, "connectButton"},
                                                      {disconnectButton, "disconnectButton"},
                                                      {baudBox, "baudBox"},
                                                      {terminalView, "terminalView"},
                                                      {commandEdit, "commandEdit"},
                                                      {displayModeBox, "displayModeBox"},
                                                      {sendButton, "sendButton"},
                                                      {saveButton, "saveButton"},
                                                      {commonCmdLabel, "commonCmdLabel"},
                                                      {simCtlLabel, "simCtlLabel"},
                                                      {commonCmdBox, "commonCmdBox"},
                                                      {simCtlBox, "simCtlBox"},
                                                      {clearButton, "clearButton"}};
    for (const auto &n : named)
        n.first->setObjectName(QLatin1String(n.second));

    layout->addWidget(portLabel, 0, 0);
    layout->addWidget(portPicker, 0, 1, 1, 4);
    layout->addWidget(baudBox, 0, 5, 1, 3);
    layout->addWidget(connectButton, 0, 8);
    layout->addWidget(disconnectButton, 0, 9);
    layout->addWidget(terminalView, 1, 0, 10, 10);
    layout->addWidget(commandEdit, 11, 0, 1, 9);
    layout->addWidget(displayModeBox, 11, 9);
    layout->addWidget(commonCmdLabel, 12, 0);
    layout->addWidget(commonCmdBox, 12, 1, 1, 2);
    layout->addWidget(simCtlLabel, 12, 3);
    layout->addWidget(simCtlBox, 12, 4, 1, 2);
    layout->addWidget(sendButton, 12, 6);
    layout->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum), 12, 7);
    layout->addWidget(saveButton, 12, 8);
    layout->addWidget(clearButton, 12, 9);
    // The connection row is wider than 1000 pixels: the page is never narrower than its controls, so
    // the window cannot cut off the last button.
    setMinimumWidth(qMax(minimumWidth(), layout->minimumSize().width()));
}

void SerialComWidget::fillCommandBox(TComboBox *box, const QList<Command> &commands)
{
    for (const Command &c : commands)
        box->addItem(tr(c.entry));
}

void SerialComWidget::initSlots()
{
    if (TApp *app = TApp::instance())
        connect(app, QOverload<int, int, QVariant>::of(&TApp::TAppEvent), this, &SerialComWidget::handleTAppEvent);
    connect(terminalView, &QPlainTextEdit::textChanged, this,
            [this] { terminalView->verticalScrollBar()->setValue(terminalView->verticalScrollBar()->maximum()); });
    connect(commandEdit, &QLineEdit::returnPressed, sendButton, &QPushButton::click);
    connect(commonCmdBox, &QComboBox::currentTextChanged, this,
            [this](const QString &text) { commandSelected(text, commonCommands()); });
    connect(simCtlBox, &QComboBox::currentTextChanged, this,
            [this](const QString &text) { commandSelected(text, simCommands()); });
    connect(displayModeBox, &QComboBox::currentTextChanged, this,
            [this](const QString &text) { hexMode = text == QLatin1String("HEX"); });
    connect(sendButton, &QPushButton::clicked, this, &SerialComWidget::sendCommand);
    connect(connectButton, &QPushButton::clicked, this, &SerialComWidget::conBtnSlot);
    connect(disconnectButton, &QPushButton::clicked, this, &SerialComWidget::disconnectLink);
    connect(clearButton, &QPushButton::clicked, terminalView, &QPlainTextEdit::clear);
    connect(saveButton, &QPushButton::clicked, this, &SerialComWidget::saveLog);
}

void SerialComWidget::showMsg(const QString &text, int ms)
{
    TimedPopup::exec(QMessageBox::Information, tr("Warning"), text, ms);
}

bool SerialComWidget::questionBox(const QString &title, const QString &text)
{
    if (dialogHooks().question)
        return dialogHooks().question(title, text);
    return QMessageBox::question(this, title, text, QMessageBox::Yes | QMessageBox::No) != QMessageBox::No;
}

QObject *SerialComWidget::link() const
{
    TLinkManager *links = TLinkManager::instance();
    return links ? links->find(linkId) : nullptr;
}

void SerialComWidget::conBtnSlot()
{
    TLinkManager *links = TLinkManager::instance();
    if (!links)
        return;
    QObject *registered = links->find(linkId);
    if (!registered) {
        auto *handler = new IOHandler(linkId, true);
        connect(handler, &IOHandler::recIoBuff, this, &SerialComWidget::recIoBuff);
        links->add(linkId, handler);
        QTimer::singleShot(LinkStartRetryMs, this, &SerialComWidget::conBtnSlot);
        return;
    }
    auto *handler = qobject_cast<IOHandler *>(registered);
    if (!handler)
        return;
    const auto request =
        IOHandler::DeviceInfo::serial(linkId, portPicker->currentText(), baudBox->currentText().toInt());
    emit handler->openDeviceSignal(request, true);
}

void SerialComWidget::disconnectLink()
{
    auto *handler = qobject_cast<IOHandler *>(link());
    if (!handler)
        return;
    const auto request =
        IOHandler::DeviceInfo::serial(linkId, portPicker->currentText(), baudBox->currentText().toInt());
    emit handler->openDeviceSignal(request, false);
}

void SerialComWidget::updateSerialUi(bool conState)
{
    connectButton->setEnabled(!conState);
    portPicker->setEnabled(!conState);
    baudBox->setEnabled(!conState);
    disconnectButton->setEnabled(conState);
}

void SerialComWidget::handleTAppEvent(int event, int id, QVariant var)
{
    Q_UNUSED(id)
    if (!IOHandler::isRecordOfLink(var, linkId))
        return;
    if (event == TApp::EventLinkOpened)
        updateSerialUi(true);
    else if (event == TApp::EventOpenFailed || event == TApp::EventLinkClosed)
        updateSerialUi(false);
}

QString SerialComWidget::timestamp()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
}

void SerialComWidget::appendText(const QString &text)
{
    if (text.isEmpty())
        return;
    // Always at the end: a click into the view must not make the unit's output land mid-text.
    QTextCursor cursor = terminalView->textCursor();
    if (!cursor.atEnd() || cursor.hasSelection()) {
        cursor.movePosition(QTextCursor::End);
        terminalView->setTextCursor(cursor);
    }
    terminalView->insertPlainText(text);
}

void SerialComWidget::recIoBuff(QByteArray b, QVariant device)
{
    Q_UNUSED(device)
    if (hexMode)
        appendText(QStringLiteral("\r\n") + timestamp() + QStringLiteral("\r\nRec: ") + ConsoleText::toHex(b));
    else
        appendText(cleaner.feed(b));
}

void SerialComWidget::sendCommand()
{
    auto *handler = qobject_cast<IOHandler *>(link());
    if (!handler)
        return;
    const QString typed = commandEdit->text();
    appendText(QStringLiteral("\r\n") + timestamp() + QStringLiteral("\r\nSend: ") +
               ConsoleText::echoText(typed, hexMode) + QStringLiteral("\r\n"));
    emit handler->sendBuffSignal(ConsoleText::commandBytes(typed, hexMode), QVariant(0));
}

void SerialComWidget::commandSelected(const QString &text, const QList<Command> &commands)
{
    for (const Command &c : commands) {
        if (tr(c.entry) != text)
            continue;
        if (c.question && !questionBox(tr("warning"), tr(c.question)))
            return;
        const QString command = QString::fromLatin1(c.command);
        commandEdit->setText(command);
        if (!command.isEmpty())
            sendButton->click();
        return;
    }
}

void SerialComWidget::saveLog()
{
    const QString title = tr("Save File");
    const QString filter = tr("Text Files (*.txt)");
    const QString path = dialogHooks().saveFileName ? dialogHooks().saveFileName(title, filter)
                                                    : QFileDialog::getSaveFileName(this, title, QString(), filter);
    if (path.isEmpty())
        return;

    auto report = [this](QMessageBox::Icon icon, const QString &boxTitle, const QString &text) {
        if (dialogHooks().message)
            dialogHooks().message(icon, boxTitle, text);
        else if (icon == QMessageBox::Critical)
            QMessageBox::critical(this, boxTitle, text);
        else
            QMessageBox::information(this, boxTitle, text);
    };

    // Written to a temporary file and renamed on success, so a failed write never leaves a
    // truncated log in place of an older one.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        report(QMessageBox::Critical, tr("Error"), tr("Could not open file for writing: ") + path);
        return;
    }
    QTextStream out(&file);
    out.setCodec("UTF-8");
    out << terminalView->toPlainText();
    out.flush();
    if (out.status() != QTextStream::Ok || !file.commit()) {
        report(QMessageBox::Critical, tr("Error"), tr("Could not write file: ") + path);
        return;
    }
    report(QMessageBox::Information, tr("Success"), tr("File saved successfully: ") + path);
}
