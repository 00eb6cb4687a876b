#pragma once

#include <QSet>
#include <QString>
#include <QWidget>

class G_CFG_AccCali;
class QCheckBox;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QVariant;
class UComboBox;
class UDoubleSpinBox;
class uChartView;

// The IMU temperature calibration window of one factory link: the temperature-calibration parameters
// of up to three IMUs and three related settings (shown from the link's parameter table, written back
// only where the user changed them), a one-press configuration of a calibration run, the current IMU
// temperatures as text and as a live chart against the time of day (ten times a second while shown),
// and the accelerometer calibration panel for the same link, embedded as a child panel. "Set" is
// enabled once the window holds values read from the unit.
class G_CFG_IMUTemp_Cali : public QWidget
{
    Q_OBJECT
public:
    static constexpr int Imus = 3;

    explicit G_CFG_IMUTemp_Cali(int linkid, QWidget *parent = nullptr);

    int linkId() const { return m_linkId; }
    // The parameter names in the order the page reads and writes them.
    static QStringList parameterNames();

    // Read-outs for tests.
    uChartView *chart() const { return m_chart; }
    G_CFG_AccCali *accPanel() const { return m_accPanel; }
    QLabel *temperatureLabel(int i) const { return m_currTemp[i]; }
    QWidget *control(const QString &name) const;
    QPushButton *queryButton() const { return m_queryButton; }
    QPushButton *setButton() const { return m_setButton; }
    QPushButton *oneTimeButton() const { return m_oneTimeButton; }
    QCheckBox *seriesBox(int i) const { return m_seriesBoxes[i]; }

public slots:
    void handle_DMMM_event(int ev, int linkid = 0);
    void update_Parameters(bool getfromflight = false);
    void upload_param();
    void handle_PB_ReadyIMUCali();
    void update_val();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void initUi();
    void initSlots();
    UDoubleSpinBox *newSpinBox(double min, double max, int decimals);
    UComboBox *newComboBox(const QStringList &entries);
    void showValue(const QString &name, float value);
    void showArrivedValue(const QVariant &var);

    QLabel *m_titleLabel = nullptr;
    QGridLayout *m_mainGrid = nullptr;
    UDoubleSpinBox *m_accCaliTemp[Imus] = {};
    UDoubleSpinBox *m_gyroCaliTemp[Imus] = {};
    UDoubleSpinBox *m_maxTemp[Imus] = {};
    UDoubleSpinBox *m_minTemp[Imus] = {};
    QLabel *m_currTemp[Imus] = {};
    UComboBox *m_caliStatus[Imus] = {};
    UDoubleSpinBox *m_heaterTarget = nullptr;
    UComboBox *m_disarmedLog = nullptr;
    UComboBox *m_bootSave = nullptr;
    QLabel *m_rowLabels[Imus][6] = {};
    QGroupBox *m_imuGroups[Imus] = {};
    QGridLayout *m_imuGrids[Imus] = {};
    G_CFG_AccCali *m_accPanel = nullptr;
    uChartView *m_chart = nullptr;
    QHBoxLayout *m_buttonRow = nullptr;
    QPushButton *m_queryButton = nullptr;
    QPushButton *m_setButton = nullptr;
    QPushButton *m_oneTimeButton = nullptr;
    QCheckBox *m_seriesBoxes[Imus] = {};
    int m_linkId = -1;
    // Names asked of the unit whose values have not arrived yet: shown as they come in.
    QSet<QString> m_awaiting;
};
