// KVF container reader, alone and through the upgrade engine's file loading: any bytes give a verdict,
// and only a container whose length and digest agree, and whose image has a byte, becomes the image
// (an empty image would erase the unit and leave it empty).
#include "core/bootloader/UpgradeEngine.h"
#include "core/kvf/KvfContainer.h"

#include <cstdint>
#include <cstdlib>

namespace {
class SilentHost : public UpgradeEngine::Host
{
public:
    void report(const QString &, int) override {}
    void setStatusText(const QString &) override {}
    void setProgress(int) override {}
    void stateEntered(quint8) override {}
    QStringList portTexts() override { return {}; }
    QString portBoxText() override { return {}; }
    void setPortBoxText(const QString &) override {}
    void setPortName(const QString &) override {}
    bool openPort() override { return false; }
    void closePort() override {}
    void write(const QByteArray &) override {}
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray file(reinterpret_cast<const char *>(data), int(size));
    const Kvf::Contents k = Kvf::read(file);
    if (k.isValid() && (k.image.size() != int(k.imageSize) || file.size() != Kvf::HeaderSize + k.image.size()))
        std::abort();
    SilentHost host;
    UpgradeEngine engine(host);
    const bool loaded = engine.loadFirmware(QStringLiteral("fuzz.kvf"), true, file);
    if (loaded != (k.isValid() && !k.image.isEmpty()) || (loaded && engine.image() != k.image))
        std::abort();
    return 0;
}
