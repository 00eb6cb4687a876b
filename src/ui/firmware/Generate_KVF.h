#pragma once

#include <QByteArray>
#include <QString>
#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

// The firmware generator: packs a raw ".bin" image with a board name and board id into a ".kvf"
// container under ./KVF. Settings in ./cfg/generate.ini (boardTypeIndex, boardID, LastBinPath).
class Generate_KVF : public QWidget
{
    Q_OBJECT
public:
    explicit Generate_KVF(QWidget *parent = nullptr);

    // Loads a chosen ".bin" as the file dialog's choice would.
    void loadBinFile(const QString &path);
    QString lastOutput() const { return lastOutputPath; }

public slots:
    void handlecomboxBoardType();
    void handleBntGenerate();
    void handleBntLoadBin();

private:
    static void showTimedPopup(const QString &text, int ms);

    QComboBox *boardTypeBox = nullptr;
    QSpinBox *boardIdBox = nullptr;
    QPushButton *loadButton = nullptr;
    QPushButton *generateButton = nullptr;
    QLabel *infoLabel = nullptr;
    QByteArray rawImage;
    qint32 rawImageSize = 0;
    bool rawImageLoaded = false;
    QByteArray container;
    QString lastOutputPath;
};
