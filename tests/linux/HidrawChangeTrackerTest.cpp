#include "platform/linux/HidrawChangeTracker.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace keywright::platform::lnx {
namespace {

using Changes = std::vector<InterfaceChange>;
constexpr auto kArrival = DeviceChange::Arrival;
constexpr auto kRemoval = DeviceChange::Removal;

TEST(HidrawChangeTracker, RemovalReportsThePathsTheNodeHad) {
    HidrawChangeTracker tracker;
    EXPECT_EQ(tracker.Added("hidraw3", {"a1", "a2", "a3"}),
              (Changes{{kArrival, "a1"}, {kArrival, "a2"}, {kArrival, "a3"}}));
    EXPECT_EQ(tracker.Added("hidraw4", {"b1"}), (Changes{{kArrival, "b1"}}));
    EXPECT_EQ(tracker.Removed("hidraw3"),
              (Changes{{kRemoval, "a1"}, {kRemoval, "a2"}, {kRemoval, "a3"}}));
    EXPECT_EQ(tracker.Removed("hidraw3"), Changes{}) << "a node is removed once";
    EXPECT_EQ(tracker.Removed("hidraw4"), (Changes{{kRemoval, "b1"}}));
}

TEST(HidrawChangeTracker, SeededNodesAreRemovedButNotAnnounced) {
    HidrawChangeTracker tracker;
    tracker.Seed("hidraw0", {"k1", "k2"});
    EXPECT_EQ(tracker.Removed("hidraw0"), (Changes{{kRemoval, "k1"}, {kRemoval, "k2"}}));
}

TEST(HidrawChangeTracker, UnknownNodeRemovalGivesNothing) {
    HidrawChangeTracker tracker;
    EXPECT_EQ(tracker.Removed("hidraw9"), Changes{});
}

// A missed removal: the node number now belongs to another device.
TEST(HidrawChangeTracker, ReusedNodeRemovesTheOldPathsFirst) {
    HidrawChangeTracker tracker;
    tracker.Seed("hidraw2", {"old1", "same"});
    EXPECT_EQ(tracker.Added("hidraw2", {"same", "new1"}),
              (Changes{{kRemoval, "old1"}, {kArrival, "same"}, {kArrival, "new1"}}));
    EXPECT_EQ(tracker.Removed("hidraw2"), (Changes{{kRemoval, "same"}, {kRemoval, "new1"}}));
}

} // namespace
} // namespace keywright::platform::lnx
