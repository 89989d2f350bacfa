#pragma once
// Delivers device notifications on the GUI thread through Qt's event loop.
#include <QObject>

#include "platform/event_sink.h"

namespace tqx {

class QtEventSink : public EventSink {
public:
    explicit QtEventSink(QObject* receiver) : receiver_(receiver) {}
    void post(std::function<void()> event) override;

private:
    QObject* receiver_;
};

}  // namespace tqx
