#pragma once

#include "ui/Event.h"

#include <memory>
#include <string_view>
#include <vector>

namespace keywright::ui {

// The part every control of this toolkit shares, mixed into a Qt widget
// class: its class name for class tests, its event subscribers, and the
// hooks the layout loader and the translator call.
//
// A plain Qt widget that is not a Control answers only to "window".
class Control {
  public:
    static constexpr std::string_view kClassName = "window";

    Control() = default;
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    // The class name of the most derived class, and whether the control
    // answers to `name`: its own class name or that of any base up to
    // "window". Names are case-sensitive. Classes declare themselves with
    // KEYWRIGHT_UI_CLASS.
    virtual std::string_view ClassName() const { return kClassName; }
    virtual bool IsClass(std::string_view name) const { return name == kClassName; }

    // Adds a subscriber for events of `eventId` raised by this control.
    // Subscribers run in subscription order, before the host window's handler.
    // With a tag, a subscription replaces the earlier one of the same event
    // and tag, so code that subscribes each time it fills a reused list row
    // keeps one subscription.
    void Subscribe(int eventId, EventHandler handler, const void* tag = nullptr);
    // Removes the subscriptions of `eventId` made with `tag`.
    void Unsubscribe(int eventId, const void* tag);
    // The subscribers of `eventId`, in order; copies, so a subscriber may
    // change the subscriptions while they run.
    std::vector<std::shared_ptr<EventHandler>> SubscribersOf(int eventId) const;

    // Called by the layout loader once every widget of the layout exists and
    // has all its properties: the place for work that needs them, such as
    // reading a file one of them names.
    virtual void OnLoaded() {}
    // Called after a language change, once the toolkit has translated the
    // texts it knows (text, title, tooltips, combo items, tab titles), for
    // texts the control keeps itself.
    virtual void Retranslate() {}

  private:
    struct Subscription {
        int eventId = 0;
        const void* tag = nullptr;
        std::shared_ptr<EventHandler> handler;
    };
    std::vector<Subscription> subscriptions_;
};

} // namespace keywright::ui

// Declares a control class's name and its base for class tests, e.g.
//   class SCheckBoxEx : public ui::CheckBox {
//       Q_OBJECT
//       KEYWRIGHT_UI_CLASS("checkex", ui::CheckBox)
//   ...
// Leaves the class in public access.
#define KEYWRIGHT_UI_CLASS(NAME, BASE)                                                             \
  public:                                                                                          \
    static constexpr std::string_view kClassName = NAME;                                           \
    std::string_view ClassName() const override {                                                  \
        return kClassName;                                                                         \
    }                                                                                              \
    bool IsClass(std::string_view name) const override {                                           \
        return name == kClassName || BASE::IsClass(name);                                          \
    }
