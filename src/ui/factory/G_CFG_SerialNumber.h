#pragma once

#include <QVariant>
#include <QWidget>

class QGridLayout;
class QLabel;
class QMessageBox;
class QPushButton;
class QSpinBox;

// The factory window that writes a serial number (production month YYMM and sequence number) into the
// one-time-programmable area of the unit on one factory link, after a confirmation. It then shows the
// unit's acknowledgement of the write and the serial number the unit reports in its next board
// information, so the operator sees whether the one-time write took.
class G_CFG_SerialNumber : public QWidget
{
    Q_OBJECT
public:
    explicit G_CFG_SerialNumber(int linkid, QWidget *parent = nullptr);

    int linkId() const { return m_linkId; }
    // The confirmation box's style sheet (five rules).
    static QString confirmationStyleSheet();
    // What the window shows of the last write: the unit's answer, then the serial number it reports.
    QString answerText() const;

protected:
    // Runs the confirmation box modally and returns the button pressed (tests answer it themselves).
    virtual int runConfirmation(QMessageBox &box);

private slots:
    void handle_DMMM_event(int ev, int linkid = 0, QVariant var = QVariant());
    void handle_WriteSerialNum();
    void onCommandAcknowledged(int command, int result, const QString &text);

private:
    void initUi();
    void initSlots();
    void showBoardSerialNumber();

    QLabel *m_title = nullptr;
    QGridLayout *m_grid = nullptr;
    QSpinBox *m_dateBox = nullptr;
    QSpinBox *m_sequenceBox = nullptr;
    QPushButton *m_writeButton = nullptr;
    QLabel *m_answer = nullptr; // the unit's acknowledgement and the serial number it reports
    int m_linkId = -1;
    quint32 m_written = 0;          // the serial number of the last write
    bool m_awaitingBoard = false;   // accepted; waiting for the unit's board information
};
