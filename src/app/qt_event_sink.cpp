#include "app/qt_event_sink.h"

#include <QMetaObject>

namespace tqx {

void QtEventSink::post(std::function<void()> event) {
    QMetaObject::invokeMethod(receiver_, std::move(event), Qt::QueuedConnection);
}

}  // namespace tqx
