#pragma once

#include <QObject>
#include <QString>

#include <functional>

// Turns reports from any thread into debug lines, forwarded UI messages or pop-ups on its own
// (the GUI) thread.
class TMsgManager : public QObject
{
    Q_OBJECT
public:
    enum MsgType { UnitMsg = 1, GcsMsg = 2, PopupMsg = 4 };
    Q_ENUM(MsgType)
    enum MsgLevel { LevelDebug = 0, LevelInfo = 1, LevelWarn = 2, LevelError = 3, LevelFatal = 4 };
    Q_ENUM(MsgLevel)

    // Icon of a pop-up; the widget layer maps it onto its message box icons.
    enum class PopupIcon { Information, Warning, Critical };

    // Shows one pop-up and returns when it has closed; installed by the widget layer. Without a
    // presenter a pop-up becomes a debug line, so the library runs without a display.
    using PopupPresenter =
        std::function<void(PopupIcon icon, const QString &title, const QString &text, int closeAfterMs)>;

    static constexpr int PopupCloseMs = 2000;

    explicit TMsgManager(QObject *parent = nullptr);
    ~TMsgManager() override;

    static TMsgManager *instance();
    static void setPopupPresenter(PopupPresenter presenter);

    // Title text and icon of a pop-up of the given level ("INFO" and Information for unknown levels).
    static QString levelTitle(int level);
    static PopupIcon levelIcon(int level);

signals:
    void showMsg(int id, TMsgManager::MsgType type, TMsgManager::MsgLevel level, QString msg);
    void uiShowMsgSignal(int id, TMsgManager::MsgLevel level, QString msg);

private slots:
    void handleShowMsg(int id, TMsgManager::MsgType type, TMsgManager::MsgLevel level, QString msg);
};

Q_DECLARE_METATYPE(TMsgManager::MsgType)
Q_DECLARE_METATYPE(TMsgManager::MsgLevel)
