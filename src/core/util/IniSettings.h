#pragma once

#include <QSettings>

// QSettings (IniFormat) over one of the program's ini files, opened only after the serialized values
// were taken out of the file (IniText::sanitizeFile): reading it never runs Qt's binary stream reader
// on the file's bytes. The codec stays QSettings' own; callers set it as before.
class IniSettings : public QSettings
{
public:
    explicit IniSettings(const QString &path);
};
