#pragma once

#include <QJsonObject>
#include <QString>

// One event of a unit's production history: one operation a station performed on one unit.
struct ProductionRecord
{
    enum class Result { Ok, Failed, Cancelled };

    QString id;        // a random UUID without braces, the record's key everywhere it is stored
    QString unitKey;   // UnitKey: 24 hex digits of the unit's unique id, or the MAVLink unit's key
    qint64 timeMs = 0; // UTC, milliseconds since the epoch
    QString station;
    QString operatorName;
    QString version; // the program's version
    QString operation;
    Result result = Result::Ok;
    QString reason; // why it failed or was cancelled (empty for ok)
    QJsonObject details;
    // What the operation knew of the unit's identity (empty when it did not know).
    QString serialNumber;
    QString hardware;
    QString firmware;

    // A new record: a fresh id, the current time and this program's version; station and operator stay
    // empty for the writer to fill in.
    static ProductionRecord make(const QString &operation, const QString &unitKey, Result result,
                                 const QString &reason = QString(), const QJsonObject &details = QJsonObject());

    // "ok", "failed", "cancelled".
    static QString resultText(Result result);
    // The result a text names; false for any other text.
    static bool parseResult(const QString &text, Result *result);
    // The details as compact JSON text, the form stored.
    QString detailsText() const;
    void setDetailsText(const QString &json);

    bool operator==(const ProductionRecord &o) const;
};
