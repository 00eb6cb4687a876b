#pragma once

#include <QByteArray>

#include <QtGlobal>

// Bytes of the serial bootloader protocol: one command byte, its arguments, the end-of-command byte;
// replies end with the in-sync byte and a status byte.
namespace BootloaderProtocol {
constexpr quint8 EndOfCommand = 0x20;
constexpr quint8 InSync = 0x12;
constexpr quint8 StatusOk = 0x10;
constexpr quint8 StatusFailed = 0x11;
constexpr quint8 StatusInvalid = 0x13;

constexpr quint8 CmdGetSync = 0x21;
constexpr quint8 CmdGetDevice = 0x22;
constexpr quint8 CmdChipErase = 0x23;
constexpr quint8 CmdProgMulti = 0x27;
constexpr quint8 CmdGetCrc = 0x29;
constexpr quint8 CmdBoot = 0x30;
// Identity of the unit, answered by bootloaders of protocol revision 4 and later.
constexpr quint8 CmdGetSn = 0x2B;      // 2B o0 o1 o2 o3 20: the word at byte offset o (0, 4, 8) of the 96-bit id
constexpr quint8 CmdGetChip = 0x2C;    // 2C 20: the chip's id word
constexpr quint8 CmdGetChipDes = 0x2E; // 2E 20: a u32 length, then the chip's description as ASCII text
constexpr quint32 FirstIdentityRevision = 4;
constexpr int SerialWords = 3;

// Parameters of CmdGetDevice.
enum DeviceInfoParam : quint8 {
    InfoBlRevision = 1,
    InfoBoardId = 2,
    InfoBoardRevision = 3,
    InfoFlashSize = 4,
    InfoVecArea = 5
};

// Data bytes of one program command: stock bootloaders take up to 252 (a whole number of words that
// fits the length byte); units that refuse that are programmed with 128-byte chunks.
constexpr int MaxChunk = 252;
constexpr int FallbackChunk = 128;
constexpr int MaxChipDesLength = 256; // longest chip description accepted
constexpr int VecAreaSize = 16;       // data bytes of the InfoVecArea reply

QByteArray probe();                               // 21 20
QByteArray getDevice(quint8 param);               // 22 p 20
QByteArray erase();                               // 23 20
QByteArray programChunk(const char *data, int n); // 27 n d0..d(n-1) 20
QByteArray getCrc();                              // 29 20
QByteArray boot();                                // 30 20
QByteArray getSn(quint32 offset);                 // 2B offset (u32 LE) 20
QByteArray getChip();                             // 2C 20
QByteArray getChipDes();                          // 2E 20
// The two bytes ending every reply: 12 status.
QByteArray replyEnd(quint8 status = StatusOk);
// A little-endian u32 followed by 12 10 (device info and CRC replies).
QByteArray u32Reply(quint32 value);

quint32 readU32LE(const char *p);
} // namespace BootloaderProtocol
