#pragma once
// A studio on the machine's own audio devices for the command-line tools: the tool runs its
// event loop, so device notifications and the timer's display requests are handled as the
// main window would handle them.
#include <functional>
#include <memory>
#include <string>

#include "cli/console_tool.h"
#include "platform/event_sink.h"
#include "platform/timer_service.h"
#include "session/studio.h"

namespace tqx {

class HeadlessStudio {
public:
    explicit HeadlessStudio(const std::string& tool);

    Studio& studio() { return *studio_; }
    ConsoleDialogs& dialogs() { return dialogs_; }

    // Runs the event loop until `done` holds or `limitSeconds` of wall time have passed;
    // false on the time limit. `everyTenth` runs about ten times a second.
    bool runUntil(const std::function<bool()>& done, double limitSeconds, const std::function<void()>& everyTenth = {});

private:
    // Destroyed from the bottom up: the studio first, the device layer before the event queue,
    // so notifications still queued are dropped rather than delivered to a studio gone.
    ConsoleDialogs dialogs_;
    QueuedEventSink events_;
    std::unique_ptr<AudioSystem> audio_;
    ThreadTimerService timer_;
    std::unique_ptr<Studio> studio_;
};

}  // namespace tqx
