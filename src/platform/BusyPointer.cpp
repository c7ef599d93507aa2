#include "BusyPointer.h"

#include <QApplication>

namespace quillet::platform {

// The pointer is a state, not a stack: commands that nest switch it on and
// off like a property, so one restore always undoes the one override we hold.
QtBusyPointer::~QtBusyPointer() {
    setBusy(false);
}

void QtBusyPointer::setBusy(bool busy) {
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

} // namespace quillet::platform
