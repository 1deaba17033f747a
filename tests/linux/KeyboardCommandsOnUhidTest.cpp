// The keyboard's command interface on a real kernel: interface 1 of the
// keyboard (seven top-level collections, the vendor collection last with
// feature and output report 7) made through uhid, driven by keywright-ctl as
// a user runs it. The uhid side answers the version request and records
// every report, so the test sees the bytes that reach the keyboard.

#include "DeviceTestSupport.h"
#include "support/HexFixture.h"

#include <array>
#include <condition_variable>
#include <cstdio>
#include <gtest/gtest.h>
#include <linux/uhid.h>
#include <mutex>
#include <sys/eventfd.h>
#include <sys/wait.h>
#include <thread>
#include <utility>

namespace keywright::platform::lnx {
namespace {

using namespace device_test;

// The firmware version the keyboard answers: 1.2.
constexpr std::array<std::uint8_t, 8> kVersionReply{0x07, 0x01, 0x02, 0, 0, 0, 0, 0};

std::string Hex(const std::uint8_t* data, std::size_t size) {
    std::string text;
    char byte[4];
    for (std::size_t i = 0; i < size; ++i) {
        std::snprintf(byte, sizeof byte, i == 0 ? "%02x" : " %02x", data[i]);
        text += byte;
    }
    return text;
}

// Interface 1 of a keyboard vendor:product made through uhid, its interface
// number in HID_PHYS as uhid devices carry it. A thread of its own answers
// the kernel's requests as the keyboard does and records each report:
// "set-feature 07 ...", "get-feature 07" (the request), "output 07 ...".
class UhidCommandInterface {
  public:
    UhidCommandInterface(std::uint16_t vendor, std::uint16_t product)
        : fd_(::open("/dev/uhid", O_RDWR | O_CLOEXEC | O_NONBLOCK)),
          stop_(::eventfd(0, EFD_CLOEXEC)) {
        const std::vector<std::uint8_t> descriptor =
            test::ReadHexFixture("linux/gaming-keyboard-interface1.hex");
        if (fd_ < 0 || stop_ < 0 || descriptor.size() > HID_MAX_DESCRIPTOR_SIZE)
            return;
        uhid_event event{};
        event.type = UHID_CREATE2;
        std::snprintf(reinterpret_cast<char*>(event.u.create2.name), sizeof event.u.create2.name,
                      "Keywright Test %04x:%04x", vendor, product);
        std::snprintf(reinterpret_cast<char*>(event.u.create2.phys), sizeof event.u.create2.phys,
                      "usb-keywright-test-%04x/input1", product);
        event.u.create2.rd_size = static_cast<std::uint16_t>(descriptor.size());
        event.u.create2.bus = BUS_USB;
        event.u.create2.vendor = vendor;
        event.u.create2.product = product;
        std::memcpy(event.u.create2.rd_data, descriptor.data(), descriptor.size());
        created_ = ::write(fd_, &event, sizeof event) == static_cast<ssize_t>(sizeof event);
        if (created_)
            thread_ = std::thread([this] { Serve(); });
    }
    ~UhidCommandInterface() {
        if (thread_.joinable()) {
            const std::uint64_t one = 1;
            [[maybe_unused]] const ssize_t n = ::write(stop_, &one, sizeof one);
            thread_.join();
        }
        if (fd_ >= 0) {
            uhid_event event{};
            event.type = UHID_DESTROY;
            [[maybe_unused]] const ssize_t n = ::write(fd_, &event, sizeof event);
            ::close(fd_);
        }
        if (stop_ >= 0)
            ::close(stop_);
    }
    UhidCommandInterface(const UhidCommandInterface&) = delete;
    UhidCommandInterface& operator=(const UhidCommandInterface&) = delete;

    bool Created() const { return created_; }

    // The reports so far, once there are at least `count` (or after a few
    // seconds: output reports reach the device after the writer has gone on).
    std::vector<std::string> Reports(std::size_t count = 0) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, 5s, [&] { return reports_.size() >= count; });
        return std::exchange(reports_, {});
    }

