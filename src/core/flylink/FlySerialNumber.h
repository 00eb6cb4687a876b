#pragma once

#include <QString>

// The serial number of a unit: a production month YYMM (2201..2812, year then month as four decimal
// digits) in the high 16 bits and a sequence number (1..9999) in the low 16 bits. Shown as
// "20YYMM-SSSS" ("20%d-%04d" of the two halves). Only the ranges are checked: a month such as 2213 is
// accepted as the factory page accepts it.
class FlySerialNumber
{
public:
    static constexpr quint16 FirstMonth = 2201;
    static constexpr quint16 LastMonth = 2812;
    static constexpr quint16 FirstSequence = 1;
    static constexpr quint16 LastSequence = 9999;

    FlySerialNumber() = default;
    FlySerialNumber(quint16 month, quint16 sequence) : m_month(month), m_sequence(sequence) {}
    // The halves of a 32-bit value as the unit stores it (not range-checked).
    static FlySerialNumber fromValue(quint32 sn) { return FlySerialNumber(quint16(sn >> 16), quint16(sn & 0xFFFF)); }
    static bool inRange(uint month, uint sequence)
    {
        return month >= FirstMonth && month <= LastMonth && sequence >= FirstSequence && sequence <= LastSequence;
    }

    bool isValid() const { return inRange(m_month, m_sequence); }
    quint16 month() const { return m_month; }
    quint16 sequence() const { return m_sequence; }
    quint32 value() const { return (quint32(m_month) << 16) | m_sequence; }
    // "20YYMM-SSSS": "20" and the month, "-", the sequence in four digits.
    QString text() const;
    // The month and the sequence in four digits ("2401-0001"), as the link posts a write.
    QString monthSequenceText() const;

private:
    quint16 m_month = 0;
    quint16 m_sequence = 0;
};
