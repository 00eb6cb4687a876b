// The firmware tab's ./cfg/uploader.ini on any bytes: every reader gives a value (serialized values,
// which QSettings would decode with its binary stream reader, are taken out first, and taking them out
// twice changes nothing), and writing the default keyword groups into a damaged file leaves a file the
// readers still take.
#include "core/util/IniText.h"
#include "link/UploaderConfig.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The readers use ./cfg under the working directory: a scratch directory of this process, entered
    // for the run of one input only (the fuzzer keeps its corpus by paths relative to its own).
    static QTemporaryDir dir;
    static const bool made = dir.isValid() && QDir().mkpath(dir.filePath("cfg"));
    const QString home = QDir::currentPath();
    if (!made || !QDir::setCurrent(dir.path()))
        std::abort();
    struct Back
    {
        QString path;
        ~Back() { QDir::setCurrent(path); }
    } back{home};
    {
        QFile ini(UploaderConfig::path());
        if (!ini.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        ini.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    const QByteArray clean =
        IniText::withoutSerializedValues(QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)));
    if (IniText::withoutSerializedValues(clean) != clean)
        std::abort();
    (void)UploaderConfig::connectType();
    (void)UploaderConfig::lastFilePath();
    (void)UploaderConfig::keywords(false);
    // With the defaults written, the include keywords are never empty.
    const UploaderConfig::Keywords k = UploaderConfig::keywords(true);
    if (k.include.isEmpty())
        std::abort();
    (void)UploaderConfig::keywords(false);
    return 0;
}
