#pragma once

#include <QVariant>
#include <QWidget>

class LogModel;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

// The factory window of the unit's logs on one factory link: the list, downloads of the ticked logs
// with per-log progress, cancel, and erasing all logs after a question. The transfers are the link's;
// the window asks for them and follows the list entries and data blocks announced on the bus.
class G_CFG_LogManager : public QWidget
{
    Q_OBJECT
public:
    explicit G_CFG_LogManager(int linkid, QWidget *parent = nullptr);

    int linkId() const { return m_linkId; }
    LogModel *model() const { return m_model; }
    // The directory the link writes its logs to, as the path field shows it.
    static QString logDirectory();

protected:
    // A Yes/No question; true unless No was chosen (tests answer it themselves).
    virtual bool questionBox(const QString &title, const QString &text);

private slots:
    void handle_DMMM_event(int ev, int linkid = 0, QVariant var = QVariant());
    void btnGetLogListClicked();
    void btnDownloadClicked();
    void btnCancelSlot();
    void btnClearLogSlot();
    void onLogFileCompleted(int id, const QString &path);
    void onLogFileFailed(int id, const QString &path, const QString &reason);

private:
    void initUi();
    void initSlots();
    void requestLogData();

    QGridLayout *m_grid = nullptr;
    QPushButton *m_listButton = nullptr;
    QPushButton *m_downloadButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QPushButton *m_clearButton = nullptr;
    QLabel *m_pathLabel = nullptr;
    QLineEdit *m_pathEdit = nullptr;
    QTableView *m_view = nullptr;
    LogModel *m_model = nullptr;
    int m_linkId = -1;
};
