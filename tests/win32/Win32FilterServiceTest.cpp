#include "platform/win32/Win32FilterService.h"

#include "Win32TestSupport.h"
#include "engine/FilterChannel.h"

#include <future>

namespace keywright {
namespace {

using namespace platform;
using platform::win32::Win32FilterService;
using test::kPipeTransceive;
using test::PipeDevice;

constexpr std::uint32_t kReadWrite = 0xC0000000;
constexpr std::uint32_t kShareBoth = 0x3;

// Where the keyboard filter is not installed (always under wine), its control
// device does not open, and the channel runs closed: every request is
// skipped, none waits, and nothing is reported.
TEST(Win32FilterService, WithoutTheFilterTheChannelStaysClosed) {
    Win32FilterService filter;
    const FilterHandle handle =
        filter.Open(Win32FilterService::kDeviceName, kReadWrite, kShareBoth);
    if (handle != kInvalidFilter) {
        filter.Close(handle);
        GTEST_SKIP() << "the keyboard filter is installed on this system";
    }
    std::uint8_t event[4] = {};
    EXPECT_EQ(
        filter.Control(handle, IOCTL_VHIDFLT_WAIT_KEY, nullptr, 0, event, sizeof event, nullptr),
        ControlResult::Failed);
    filter.Close(handle);

    FilterChannel channel(filter);
    EXPECT_EQ(channel.Open(), kInvalidFilter);
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_FALSE(channel.Control(IOCTL_VHIDFLT_PRESTART_1));
    EXPECT_EQ(channel.ControlUntilCancelled(IOCTL_VHIDFLT_WAIT_KEY, event, sizeof event),
              ControlResult::Failed);
    channel.Close();
}

// A named pipe in message mode stands in for the filter: a transaction on it
// stays outstanding until the far end answers, as the key wait does until a
// key comes.
class PipeFilter : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(device_.Valid());
        handle_ = filter_.Open(device_.Path(), kReadWrite, kShareBoth);
        ASSERT_NE(handle_, kInvalidFilter);
        ASSERT_TRUE(device_.Accept());
        DWORD mode = PIPE_READMODE_MESSAGE;
        ASSERT_TRUE(
            SetNamedPipeHandleState(filter_.NativeHandle(handle_), &mode, nullptr, nullptr));
    }
    void TearDown() override { filter_.Close(handle_); }

    // One request from another thread, as the key reader sends it.
    std::future<ControlResult> Request(const std::string& input, std::uint8_t* output,
                                       CancelSignal* cancel) {
        return std::async(std::launch::async, [=, this] {
            return filter_.Control(handle_, kPipeTransceive,
                                   reinterpret_cast<const std::uint8_t*>(input.data()),
                                   input.size(), output, 4, cancel);
        });
    }

    PipeDevice device_;
    Win32FilterService filter_;
    FilterHandle handle_ = kInvalidFilter;
};

TEST_F(PipeFilter, ARequestCompletesWithTheAnswer) {
    std::uint8_t output[4] = {};
    auto result = Request("wait", output, nullptr);
    EXPECT_EQ(device_.Read(), "wait");
    ASSERT_TRUE(device_.Answer(std::string("\x07\x00\x07\x01", 4)));
    EXPECT_EQ(result.get(), ControlResult::Completed);
    EXPECT_EQ(output[0], 0x07);
    EXPECT_EQ(output[2], 0x07);
    EXPECT_EQ(output[3], 0x01);
}

// The cancel signal ends an outstanding request, and one set before the
// request is kept for it (auto-reset: used up by that one request only).
TEST_F(PipeFilter, TheCancelSignalEndsTheWaitWhenSetBeforeOrDuring) {
    const auto cancel = filter_.CreateCancelSignal();
    std::uint8_t output[4] = {};

    auto during = Request("first", output, cancel.get());
    EXPECT_EQ(device_.Read(), "first"); // outstanding now
    cancel->Set();
    EXPECT_EQ(during.get(), ControlResult::Cancelled);

    cancel->Set();
    EXPECT_EQ(Request("second", output, cancel.get()).get(), ControlResult::Cancelled);
    EXPECT_EQ(device_.Read(), "second");

    // Used up: the next request waits for its answer.
    auto third = Request("third", output, cancel.get());
    EXPECT_EQ(device_.Read(), "third");
    ASSERT_TRUE(device_.Answer("done"));
    EXPECT_EQ(third.get(), ControlResult::Completed);
}

// A Reset between Set and the request forgets the Set.
TEST_F(PipeFilter, ResetForgetsAnEarlierSet) {
    const auto cancel = filter_.CreateCancelSignal();
    cancel->Set();
    cancel->Reset();
    std::uint8_t output[4] = {};
    auto request = Request("wait", output, cancel.get());
    EXPECT_EQ(device_.Read(), "wait");
    ASSERT_TRUE(device_.Answer("key!"));
    EXPECT_EQ(request.get(), ControlResult::Completed);
}

// Close on one thread ends another thread's outstanding request as Failed,
// and later requests on the closed handle fail at once.
TEST_F(PipeFilter, CloseEndsAnotherThreadsRequest) {
    std::uint8_t output[4] = {};
    auto outstanding = Request("wait", output, nullptr);
    EXPECT_EQ(device_.Read(), "wait");
    filter_.Close(handle_);
    EXPECT_EQ(outstanding.get(), ControlResult::Failed);
    EXPECT_EQ(Request("late", output, nullptr).get(), ControlResult::Failed);
}

} // namespace
} // namespace keywright
