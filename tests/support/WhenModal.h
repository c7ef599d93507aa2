#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>

namespace quillet::testing {

// Acts on the modal dialog of type T as soon as the code under test opens it.
// A popup such as a context menu: whenModal<QMenu>(act, true).
template <class T> void whenModal(std::function<void(T*)> act, bool popup = false) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act, popup] {
        if (auto* dialog = qobject_cast<T*>(popup ? QApplication::activePopupWidget()
                                                  : QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        }
    });
    timer->start();
}

} // namespace quillet::testing
