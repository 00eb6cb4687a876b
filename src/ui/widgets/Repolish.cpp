#include "ui/widgets/Repolish.h"

#include <QStyle>
#include <QWidget>

void repolish(QWidget *w)
{
    w->style()->unpolish(w);
    w->style()->polish(w);
    w->update();
}
