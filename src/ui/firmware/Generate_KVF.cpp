#include "ui/firmware/Generate_KVF.h"

#include "core/kvf/Kavo_BoardID.h"
#include "core/kvf/KvfContainer.h"
#include "core/util/IniSettings.h"
#include "ui/widgets/TimedPopup.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTranslator>

namespace {
const char *const SettingsPath = "./cfg/generate.ini";

QSettings &settings()
{
    static QSettings *s = [] {
        auto *created = new IniSettings(QString::fromLatin1(SettingsPath));
        created->setIniCodec("UTF-8");
        return created;
    }();
    return *s;
}
} // namespace

Generate_KVF::Generate_KVF(QWidget *parent) : QWidget(parent)
{
    QTranslator translator;
    const bool translate =
        QLocale().name() == QLatin1String("zh_CN") && translator.load(QStringLiteral(":/uploader_zh_CN.qm"));
    if (translate)
        QCoreApplication::installTranslator(&translator);

    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("FirmwareGenerator"));
    setMinimumSize(600, 200);
    setFont(QFont(QString::fromUtf8("微软雅黑"), 10));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0x22, 0x22, 0x22));
    setPalette(pal);
    setAutoFillBackground(true);

    auto *grid = new QGridLayout(this);
    infoLabel = new QLabel(tr("Please select *.bin file"), this);
    infoLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    infoLabel->setStyleSheet(QStringLiteral("color: white;"));
    infoLabel->setFixedHeight(40);
    loadButton = new QPushButton(tr("LoadFirmware"), this);
    loadButton->setFixedSize(160, 40);
    boardTypeBox = new QComboBox(this);
    boardTypeBox->setFixedHeight(40);
    boardTypeBox->setEditable(false);
    boardIdBox = new QSpinBox(this);
    boardIdBox->setFixedHeight(40);
    boardIdBox->setRange(1, 65535);
    generateButton = new QPushButton(tr("GenerateFirmware"), this);
    generateButton->setFixedSize(160, 40);
    grid->addWidget(infoLabel, 0, 0, 1, 7);
    grid->addWidget(loadButton, 0, 7);
    grid->addWidget(boardTypeBox, 1, 0, 1, 4);
    grid->addWidget(boardIdBox, 1, 4, 1, 3);
    grid->addWidget(generateButton, 1, 7);

    for (uint id : {10015u, 10013u, 10010u, 10034u, 10006u, 10005u, 10033u})
        boardTypeBox->addItem(Kavo_BoardID::boardName(id), int(id));
    boardTypeBox->addItem(QStringLiteral("custom"), -1);
    boardIdBox->setEnabled(false);
    boardIdBox->setValue(10015);

    connect(boardTypeBox, &QComboBox::currentTextChanged, this, &Generate_KVF::handlecomboxBoardType);
    connect(generateButton, &QPushButton::released, this, &Generate_KVF::handleBntGenerate);
    connect(loadButton, &QPushButton::released, this, &Generate_KVF::handleBntLoadBin);

    QSettings &s = settings();
    if (s.contains(QStringLiteral("boardTypeIndex"))) {
        const QString stored = s.value(QStringLiteral("boardTypeIndex")).toString();
        const int index = boardTypeBox->findText(stored, Qt::MatchFixedString); // whole text, any case
        if (index >= 0) {
            QSignalBlocker block(boardTypeBox);
            boardTypeBox->setCurrentIndex(index);
            bool ok = false;
            const int id = boardTypeBox->itemData(index).toInt(&ok);
            if (ok && id > 0) {
                boardIdBox->setValue(id);
                boardIdBox->setEnabled(false);
            }
        }
        if (stored.contains(QLatin1String("custom"), Qt::CaseInsensitive)) {
            boardIdBox->setEnabled(true);
            bool ok = false;
            const int id = s.value(QStringLiteral("boardID")).toInt(&ok);
            if (ok)
                boardIdBox->setValue(id);
        }
    }
    if (translate)
        QCoreApplication::removeTranslator(&translator);
}

void Generate_KVF::showTimedPopup(const QString &text, int ms)
{
    TimedPopup::exec(QMessageBox::Information, QStringLiteral("Warning"), text, ms);
}

void Generate_KVF::handlecomboxBoardType()
{
    bool ok = false;
    const int id = boardTypeBox->currentData().toInt(&ok);
    QSettings &s = settings();
    if (!ok || id == -1) {
        boardIdBox->setEnabled(true);
        bool stored = false;
        const int saved = s.value(QStringLiteral("boardID")).toInt(&stored);
        if (stored)
            boardIdBox->setValue(saved);
    } else {
        boardIdBox->setValue(id);
        boardIdBox->setEnabled(false);
    }
    s.setValue(QStringLiteral("boardTypeIndex"), boardTypeBox->currentText());
}

void Generate_KVF::handleBntLoadBin()
{
    QString dir = settings().value(QStringLiteral("LastBinPath")).toString();
    if (dir.isEmpty())
        dir = QDir::currentPath();
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Load primitive firmware"), dir,
                                                      QStringLiteral("Firmware(*.bin)"));
    if (path.isEmpty()) {
        showTimedPopup(QStringLiteral("Open file failed!"), 1000);
        return;
    }
    loadBinFile(path);
}

void Generate_KVF::loadBinFile(const QString &path)
{
    infoLabel->setText(path);
    settings().setValue(QStringLiteral("LastBinPath"), path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        showTimedPopup(QStringLiteral("Firmware.open_Wrong!"), 500);
        return;
    }
    rawImage = file.readAll();
    rawImageSize = qint32(rawImage.size());
    rawImageLoaded = true;
    infoLabel->setText(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1) + QStringLiteral(" Size of firmware:") +
                       QString::number(rawImageSize) + QStringLiteral(" Bytes"));
}

void Generate_KVF::handleBntGenerate()
{
    QSettings &s = settings();
    const QString boardName = boardTypeBox->currentText();
    s.setValue(QStringLiteral("boardTypeIndex"), boardName);
    s.setValue(QStringLiteral("boardID"), boardIdBox->value());
    if (!rawImageLoaded) {
        showTimedPopup(QStringLiteral("Please load bin firmware first"), 500);
        return;
    }
    const QByteArray name = boardName.toUtf8();
    if (!Kvf::build(name, quint16(boardIdBox->value()), rawImage, container)) {
        showTimedPopup(QStringLiteral("Generate failed, length of name is abnormal"), 500);
        return;
    }
    qDebug() << "BoardName:" << boardName;
    qDebug() << "BoardID  :" << boardIdBox->value();
    qDebug() << "bin size :" << rawImageSize;
    qDebug() << "MD5      :" << QCryptographicHash::hash(rawImage, QCryptographicHash::Md5).toHex();

    QDir().mkpath(QStringLiteral("./KVF"));
    lastOutputPath =
        QDir(QStringLiteral("./KVF"))
            .absoluteFilePath(boardName + QLatin1Char('-') + QString::number(boardIdBox->value()) + QLatin1Char('-') +
                              QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss")) +
                              QStringLiteral(".kvf"));
    QFile out(lastOutputPath);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qDebug() << "generate: cannot create" << lastOutputPath << out.errorString();
        return;
    }
    out.write(container);
    out.close();
    qDebug() << lastOutputPath;
    infoLabel->setText(QStringLiteral("Generate KVF:") + lastOutputPath);
}
