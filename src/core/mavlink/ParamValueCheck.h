#pragma once

#include <QString>

// What a parameter value typed by a user may be for the parameter's declared MAV_PARAM_TYPE, before
// it is sent. check() needs only the type:
// - an integer type takes whole numbers inside its range (never rounded on the way);
// - a real type (and an unknown type) takes any number the 32-bit float of PARAM_SET can hold; when
//   the float is not the typed number (more digits than a float keeps), the nearest float travels and
//   a note says so.
// carrierProblem() needs the unit's encoding of integers, known once the link follows the unit: a unit
// that copies integers bytewise into the float field (PX4) carries every 8..32-bit integer exactly; one
// that converts them to float (ArduPilot) only those the float holds (every integer up to 2^24 in
// size, beyond that only those with enough trailing zero bits). 64-bit integers always travel as
// floats.
// Names are 1 to 16 printable ASCII characters.
class ParamValueCheck
{
public:
    struct Result
    {
        bool ok = false;
        double value = 0;        // the number that travels (ok only): a whole number, or a float's value
        QString reason;          // why the text is refused (not ok)
        bool notANumber = false; // refused as no finite number at all
        QString note;            // ok, but the value travelling differs from the typed text
    };

    static constexpr int MaxNameLength = 16;

    static Result check(const QString &text, int type);
    // Empty when value (a checked integer of type, typed as text) travels exactly with the unit's
    // integer encoding (bytewise or float cast), else why not.
    static QString carrierProblem(const QString &text, double value, int type, bool bytewise);
    // Empty when name is a valid parameter name, else why it is not.
    static QString nameProblem(const QString &name);
    // "uint8" .. "double" for MAV_PARAM_TYPE 1..10, else "float".
    static QString typeName(int type);
    // The range of an integer MAV_PARAM_TYPE (1..8); false for the other types.
    static bool integerBounds(int type, qint64 &lo, quint64 &hi);
};
