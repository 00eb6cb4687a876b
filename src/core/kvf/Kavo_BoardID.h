#pragma once

#include <QObject>
#include <QString>

// The known boards: board id -> board name. Any other id is named by its decimal text.
class Kavo_BoardID : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    static QString boardName(uint boardId);
};
