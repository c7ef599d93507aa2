#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>

namespace quillet::testing {

// Acts on the modal dialog of type T as soon as the code under test opens it.
template <class T> void whenModal(std::function<void(T*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        }
    });
    timer->start();
}

} // namespace quillet::testing
