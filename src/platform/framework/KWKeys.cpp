#include "platform/framework/KWKeys.h"

#include <QKeyEvent>

namespace KW {

bool isKeyCharOrNum(const QKeyEvent* event)
{
    if (!event || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    const int key = event->key();
    return (key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9);
}

} // namespace KW
