#include "core/mavlink/ParamValueCheck.h"

#include "core/mavlink/ParamList.h"

#include <QCoreApplication>

#include <cmath>
#include <limits>

namespace {
struct IntegerType
{
    const char *name;
    qint64 lo;
    quint64 hi;
};

// MAV_PARAM_TYPE 1..8.
constexpr IntegerType kIntegerTypes[] = {
    {"uint8", 0, 255},
    {"int8", -128, 127},
    {"uint16", 0, 65535},
    {"int16", -32768, 32767},
    {"uint32", 0, 4294967295ull},
    {"int32", std::numeric_limits<qint32>::min(), quint64(std::numeric_limits<qint32>::max())},
    {"uint64", 0, std::numeric_limits<quint64>::max()},
    {"int64", std::numeric_limits<qint64>::min(), quint64(std::numeric_limits<qint64>::max())},
};

QString tr(const char *text)
{
    return QCoreApplication::translate("ParamValueCheck", text);
}

// A whole number as its sign and magnitude. rounded: given in decimal or exponent form beyond 2^53,
// where the double it was read into may have rounded it (magnitude is then that double's).
struct Whole
{
    bool negative = false;
    quint64 magnitude = 0;
    bool rounded = false;
};

enum class Parsed { Whole, Fraction, NotANumber, TooLarge };

// The text as a whole number, exactly: digits directly, or a decimal or exponent form whose value is
// whole (read as a double).
Parsed parseWhole(const QString &text, Whole &whole)
{
    bool ok = false;
    const qlonglong s = text.toLongLong(&ok);
    if (ok) {
        whole.negative = s < 0;
        whole.magnitude = s < 0 ? quint64(-(s + 1)) + 1 : quint64(s);
        return Parsed::Whole;
    }
    const qulonglong u = text.toULongLong(&ok);
    if (ok) {
        whole.magnitude = u;
        return Parsed::Whole;
    }
    const double d = text.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return Parsed::NotANumber;
    if (d != std::floor(d))
        return Parsed::Fraction;
    if (std::fabs(d) >= 18446744073709551616.0) // 2^64
        return Parsed::TooLarge;
    whole.negative = d < 0;
    whole.magnitude = quint64(std::fabs(d));
    whole.rounded = std::fabs(d) >= 9007199254740992.0; // 2^53
    return Parsed::Whole;
}

bool inRange(const Whole &w, const IntegerType &t)
{
    if (w.negative)
        return w.magnitude == 0 || (t.lo < 0 && w.magnitude <= quint64(-(t.lo + 1)) + 1);
    return w.magnitude <= t.hi;
}

// A float holds an integer exactly when its magnitude without trailing zero bits fits 24 bits.
bool floatHolds(quint64 magnitude)
{
    if (magnitude == 0)
        return true;
    while ((magnitude & 1u) == 0)
        magnitude >>= 1;
    return magnitude < (quint64(1) << 24);
}
} // namespace

QString ParamValueCheck::typeName(int type)
{
    if (type >= 1 && type <= 8)
        return QString::fromLatin1(kIntegerTypes[type - 1].name);
    return type == 10 ? QStringLiteral("double") : QStringLiteral("float");
}

bool ParamValueCheck::integerBounds(int type, qint64 &lo, quint64 &hi)
{
    if (type < 1 || type > 8)
        return false;
    lo = kIntegerTypes[type - 1].lo;
    hi = kIntegerTypes[type - 1].hi;
    return true;
}

ParamValueCheck::Result ParamValueCheck::check(const QString &textIn, int type)
{
    Result r;
    const QString text = textIn.trimmed();
    if (type >= 1 && type <= 8) {
        const IntegerType &t = kIntegerTypes[type - 1];
        Whole w;
        const Parsed parsed = parseWhole(text, w);
        if (parsed == Parsed::NotANumber) {
            r.notANumber = true;
            r.reason = tr("%1 is not a number").arg(text);
            return r;
        }
        if (parsed == Parsed::Fraction) {
            r.reason = tr("%1 is not a whole number, as %2 requires").arg(text, typeName(type));
            return r;
        }
        if (parsed == Parsed::TooLarge || !inRange(w, t)) {
            r.reason = tr("%1 is outside the range of %2 (%3..%4)")
                           .arg(text, typeName(type), QString::number(t.lo), QString::number(t.hi));
            return r;
        }
        if (w.rounded) {
            // Read through a double that may have rounded it: not the typed number for certain.
            const double exact = w.negative ? -double(w.magnitude) : double(w.magnitude);
            r.reason = tr("%1 cannot travel exactly in a parameter's 32-bit float (the nearest is %2)")
                           .arg(text, QString::number(double(float(exact)), 'f', 0));
            return r;
        }
        r.ok = true;
        // Exact: 64-bit magnitudes beyond 2^53 only arrive here when the double holds them.
        r.value = w.negative ? -double(w.magnitude) : double(w.magnitude);
        return r;
    }
    bool ok = false;
    const double d = text.toDouble(&ok);
    if (!ok || !std::isfinite(d)) {
        r.notANumber = true;
        r.reason = tr("%1 is not a number").arg(text);
        return r;
    }
    float f = 0;
    if (!ParamText::nearestFloat(d, f)) {
        r.reason = tr("%1 is outside the range of a 32-bit float").arg(text);
        return r;
    }
    r.ok = true;
    r.value = f;
    // The float's shortest text reads back to the typed number unless the float dropped digits.
    const QString travels = ParamText::formatFloat(f);
    if (travels.toDouble() != d)
        r.note = tr("%1 travels as %2, the nearest 32-bit float").arg(text, travels);
    return r;
}

QString ParamValueCheck::carrierProblem(const QString &textIn, double value, int type, bool bytewise)
{
    if (type < 1 || type > 8)
        return QString();
    // Bytewise, the field's four bytes carry every integer of up to 32 bits.
    if (bytewise && type <= 6)
        return QString();
    const quint64 magnitude = quint64(std::fabs(value));
    if (floatHolds(magnitude))
        return QString();
    return tr("%1 cannot travel exactly in a parameter's 32-bit float (the nearest is %2)")
        .arg(textIn.trimmed(), QString::number(double(float(value)), 'f', 0));
}

QString ParamValueCheck::nameProblem(const QString &name)
{
    if (name.isEmpty() || name.size() > MaxNameLength)
        return tr("the name must have 1 to 16 ASCII characters");
    for (const QChar c : name) {
        if (c.unicode() < 0x21 || c.unicode() > 0x7E)
            return tr("the name must have 1 to 16 ASCII characters");
    }
    return QString();
}
