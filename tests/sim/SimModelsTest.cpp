#include "platform/sim/SimModels.h"

#include "platform/ReportDescriptor.h"
#include "support/HexFixture.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace keywright::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes CapturedInterface1() {
    return test::ReadHexFixture("linux/gaming-keyboard-interface1.hex");
}

TEST(SimModels, KeyboardInterface1IsTheCapturedDescriptor) {
    const std::span<const std::uint8_t> model = KeyboardInterface1Descriptor();
    const Bytes captured = CapturedInterface1();
    const auto [ours, theirs] =
        std::mismatch(model.begin(), model.end(), captured.begin(), captured.end());
    EXPECT_TRUE(ours == model.end() && theirs == captured.end())
        << "the model's descriptor differs from the capture at byte " << (ours - model.begin())
        << " of " << model.size() << " (capture: " << captured.size() << " bytes)";
}

// Every model on the keyboards' layout presents on interface 1 the collections
// of the capture as Windows splits it: &col01 onwards in descriptor order, the
// command reports taken by &col07 alone.
TEST(SimModels, KeyboardInterface1HasTheCapturesCollections) {
    const platform::ReportDescriptorSplit captured =
        platform::SplitReportDescriptor(CapturedInterface1());
    ASSERT_EQ(captured.fault, platform::DescriptorFault::None) << platform::DescribeFault(captured);
    ASSERT_EQ(captured.collections.size(), 7u);

    for (const SimDeviceSpec& spec : {KeyboardModel9ff6(), KeyboardModel0116(), DecoyKeyboard()}) {
        SCOPED_TRACE(spec.name);
        const SimInterface* interface1 = nullptr;
        for (const SimInterface& iface : spec.interfaces)
            if (iface.number == 1)
                interface1 = &iface;
        ASSERT_NE(interface1, nullptr);
        ASSERT_EQ(interface1->collections.size(), captured.collections.size());
        for (std::size_t i = 0; i < captured.collections.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "collection " << i + 1);
            const SimCollection& got = interface1->collections[i];
            const platform::HidCaps& want = captured.collections[i];
            EXPECT_EQ(got.number, static_cast<int>(i + 1));
            EXPECT_EQ(got.usagePage, want.usagePage);
            EXPECT_EQ(got.usage, want.usage);
            EXPECT_EQ(got.inputReportByteLength, want.inputReportByteLength);
            EXPECT_EQ(got.outputReportByteLength, want.outputReportByteLength);
            EXPECT_EQ(got.featureReportByteLength, want.featureReportByteLength);
            EXPECT_EQ(got.role,
                      i + 1 == 7 ? SimCollectionRole::KeyboardCommands : SimCollectionRole::None);
        }
    }
}

} // namespace
} // namespace keywright::sim
