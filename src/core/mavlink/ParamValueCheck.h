#pragma once

#include <QString>

// What a parameter value typed by a user may be for the parameter's declared MAV_PARAM_TYPE, before
// it is sent. Every value travels in the 32-bit float of PARAM_SET and PARAM_VALUE:
// - an integer type takes whole numbers inside its range that the float holds exactly (every integer
//   up to 2^24 in size, beyond that only those with enough trailing zero bits); anything else is
//   refused, never rounded on the way;
// - a real type (and an unknown type) takes any number the float can hold; when the float is not
//   the typed number (more digits than a float keeps), the nearest float travels and a note says so.
// Names are 1 to 16 printable ASCII characters.
class ParamValueCheck
{
public:
    struct Result
    {
        bool ok = false;
        float value = 0;         // what travels (ok only)
        QString reason;          // why the text is refused (not ok)
        bool notANumber = false; // refused as no finite number at all
        QString note;            // ok, but the value travelling differs from the typed text
    };

    static constexpr int MaxNameLength = 16;

    static Result check(const QString &text, int type);
    // Empty when name is a valid parameter name, else why it is not.
    static QString nameProblem(const QString &name);
    // "uint8" .. "double" for MAV_PARAM_TYPE 1..10, else "float".
    static QString typeName(int type);
    // The range of an integer MAV_PARAM_TYPE (1..8); false for the other types.
    static bool integerBounds(int type, qint64 &lo, quint64 &hi);
};
