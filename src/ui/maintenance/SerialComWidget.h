#pragma once

#include "core/console/ConsoleText.h"

#include <QByteArray>
#include <QMessageBox>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <functional>

class QComboBox;
class QGridLayout;
class QLineEdit;
class QPlainTextEdit;
class TComboBox;
class TLabel;
class TPushButton;
class TSerialCombox;

// The "Shell" tab: a terminal to the flight-control unit's text console over its own serial link
// (link id 5, an IOHandler on a worker thread, created on the first Connect). Shows what the unit
// prints (text with escape sequences removed, or hex), sends typed lines ending in CR, offers two
// lists of ready-made console commands and saves the terminal text to a file.
class SerialComWidget : public QWidget
{
    Q_OBJECT
public:
    // Replacements for the page's modal dialogs, so tests and headless runs never block on one.
    // An unset member falls back to the real dialog.
    struct DialogHooks
    {
        // Yes/No question; returns true unless No was chosen.
        std::function<bool(const QString &title, const QString &text)> question;
        // Message box with one OK button (the Save result).
        std::function<void(QMessageBox::Icon icon, const QString &title, const QString &text)> message;
        // Save-file dialog; returns the chosen path, empty when cancelled.
        std::function<QString(const QString &title, const QString &filter)> saveFileName;
    };
    static void setDialogHooks(DialogHooks hooks);

    explicit SerialComWidget(QWidget *parent = nullptr);

    void initUi();
    void initSlots();
    // Self-closing information box titled "Warning", accepted after ms milliseconds.
    void showMsg(const QString &text, int ms);
    // Yes/No question; true unless No was chosen.
    bool questionBox(const QString &title, const QString &text);

public slots:
    // Connect: creates link 5 on first use (and retries 100 ms later), otherwise asks it to open.
    void conBtnSlot();
    // Bytes from the unit: appended as cleaned text, or as a timestamped hex line in hex mode.
    void recIoBuff(QByteArray b, QVariant device = QVariant());
    // Hub events 1 (connected), 2 and 3 (disconnected) whose record is link 5's.
    void handleTAppEvent(int event, int id = 0, QVariant var = QVariant());
    void updateSerialUi(bool conState);
    void saveLog();

private:
    struct Command
    {
        const char *entry;    // caption in the list (translated)
        const char *command;  // what goes to the unit; empty for "None"
        const char *question; // asked first when set
    };
    static const QList<Command> &commonCommands();
    static const QList<Command> &simCommands();

    void fillCommandBox(TComboBox *box, const QList<Command> &commands);
    void commandSelected(const QString &text, const QList<Command> &commands);
    void sendCommand();
    void disconnectLink();
    QObject *link() const;
    void appendText(const QString &text);
    static QString timestamp();

    QGridLayout *layout = nullptr;
    TLabel *portLabel = nullptr;
    TSerialCombox *portPicker = nullptr;
    TPushButton *connectButton = nullptr;
    TPushButton *disconnectButton = nullptr;
    QComboBox *baudBox = nullptr;
    QPlainTextEdit *terminalView = nullptr;
    QLineEdit *commandEdit = nullptr;
    QComboBox *displayModeBox = nullptr;
    TPushButton *sendButton = nullptr;
    TPushButton *saveButton = nullptr;
    TLabel *commonCmdLabel = nullptr;
    TLabel *simCtlLabel = nullptr;
    TComboBox *commonCmdBox = nullptr;
    TComboBox *simCtlBox = nullptr;
    TPushButton *clearButton = nullptr;
    int rowHeight = 40;
    int buttonWidth = 160;
    bool hexMode = false;
    int linkId = 5;

    ConsoleTextCleaner cleaner; // keeps an escape sequence split across two reads together
};
