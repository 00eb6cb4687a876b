#pragma once

#include "core/formats/ParamFile.h"

#include <QVariant>
#include <QWidget>

class FlyLink;
class ParamCompareDialog;
class ParamTableModel;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;

// The factory window of the unit's parameters on one factory link: the whole-set download with
// progress and cancel, and a quick editor by friendly label (./cfg/param.ini). In debug mode
// ("ORVE/Mode" = "DebugMode" in ./cfg/Setting.ini) also the full table with in-place editing, upload
// of every changed value, search, and ".param" files in ./ParamLog (save with a hwInfo.csv line; load
// after a view of the values that differ from the unit's). Reading and writing go through the link's
// common-parameter operations; units, ranges and descriptions come from the bus's parameter
// configuration, to which the window adds the rows of paracfg.xlsx. A parameter the link has not read
// yet is read by name before the quick editor writes it; values the link read before the window
// existed are shown when it opens.
class G_CFG_CommonParam : public QWidget
{
    Q_OBJECT
public:
    explicit G_CFG_CommonParam(int linkid, QWidget *parent = nullptr);

    int linkId() const { return m_linkId; }
    ParamTableModel *model() const { return m_model; }
    bool debugMode() const { return m_debugMode; }
    // The directory of the parameter files, below the working directory.
    static QString paramLogDirectory();
    // Adds the rows of the parameter description workbook at path (every even row, 0..1998) to the
    // bus's parameter configuration; the constructor reads paracfg.xlsx beside the executable.
    static void loadParamWorkbook(const QString &path);

protected:
    void showEvent(QShowEvent *event) override;
    // Asks for the file to load (tests answer it themselves); empty when none was chosen.
    virtual QString chooseParamFile(const QString &startPlace);
    // Shows the compare view; true to load the file.
    virtual bool runCompare(ParamCompareDialog &dialog);

private slots:
    void handle_DMMM_event(int ev, int linkid = 0, QVariant var = QVariant());
    void slotStartRequestAllParam();
    void slotUpdateEditedPara();
    void slotSaveParaToFile();
    void slotLoadFileToMap();
    void slotSetValue();
    void slotSerachParam();
    void onPickerChanged(const QString &text);
    void onValueRefused(const QString &name, const QString &text);

private:
    void initUi();
    void initSlots();
    void onParamValue(const QVariant &var);
    void rebuildFromLink();
    void updateDownloadState();
    void message(const QString &text, int ms);
    void addValuesOfLink();
    void writeQuickValue(const QString &name, float value);
    void checkPendingSet(FlyLink *link);
    QMap<QString, float> unitValues() const;

    QLabel *m_title = nullptr;
    QGridLayout *m_grid = nullptr;
    QGroupBox *m_downloadGroup = nullptr;
    QGridLayout *m_downloadGrid = nullptr;
    QPushButton *m_uploadButton = nullptr;
    QPushButton *m_downloadButton = nullptr;
    QProgressBar *m_progress = nullptr;
    QGroupBox *m_fileGroup = nullptr;
    QGridLayout *m_fileGrid = nullptr;
    QPushButton *m_loadButton = nullptr;
    QPushButton *m_saveButton = nullptr;
    QGroupBox *m_searchGroup = nullptr;
    QGridLayout *m_searchGrid = nullptr;
    QLineEdit *m_searchEdit = nullptr;
    QGroupBox *m_quickGroup = nullptr;
    QComboBox *m_picker = nullptr;
    QLineEdit *m_nameEdit = nullptr;
    QLineEdit *m_currentValueEdit = nullptr;
    QLineEdit *m_newValueEdit = nullptr;
    QPushButton *m_setButton = nullptr;
    ParamTableModel *m_model = nullptr;
    QTableView *m_view = nullptr;
    int m_linkId = -1;
    bool m_fetching = false;
    bool m_debugMode = false;
    QMap<QString, QString> m_pickerParams; // label -> parameter name
    // A quick write of a parameter the link had not read yet: sent once the unit answered its read.
    struct PendingSet
    {
        QString name;
        float value = 0;
        int ticksAfterLastRead = 0;
        bool active = false;
    };
    PendingSet m_pendingSet;
};
