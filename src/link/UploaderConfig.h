#pragma once

#include <QString>
#include <QStringList>

// ./cfg/uploader.ini of the firmware upgrade: scan mode, the automatic scan's keywords, the last file.
//   ConnectType        0 automatic scan (also when missing or not a number), 1 manual selection
//   [UploadPort] any   include keywords; "USB", "ArduPilot", "PX4" written and used when the group is empty
//   [PortName]   any   exclude keywords; "Virutal", "bluetooth", "蓝牙" written when the group is empty,
//                      but only read on the next start (the list stays empty until then)
//   LastFilePath       directory of the file dialog
class UploaderConfig
{
public:
    static QString path();

    struct Keywords
    {
        QStringList include;
        QStringList exclude;
    };

    // The stored scan mode (0 when missing or not an integer).
    static int connectType();
    static void setConnectType(int mode);
    // Reads both keyword groups; writeDefaults fills empty groups in the file.
    static Keywords keywords(bool writeDefaults = true);
    static QString lastFilePath();
    static void setLastFilePath(const QString &path);
};
