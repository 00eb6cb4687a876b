#include "ZtResources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside of any namespace.
static void initZtResources()
{
    Q_INIT_RESOURCE(styles);
    Q_INIT_RESOURCE(icons);
    Q_INIT_RESOURCE(instruments);
    Q_INIT_RESOURCE(translations);
}

void ZtResources::init()
{
    static bool done = false;
    if (!done) {
        done = true;
        initZtResources();
    }
}
