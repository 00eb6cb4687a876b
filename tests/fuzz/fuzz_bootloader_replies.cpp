// The upgrade engine's reply handlers: any blocks, in any state of a run, leave it in a known state with
// the write offset inside the image. Byte 0 picks the state, each block is preceded by its length byte.
#include "core/bootloader/UpgradeEngine.h"

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
    QString portBoxText() override { return QStringLiteral("/dev/fuzz"); }
    void setPortBoxText(const QString &) override {}
    void setPortName(const QString &) override {}
    bool openPort() override { return true; }
    void closePort() override {}
    void write(const QByteArray &) override {}
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    SilentHost host;
    UpgradeEngine engine(host);
    engine.setScanMode(1);
    QByteArray image(300, '\x5A');
    engine.setImage(image, data[0] & 0x80, 10013);
    quint32 now = 5000;
    engine.tick(now);
    engine.startButton();
    engine.setUpgradeState(quint8(2 + (data[0] & 0x07) % 6));
    size_t i = 1;
    while (i < size) {
        const size_t n = std::min<size_t>(data[i], size - i - 1);
        const QByteArray block(reinterpret_cast<const char *>(data + i + 1), int(n));
        i += n + 1;
        now += 7;
        engine.tick(now);
        engine.feed(block, now);
        if (engine.state() > UpgradeEngine::StateBoot || engine.writeOffset() < 0 ||
            engine.writeOffset() > image.size())
            std::abort();
    }
    return 0;
}
