#pragma once

#include <QElapsedTimer>
#include <QVariant>
#include <QWidget>

class FlyLink;
class Q_DMMM;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class TLabel;
class TPushButton;

// Transport tab: the inertial unit's UDP service page. It owns a FlyLink of its own (own system id 2,
// link id 2, own worker thread) opened on a UDP socket; it switches the unit's output protocol with
// the transport command frames (MAVLink or the unit's own KavoLink, each followed 200 ms later by a
// reboot), reads and writes single parameters by name, runs the simple compass calibration against a
// typed heading, and echoes everything the unit reports for its link into the log view.
//
// Threading: the page lives on the GUI thread; it only emits the link's request signals and calls its
// thread-safe send operations. Bus events arrive queued. The bus (Q_DMMM) is the program's singleton;
// the page creates one only when none exists yet.
class InsTransport : public QWidget
{
    Q_OBJECT
public:
    explicit InsTransport(QWidget *parent = nullptr);
    ~InsTransport() override;

    // How long the unit may stay silent on an open link before the page says it stopped answering.
    static constexpr int UnitSilentMs = 3000;

    FlyLink *flyLink() const { return link; }
    int mode() const { return protocolMode; }

private slots:
    void handle_DMMM_event(int ev, int linkid, QVariant var);
    void conBtnSlot();
    void disconBtnSlot();
    void mavlinkBtnSlot();
    void kavoLinkBtnSlot();
    void rebootBtnSlot();
    void queryBtnSlot();
    void setBtnSlot();
    void caliBtnSlot();
    void paramPickerSlot(const QString &key);

private:
    void initUi();
    void initSlots();
    void setConnectedLook(bool connected);
    void applyProtocolMode();
    void sendCommandFrame(quint8 payload);
    void switchProtocol(int mode, quint8 payload);
    void appendLog(const QString &line);
    void refuse(const QString &text);
    void watchUnit();

    QGridLayout *pageLayout = nullptr;
    QGroupBox *connectGroup = nullptr;
    QLineEdit *localIpEdit = nullptr;
    QLineEdit *localPortEdit = nullptr;
    QLineEdit *remoteIpEdit = nullptr;
    QLineEdit *remotePortEdit = nullptr;
    TLabel *localIpLabel = nullptr;
    TLabel *localPortLabel = nullptr;
    TLabel *remoteIpLabel = nullptr;
    TLabel *remotePortLabel = nullptr;
    TPushButton *connectButton = nullptr;
    TPushButton *disconnectButton = nullptr;
    QGroupBox *protocolGroup = nullptr;
    TPushButton *mavlinkButton = nullptr;
    TPushButton *kavoLinkButton = nullptr;
    TPushButton *rebootButton = nullptr;
    QGroupBox *paramGroup = nullptr;
    QComboBox *paramPicker = nullptr;
    TLabel *nameLabel = nullptr;
    QLineEdit *nameEdit = nullptr;
    TLabel *currLabel = nullptr;
    QLineEdit *currEdit = nullptr;
    TPushButton *queryButton = nullptr;
    TLabel *valueLabel = nullptr;
    QLineEdit *valueEdit = nullptr;
    TPushButton *setButton = nullptr;
    QGroupBox *magCaliGroup = nullptr;
    TLabel *currentMagLabel = nullptr;
    QLineEdit *currentMagEdit = nullptr;
    TLabel *realMagLabel = nullptr;
    QLineEdit *realMagEdit = nullptr;
    TPushButton *caliButton = nullptr;
    QPlainTextEdit *logView = nullptr;
    FlyLink *link = nullptr;
    int rowHeight = 40;
    int buttonWidth = 160;
    int protocolMode = 0;

    // Whether the unit is answering on the open link: bytes seen within UnitSilentMs.
    QLabel *unitStateLabel = nullptr;
    bool m_deviceOpen = false;
    bool m_unitAnswering = false;
    quint32 m_lastRxBytes = 0;
    QElapsedTimer m_sinceRx;
    Q_DMMM *m_ownBus = nullptr; // only when the page had to create the bus
};
