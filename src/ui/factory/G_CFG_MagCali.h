#pragma once

#include <QString>
#include <QWidget>

class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;

// The compass calibration window of one factory link: the standard calibration with a percentage dial
// and a status line per compass (up to three; as many shown as the unit reports), the in-flight
// calibration (start and cancel) and the simple calibration against a typed true heading. Commands go
// to the window's own link; what it shows comes from that link's record on events 25 and 26, and on
// every opening of the window (a window made after those events still shows the unit's compasses).
class G_CFG_MagCali : public QWidget
{
    Q_OBJECT
public:
    static constexpr int Compasses = 3;

    explicit G_CFG_MagCali(int linkid, QWidget *parent = nullptr);

    int linkId() const { return m_linkId; }
    // The text of a compass calibration status ("NotStarted" above 7).
    static QString magStatusText(quint8 status);

    // Read-outs for tests.
    int dialPercent(int i) const;
    bool compassShown(int i) const;
    QString compassStatusText(int i) const;
    QSpinBox *headingBox() const { return m_headingBox; }
    QPushButton *startButton() const { return m_startButton; }
    QPushButton *stopButton() const { return m_stopButton; }
    QPushButton *inflightStartButton() const { return m_inflightStartButton; }
    QPushButton *inflightCancelButton() const { return m_inflightCancelButton; }
    QPushButton *simpleStartButton() const { return m_simpleStartButton; }

public slots:
    void handle_DMMM_event(int ev, int linkid = 0);

protected:
    // Shows what the link's record already holds (compass count, progress) when the window opens.
    void showEvent(QShowEvent *event) override;

private:
    void initUi();
    void initSlots();
    void showProgress();
    void resetCompasses();
    void showLinkLost();
    void showCompass(int i, bool shown);

    QLabel *m_titleLabel = nullptr;
    QGridLayout *m_mainGrid = nullptr;
    QLabel *m_standardText = nullptr;
    QLabel *m_statusLabels[Compasses] = {};
    QLabel *m_inflightText = nullptr;
    QLabel *m_simpleText = nullptr;
    QWidget *m_dials[Compasses] = {};
    QPushButton *m_startButton = nullptr;
    QPushButton *m_stopButton = nullptr;
    QPushButton *m_inflightStartButton = nullptr;
    QPushButton *m_inflightCancelButton = nullptr;
    QPushButton *m_simpleStartButton = nullptr;
    QGroupBox *m_standardGroup = nullptr;
    QGroupBox *m_inflightGroup = nullptr;
    QGroupBox *m_simpleGroup = nullptr;
    QGridLayout *m_standardGrid = nullptr;
    QGridLayout *m_inflightGrid = nullptr;
    QGridLayout *m_simpleGrid = nullptr;
    QGridLayout *m_compassGrid = nullptr;
    QSpinBox *m_headingBox = nullptr;
    quint8 m_compassCount = 0;
    int m_linkId = -1;
};
