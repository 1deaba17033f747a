#include "ui/Timeline.h"

#include <algorithm>

namespace keywright::ui {

Timeline::Timeline() {
    timer_.setInterval(kIntervalMs);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &Timeline::Tick);
}

void Timeline::Register(IHandler* handler) {
    if (handler == nullptr || IsRegistered(handler))
        return;
    handlers_.push_back(handler);
    if (!timer_.isActive())
        timer_.start();
}

void Timeline::Unregister(IHandler* handler) {
    std::erase(handlers_, handler);
    if (handlers_.empty())
        timer_.stop();
}

bool Timeline::IsRegistered(const IHandler* handler) const {
    return std::find(handlers_.begin(), handlers_.end(), handler) != handlers_.end();
}

void Timeline::Tick() {
    const std::vector<IHandler*> snapshot = handlers_;
    for (IHandler* handler : snapshot) {
        if (IsRegistered(handler))
            handler->OnNextFrame();
    }
}

} // namespace keywright::ui
