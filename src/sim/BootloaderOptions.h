#pragma once

#include <QString>

#include <QtGlobal>

// Settings of zorvan-sim bootloader, shared by its two personalities.
struct BootloaderOptions
{
    // The stock personality: the behaviour of the bootloaders found on stock PX4/ArduPilot boards
    // (StockBootloaderUnit); otherwise the plain protocol unit of BootloaderSim.cpp.
    bool stock = false;
    quint32 boardId = 10013;
    quint32 boardRevision = 0;
    quint32 blRevision = 5;
    quint32 flashSize = 2 * 1024 * 1024;
    int nakEvery = 0;
    int dropEvery = 0;
    int eraseMs = 0;
    bool badCrc = false;
    int replyDelayMs = 0;
    QString dumpPath;
    // The plain protocol unit refuses (invalid) a program chunk longer than this.
    int maxChunk = 128;
    // Fault: the boot command is refused (invalid), the unit stays in its bootloader.
    bool refuseBoot = false;
    // The stock personality's 96-bit unique id, as the three words of GET_SN in "%08X%08X%08X" form.
    QString uid = QStringLiteral("0025003A3138510935383836");
    // The line: replies go out in packets of at most 64 bytes, packetGapUs apart at least.
    int packetGapUs = 0;
    // Faults: the input byte at this stream offset arrives twice; the acknowledgement of this program
    // chunk (1-based, counted over the simulator's life) is lost once, after the chunk was written; the
    // unit vanishes (port closed, process ends) when the input reaches this stream offset. -1 / 0: off.
    qint64 dupByteAt = -1;
    int dropAckChunk = 0;
    qint64 unplugAt = -1;
};
