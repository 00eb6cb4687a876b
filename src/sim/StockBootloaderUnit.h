#pragma once

#include "sim/BootloaderOptions.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

class BootloaderLine;

// zorvan-sim bootloader --stock: behaves as the serial bootloaders of stock PX4/ArduPilot boards do.
// - Commands are parsed byte by byte. A refused command answers 12 13 (invalid) and resets the protocol
//   state; the bytes after what was consumed are parsed as commands again (so the data of a refused
//   program frame is read as commands: a 0x31 byte answers 12 10, a 21 20 is a sync, ...). Other
//   bytes that are no command are skipped silently. A command left incomplete for ArgTimeoutMs is refused.
// - Program chunks must be a multiple of 4 bytes long and end within the flash (FWSize); otherwise they
//   are refused right after the length byte. The first word of the flash is held back until boot.
// - Erase needs a sync and a device request since the last refusal; boot needs a sync, a device request
//   and a CRC request since then (programming is not needed: a unit that holds the image boots at once).
// - From protocol revision 4 on it answers GET_SN (the --uid words), GET_CHIP and GET_CHIP_DES; a GET_SN
//   offset that is no word of the 96-bit id is refused.
// - GET_CRC covers the whole flash (FWSize bytes), with the held-back first word in its place.
// - Every reply's data and its in-sync/status pair are written separately.
class StockBootloaderUnit : public QObject
{
public:
    static constexpr int ArgTimeoutMs = 500;

    StockBootloaderUnit(BootloaderLine &line, const BootloaderOptions &options, QObject *parent = nullptr);

private:
    enum StateBit { GotSync = 1, GotDevice = 2, Programmed = 4, GotCrc = 8 };

    void process();
    // Handles the command at the front of the input. Returns false when it is still incomplete.
    bool handleOne();
    void refuse(int consumed);
    void replyStatus(quint8 status);
    void replyData(const QByteArray &data);
    bool deviceInfo(quint8 param);
    // The GET_SN word at a byte offset (0, 4, 8); false for any other offset.
    bool serialWord(quint32 offset);
    void erase();
    void program(const QByteArray &data);
    quint32 flashCrc() const;
    void boot();

    BootloaderLine &m_line;
    const BootloaderOptions m_options;
    QByteArray m_input;
    QTimer m_argTimer;
    int m_state = 0;
    bool m_erasing = false;
    bool m_booted = false;
    QByteArray m_flash;
    quint32 m_address = 0;
    QByteArray m_firstWord; // held back until boot (0xFF after an erase)
    int m_chunksWritten = 0;
    int m_programCommands = 0;
    bool m_ackDropped = false;
};