  private:
    void Serve() {
        for (;;) {
            pollfd fds[2] = {{stop_, POLLIN, 0}, {fd_, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 && errno != EINTR)
                return;
            if (fds[0].revents != 0)
                return;
            uhid_event event{};
            if (::read(fd_, &event, sizeof event) <= 0)
                continue;
            uhid_event reply{};
            switch (event.type) {
            case UHID_SET_REPORT:
                Record("set-feature " + Hex(event.u.set_report.data, event.u.set_report.size));
                reply.type = UHID_SET_REPORT_REPLY;
                reply.u.set_report_reply.id = event.u.set_report.id;
                Reply(reply);
                break;
            case UHID_GET_REPORT:
                Record("get-feature " + Hex(&event.u.get_report.rnum, 1));
                reply.type = UHID_GET_REPORT_REPLY;
                reply.u.get_report_reply.id = event.u.get_report.id;
                if (event.u.get_report.rnum == 7 &&
                    event.u.get_report.rtype == UHID_FEATURE_REPORT) {
                    reply.u.get_report_reply.size = kVersionReply.size();
                    std::memcpy(reply.u.get_report_reply.data, kVersionReply.data(),
                                kVersionReply.size());
                } else {
                    reply.u.get_report_reply.err = EIO;
                }
                Reply(reply);
                break;
            case UHID_OUTPUT:
                Record("output " + Hex(event.u.output.data, event.u.output.size));
                break;
            default:
                break;
            }
        }
    }
    void Reply(const uhid_event& reply) {
        [[maybe_unused]] const ssize_t n = ::write(fd_, &reply, sizeof reply);
    }
    void Record(std::string report) {
        {
            std::lock_guard lock(mutex_);
            reports_.push_back(std::move(report));
        }
        changed_.notify_all();
    }

    int fd_;
    int stop_;
    bool created_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> reports_; // guarded by mutex_
    std::thread thread_;
};

// The hidraw nodes of vendor:product, once there is one.
bool WaitForHidraw(std::uint16_t vendor, std::uint16_t product) {
    char id[32];
    std::snprintf(id, sizeof id, "HID_ID=0003:%08X:%08X", vendor, product);
    return LookUntilFound(
               [&]() -> std::optional<bool> {
                   namespace fs = std::filesystem;
                   std::error_code error;
                   for (const auto& node : fs::directory_iterator("/sys/class/hidraw", error)) {
                       std::ifstream uevent(node.path() / "device" / "uevent");
                       std::string line;
                       while (std::getline(uevent, line))
                           if (line == id && fs::exists("/dev" / node.path().filename()))
                               return true;
                   }
                   return std::nullopt;
               },
               3000ms, "hidraw")
        .has_value();
}

struct CtlRun {
    int exitCode = -1;
    std::string out; // standard output and error
};

// keywright-ctl with `args` on the temporary folder; `as` goes before it
// (a command that runs it as another user).
CtlRun Ctl(const std::string& args, const std::string& as = "") {
    CtlRun run;
    const std::string dir = std::filesystem::temp_directory_path().string();
    FILE* pipe =
        ::popen((as + KEYWRIGHT_CTL + " --dir " + dir + " " + args + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.out.append(buffer, n);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class KeyboardCommandsOnUhid : public testing::Test {
  protected:
    void SetUp() override {
        if (const std::string why = WhyNotWritable("/dev/uhid"); !why.empty())
            GTEST_SKIP() << "needs a writable /dev/uhid (" << why << ")";
    }
};

// Both supported products: listed with their row and the Windows form of
// the command collection's path, the version read, and each command's bytes
// on the wire.
TEST_F(KeyboardCommandsOnUhid, EachSupportedProductTakesEveryCommand) {
    const struct {
        std::uint16_t product;
        const char* row;
    } products[] = {{0x9FF6, "row 1  1a2c:9ff6  "}, {0x0116, "row 2  1a2c:0116  "}};
    for (const auto& product : products) {
        SCOPED_TRACE(product.row);
        UhidCommandInterface keyboard(0x1A2C, product.product);
        ASSERT_TRUE(keyboard.Created());
        ASSERT_TRUE(WaitForHidraw(0x1A2C, product.product)) << "no hidraw node appeared";

        const CtlRun list = Ctl("list");
        EXPECT_EQ(list.exitCode, 0) << list.out;
        char path[64];
        std::snprintf(path, sizeof path, "\\\\?\\hid#vid_1a2c&pid_%04x&mi_01&col07#",
                      product.product);
        EXPECT_TRUE(list.out.starts_with(std::string(product.row) + path)) << list.out;
        EXPECT_TRUE(list.out.ends_with("  firmware 1.2\n")) << list.out;
        EXPECT_EQ(keyboard.Reports(2), (std::vector<std::string>{
                                           "set-feature 07 f1 00 00 00 00 00 00",
                                           "get-feature 07",
                                       }));

        const struct {
            const char* args;
            const char* out;
            std::vector<std::string> reports;
        } commands[] = {
            {"version", "1.2\n", {"set-feature 07 f1 00 00 00 00 00 00", "get-feature 07"}},
            {"effect 5 --brightness 4 --speed 2", "", {"set-feature 07 ff ff 05 04 02 00 00"}},
            {"side 3 --level 5", "", {"set-feature 07 ff ff 20 00 00 53 00"}},
            {"factory-reset", "", {"output 07 f0 aa 00 00 00 00 00"}},
        };
        for (const auto& command : commands) {
            SCOPED_TRACE(command.args);
            const CtlRun run = Ctl(command.args);
            EXPECT_EQ(run.exitCode, 0) << run.out;
            EXPECT_EQ(run.out, command.out);
            EXPECT_EQ(keyboard.Reports(command.reports.size()), command.reports);
        }
    }
}

// A keyboard of another vendor, or another product of the vendor, with the
// very same interface, is left alone: not listed, not sent anything.
TEST_F(KeyboardCommandsOnUhid, DecoysAreLeftAlone) {
    UhidCommandInterface otherVendor(0x1A2D, 0x9FF6);
    UhidCommandInterface otherProduct(0x1A2C, 0x9FF7);
    ASSERT_TRUE(otherVendor.Created() && otherProduct.Created());
    ASSERT_TRUE(WaitForHidraw(0x1A2D, 0x9FF6) && WaitForHidraw(0x1A2C, 0x9FF7));
    for (const char* command : {"list", "version", "factory-reset"}) {
        SCOPED_TRACE(command);
        const CtlRun run = Ctl(command);
        EXPECT_EQ(run.exitCode, 3) << run.out;
        EXPECT_NE(run.out.find("no supported keyboard found"), std::string::npos) << run.out;
    }
    EXPECT_TRUE(otherVendor.Reports().empty());
    EXPECT_TRUE(otherProduct.Reports().empty());
}

// A user who may not open the keyboard's node is told what to do about it
// (exit code 4), and the keyboard is sent nothing.
TEST_F(KeyboardCommandsOnUhid, AUserWithoutAccessIsToldWhatToDo) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root, to become a user without access";
    UhidCommandInterface keyboard(0x1A2C, 0x9FF6);
    ASSERT_TRUE(keyboard.Created());
    ASSERT_TRUE(WaitForHidraw(0x1A2C, 0x9FF6));
    // nobody: without the udev rule the hidraw nodes are root's alone.
    for (const char* command : {"version", "factory-reset"}) {
        SCOPED_TRACE(command);
        const CtlRun run = Ctl(command, "setpriv --reuid=65534 --regid=65534 --clear-groups ");
        EXPECT_EQ(run.exitCode, 4) << run.out;
        EXPECT_NE(run.out.find("70-keywright.rules"), std::string::npos) << run.out;
    }
    EXPECT_TRUE(keyboard.Reports().empty());
}

} // namespace
} // namespace keywright::platform::lnx
