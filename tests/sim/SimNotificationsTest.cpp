#include "SimTestSupport.h"
#include "platform/sim/SimModels.h"
#include "platform/sim/SimWorld.h"

#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace keywright::sim {
namespace {

using platform::DeviceChange;
using Change = std::pair<DeviceChange, std::string>;

std::vector<Change> All(DeviceChange change, const std::vector<std::string>& paths) {
    std::vector<Change> changes;
    for (const auto& path : paths) {
        changes.emplace_back(change, path);
    }
    return changes;
}

void Append(std::vector<Change>& to, const std::vector<Change>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

TEST(SimNotifications, KeepNothingFromBeforeSubscribe) {
    SimWorld world;
    const SimDeviceId mouse = world.Plug(DecoyMouse());
    world.Unplug(mouse);
    auto& notifications = world.Backend().Notifications();
    std::vector<Change> seen;
    int wakes = 0;
    ASSERT_TRUE(notifications.Subscribe(
        [&](DeviceChange change, const std::string& path) { seen.emplace_back(change, path); },
        [&] { ++wakes; }));
    notifications.Dispatch();
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(wakes, 0);

    world.Replug(mouse);
    notifications.Dispatch();
    EXPECT_EQ(seen, All(DeviceChange::Arrival, world.Paths(mouse)));
    EXPECT_EQ(wakes, 1);
}

TEST(SimNotifications, DeliverQueuedChangesInOrder) {
    SimWorld world;
    auto& notifications = world.Backend().Notifications();
    auto& hid = world.Backend().Hid();
    std::vector<Change> seen;
    std::vector<std::uint16_t> vendors;
    int wakes = 0;
    notifications.Subscribe(
        [&](DeviceChange change, const std::string& path) {
            seen.emplace_back(change, path);
            if (change == DeviceChange::Arrival) {
                // The world is free to use while changes are delivered.
                const auto handle = test::OpenQuery(hid, path);
                platform::HidAttributes attributes;
                if (hid.GetAttributes(handle, attributes)) {
                    vendors.push_back(attributes.vendorId);
                }
                hid.Close(handle);
            }
        },
        [&] {
            ++wakes;
            // Wake-ups come without the world's lock held (this would hang).
            hid.ListInterfaces();
        });

    const SimDeviceId mouse = world.Plug(DecoyMouse());
    const SimDeviceId keyboard = world.Plug(KeyboardModel9ff6());
    world.Unplug(mouse);
    EXPECT_EQ(wakes, 3) << "one wake-up per plug or unplug";
    EXPECT_TRUE(seen.empty()) << "nothing is delivered before Dispatch";
    notifications.Dispatch();

    std::vector<Change> expected = All(DeviceChange::Arrival, world.Paths(mouse));
    Append(expected, All(DeviceChange::Arrival, world.Paths(keyboard)));
    Append(expected, All(DeviceChange::Removal, world.Paths(mouse)));
    EXPECT_EQ(seen, expected);
    // The mouse had left before its arrival was delivered; the keyboard had not.
    EXPECT_EQ(vendors, std::vector<std::uint16_t>(10, 0x1A2C));

    seen.clear();
    notifications.Dispatch();
    EXPECT_TRUE(seen.empty()) << "each change is delivered once";
}

TEST(SimNotifications, DeliverOnTheThreadThatDispatches) {
    SimWorld world;
    auto& notifications = world.Backend().Notifications();
    std::vector<std::thread::id> threads;
    notifications.Subscribe(
        [&](DeviceChange, const std::string&) { threads.push_back(std::this_thread::get_id()); },
        [] {});
    world.Plug(DecoyMouse());
    std::thread::id dispatcher;
    std::thread([&] {
        dispatcher = std::this_thread::get_id();
        notifications.Dispatch();
    }).join();
    ASSERT_EQ(threads.size(), 1U);
    EXPECT_EQ(threads.front(), dispatcher);
}

} // namespace
} // namespace keywright::sim
