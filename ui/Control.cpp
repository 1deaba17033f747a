#include "ui/Control.h"

#include <algorithm>

namespace keywright::ui {

void Control::Subscribe(int eventId, EventHandler handler, const void* tag) {
    auto shared = std::make_shared<EventHandler>(std::move(handler));
    if (tag != nullptr) {
        for (auto& s : subscriptions_) {
            if (s.eventId == eventId && s.tag == tag) {
                s.handler = std::move(shared);
                return;
            }
        }
    }
    subscriptions_.push_back({eventId, tag, std::move(shared)});
}

void Control::Unsubscribe(int eventId, const void* tag) {
    std::erase_if(subscriptions_,
                  [&](const Subscription& s) { return s.eventId == eventId && s.tag == tag; });
}

std::vector<std::shared_ptr<EventHandler>> Control::SubscribersOf(int eventId) const {
    std::vector<std::shared_ptr<EventHandler>> handlers;
    for (const auto& s : subscriptions_) {
        if (s.eventId == eventId)
            handlers.push_back(s.handler);
    }
    return handlers;
}

} // namespace keywright::ui
