#include "QtEventPump.h"

#include <QCoreApplication>
#include <QEventLoop>

#include "EventPump.h"

namespace platform {

bool PumpQtEvents()
{
    if (QCoreApplication::instance() == nullptr)
        return true;
    if (QCoreApplication::closingDown())
        return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return true;
}

void InstallQtEventPump() { SetPumpHook(&PumpQtEvents); }

}  // namespace platform
