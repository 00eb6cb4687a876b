#pragma once

#include <QSet>
#include <QVariant>
#include <QWidget>

class MavlinkHandler;
class MavlinkUnitLabel;
class QComboBox;
class QGridLayout;
class QTableWidget;
class QTimer;
class TCellWidget;
class TLabel;
class TPushButton;
class TSerialCombox;

// The "Log" tab: lists the logs stored on the flight-control unit over the shared MAVLink link
// (id 6), downloads the ticked ones into log/flight with per-log progress, cancels downloads and
// erases every log on the unit. Rows are kept in id order and found by id (units number their logs
// from 1 or from 0); a list is whole when it has as many rows as the unit has logs.
//
// The link reports every accepted chunk's offset and, once a file is whole, the log's size; that
// last report finishes the row, unticks it and queues the rows still ticked. The page remembers the
// ids it has handed to the link until they finish or are cancelled, so a log already queued or
// being downloaded is never queued a second time.
class LogManagerWidget : public QWidget
{
    Q_OBJECT
public:
    enum Column { ColSelect = 0, ColId, ColSize, ColDownloaded, ColProgress, ColDateTime, ColumnCount };
    // A list that brings no entry for this long has ended, whole or not: the buttons come back.
    static constexpr int ListQuietMs = 2000;

    explicit LogManagerWidget(QWidget *parent = nullptr);

    void initUi();
    void registerMetaType();
    void initSlots();
    void updateSerialUi(bool conState);
    void handleTAppEvent(int event, int id, QVariant var);
    // One LOG_ENTRY: inserts (or refreshes) the row of that log.
    void onRecLogInfo(ushort id, uint size, uint timeUtc, ushort nums);
    void logDownloadProgress(int id, uint currentSize, uint totalSize);
    // The file of log id is whole: untick its row and start the rows still ticked.
    void downloadFinish(int id);
    // Queues the ticked rows not yet handed to the link and asks it to start.
    void requestLogData();
    void addTableItem(const QString &text, int row, int column);
    // The link could not create or write a log file: says so with the path and the reason.
    void logFileFailed(ushort id, const QString &path, const QString &reason);

    // The row of log id, -1 when it has none.
    int rowOfLog(int id) const;
    // The check box of a row (null for a row without one).
    TCellWidget *rowCheckBox(int row) const;

protected:
    // A Yes/No question; true unless No was chosen (tests answer it themselves).
    virtual bool questionBox(const QString &title, const QString &text);

private:
    void conBtnSlot(bool connect);
    void listEnded();
    void getListSlot();
    void cancelSlot();
    void clearSlot();

    QGridLayout *layout = nullptr;
    QComboBox *linkKindBox = nullptr;
    TLabel *portLabel = nullptr;
    TSerialCombox *portPicker = nullptr;
    TPushButton *connectButton = nullptr;
    TPushButton *disconnectButton = nullptr;
    TPushButton *getListButton = nullptr;
    TPushButton *downloadButton = nullptr;
    QTableWidget *table = nullptr;
    TPushButton *cancelButton = nullptr;
    TPushButton *clearButton = nullptr;
    int controlHeight = 40;
    int controlWidth = 160;
    int linkId = 6;
    MavlinkHandler *link = nullptr;
    MavlinkUnitLabel *unitLabel = nullptr; // system and component id of the unit
    QTimer *listQuietTimer = nullptr;
    QSet<ushort> submittedIds; // handed to the link, neither finished nor cancelled
    bool downloading = false;  // a progress report came after the last finish or cancel
};
