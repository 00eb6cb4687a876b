#pragma once

#include <QString>
#include <QWidget>

class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;

// The accelerometer calibration window of one factory link: the six-placement calibration, driven by
// the unit's state reports (event 24 of this link: 1..6 the placement it asks for, 7 success,
// 8 failure), and the one-step basic calibration. After "ContinueCali" the start button waits (disabled)
// until the unit reports its next placement, so a second press cannot restart the calibration. Every command and every
// state it shows belongs to its own link id; a link id without an open link makes the buttons do nothing.
class G_CFG_AccCali : public QWidget
{
    Q_OBJECT
public:
    explicit G_CFG_AccCali(int linkid, QWidget *parent = nullptr);

    int linkId() const { return m_linkId; }
    // The text of an accelerometer calibration state ("Unknown state" outside 0..8).
    static QString caliStateText(quint8 state);

    // Read-outs for tests.
    QString statusText() const;
    QString startButtonText() const;
    quint8 lastFaceState() const { return m_lastFaceState; }
    // The next-face command went out and the unit has not reported the next placement yet.
    bool waitingForUnit() const { return m_waiting; }
    QPushButton *startButton() const { return m_startButton; }
    QPushButton *stopButton() const { return m_stopButton; }
    QPushButton *basicButton() const { return m_basicButton; }

public slots:
    void handle_DMMM_event(int ev, int linkid = 0);
    void start_or_continue_acc_cali();
    void cancel_acc_cali();

private:
    void initUi();
    void initSlots();
    void refreshCaliState();
    void showCaliState(quint8 state, bool force);
    void startBasicCali();
    void setWaiting(bool waiting);

    QLabel *m_titleLabel = nullptr;
    QGridLayout *m_mainGrid = nullptr;
    QLabel *m_statusLabel = nullptr;
    QLabel *m_instruction3D = nullptr;
    QLabel *m_instructionBasic = nullptr;
    QGroupBox *m_group3D = nullptr;
    QGridLayout *m_grid3D = nullptr;
    QGroupBox *m_groupBasic = nullptr;
    QGridLayout *m_gridBasic = nullptr;
    QPushButton *m_startButton = nullptr;
    QPushButton *m_basicButton = nullptr;
    QPushButton *m_stopButton = nullptr;
    quint8 m_lastFaceState = 0;
    bool m_waiting = false;
    int m_linkId = -1;
};
