#pragma once

#include "core/formats/ParamDescriptions.h"

#include <QHash>
#include <QHeaderView>
#include <QMap>
#include <QSet>
#include <QStyledItemDelegate>
#include <QVariant>
#include <QWidget>

class MavlinkHandler;
class MavlinkUnitLabel;
class QGridLayout;
class QLabel;
class QComboBox;
class QLineEdit;
class QProgressBar;
class QTableWidget;
class QTimer;
class QTableWidgetItem;
class TComboBox;
class TLabel;
class TPushButton;
class TSerialCombox;

// The row-number header of the parameter table. Its size hint is measured on the sections' texts;
// a long table adds a row at a time, and measuring a hundred numbers again after every row is what
// made a long list slow. Numbers of the same length take the same room, so each length is measured once.
class RowNumberHeader : public QHeaderView
{
    Q_OBJECT
public:
    explicit RowNumberHeader(QWidget *parent);

protected:
    QSize sectionSizeFromContents(int logicalIndex) const override;
    void changeEvent(QEvent *event) override;

private:
    mutable QHash<int, QSize> m_sizeByDigits;
};

// A delegate that offers no editor: the cells of its columns cannot be edited.
class ReadOnlyDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *, const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        return nullptr;
    }
};

// The "Param" tab: reads the unit's whole parameter list over the shared MAVLink link (id 6), shows
// each parameter with range, unit and description from paracfg.xlsx, filters the table by a search
// text or a preset of ./cfg/param.ini, and writes one edited value back after a confirmation.
class ParamManagerWidget : public QWidget
{
    Q_OBJECT
public:
    static constexpr int RepaintIntervalMs = 40; // table repaints while a list streams in
    // Parameters of a list lost on the way are asked for by index once the stream has been quiet
    // for FillQuietMs, FillBatch at a time; after FillFruitless quiet periods without a new index the
    // transfer ends incomplete and the list button comes back.
    static constexpr int FillQuietMs = 500;
    static constexpr int FillBatch = 16;
    static constexpr int FillFruitless = 5;
    static constexpr int RefusalMs = 4000; // a refused or rounded value's message stays this long

    enum Column { ColName = 0, ColValue, ColType, ColRange, ColUnit, ColDescription, ColumnCount };

    explicit ParamManagerWidget(QWidget *parent = nullptr);
    ~ParamManagerWidget() override;

    void initUi();
    void initSlots();
    // Loads the description table from paracfg.xlsx beside the executable.
    void initParamInfo();
    // Loads the description table from path (initParamInfo uses the default path).
    void loadParamInfo(const QString &path);
    void updateSerialUi(bool conState);
    void handleTAppEvent(int event, int id, QVariant var);
    // One received PARAM_VALUE: appends a row and advances the progress.
    void recParamInfo(double value, ushort count, ushort index, const QString &name, uchar type);
    void addTableItem(const QString &text, int row, int column);
    // Shows the rows holding text in any column (case-insensitive); every row for an empty text.
    void findParam(const QString &text);
    void onShowDialogMsg(const QString &msg, int ms);
    // A Yes/No question; true unless No was chosen.
    virtual bool questionBox(const QString &title, const QString &text);

    // For tests and tools: the widgets and state of the page.
    QTableWidget *tableWidget() const { return table; }
    QProgressBar *progress() const { return progressBar; }
    QLineEdit *searchLine() const { return searchEdit; }
    TComboBox *presets() const { return presetBox; }
    QComboBox *linkKind() const { return linkKindBox; }
    TPushButton *connectBtn() const { return connectButton; }
    TPushButton *disconnectBtn() const { return disconnectButton; }
    TPushButton *getListBtn() const { return getListButton; }
    TPushButton *setParamBtn() const { return setParamButton; }
    int changedRow() const { return selectedRow; }
    const QMap<QString, ParamDescription> &paramDescriptions() const { return descriptions; }
    // The one-line note under the table, shown when paracfg.xlsx was refused.
    QLabel *descriptionNote() const { return descriptionNoteLabel; }

private:
    void conBtnSlot(bool connect);
    void getListSlot();
    void setParamSlot();
    void presetSlot(const QString &key);
    void itemChangedSlot(QTableWidgetItem *item);
    bool rowMatches(int row, const QString &text) const;
    void applyFilter(int row, const QString &text);

    QGridLayout *layout = nullptr;
    QComboBox *linkKindBox = nullptr;
    TLabel *portLabel = nullptr;
    TSerialCombox *portPicker = nullptr;
    TPushButton *connectButton = nullptr;
    TPushButton *disconnectButton = nullptr;
    QProgressBar *progressBar = nullptr;
    QLineEdit *searchEdit = nullptr;
    TPushButton *setParamButton = nullptr;
    TComboBox *presetBox = nullptr;
    TPushButton *getListButton = nullptr;
    QTableWidget *table = nullptr;
    QLabel *descriptionNoteLabel = nullptr;
    int selectedRow = -1;
    int controlHeight = 40;
    int controlWidth = 160;
    int linkId = 6;
    QMap<QString, ParamDescription> descriptions;
    MavlinkHandler *link = nullptr;
    MavlinkUnitLabel *unitLabel = nullptr; // system and component id of the unit

    int receivedCount = 0; // parameters received in the current list transfer
    QFont itemFont;
    // Rows changed since the filter was last applied to them: re-applying the filter after a received
    // row only has to look at these, every other row already shows the current filter's result.
    QSet<int> dirtyRows;
    bool m_repaintPending = false; // painting held back until the next repaint tick
    // The list transfer in progress: its distinct indexes and count, for the fill-in of lost values.
    void fillMissing();
    bool listActive = false;
    QSet<int> listIndexes;
    int listCount = 0;
    int fillFruitless = 0;
    bool listFilling = false; // values were asked for by index in this transfer
    QTimer *fillTimer = nullptr;
};
