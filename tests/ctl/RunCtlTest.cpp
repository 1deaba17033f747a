// keywright-ctl run, the key engine without the window: a child process
// driven by signals and watched line by line (POSIX).

#include "CtlFixture.h"
#include "engine/KeyEngineClaim.h"
#include "platform/linux/LinuxNamedLocks.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <sstream>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>

namespace keywright {
namespace {

// keywright-ctl with its standard output on a pipe that the test reads line
// by line while it runs: the test waits on the lines themselves.
class CtlChild {
  public:
    explicit CtlChild(const std::vector<std::string>& args) {
        int out[2];
        if (::pipe(out) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            std::vector<char*> argv{const_cast<char*>(KEYWRIGHT_CTL)};
            for (const std::string& arg : args)
                argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            ::execv(KEYWRIGHT_CTL, argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        out_ = ::fdopen(out[0], "r");
    }
    ~CtlChild() {
        if (pid_ > 0 && exitCode_ < -1) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_ != nullptr)
            std::fclose(out_);
    }

    // Reads lines until one contains `text`; every line read is kept in
    // Lines(). False at the end of the output.
    bool WaitForLine(std::string_view text) {
        char* line = nullptr;
        size_t size = 0;
        bool found = false;
        while (!found && out_ != nullptr && ::getline(&line, &size, out_) > 0) {
            lines_.emplace_back(line);
            found = lines_.back().find(text) != std::string::npos;
        }
        std::free(line);
        return found;
    }
    // Signals the child, reads the rest of its output and gives its exit code.
    int End(int signal) {
        ::kill(pid_, signal);
        WaitForLine("\n-- never printed --");
        int status = 0;
        ::waitpid(pid_, &status, 0);
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return exitCode_;
    }
    const std::vector<std::string>& Lines() const { return lines_; }

  private:
    pid_t pid_ = -1;
    FILE* out_ = nullptr;
    std::vector<std::string> lines_;
    int exitCode_ = -2;
};

// Only the virtual device's packets, in order.
std::string PacketsOf(const std::string& output) {
    std::string packets;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with("sim: deed:feed write"))
            packets += line + "\n";
    return packets;
}

class RunCtl : public AssignCtl {
  protected:
    CtlRun Play(const std::string& script, const std::string& redirect = "") const {
        folder.Write("keys.txt", script);
        return Run("--simulate run --sim-keys " + (folder.Path() / "keys.txt").string() + redirect);
    }
};

// What every run ends with: each report of the virtual device released,
// the filter's key table cleared, the reports released once more (a
// playback the last key started may have pressed something meanwhile).
std::string Teardown() {
    const std::string released = PacketLine({0x05, 0x01}) + PacketLine({0x05, 0x02}) +
                                 PacketLine({0x05, 0x03}) + PacketLine({0x05, 0x04});
    return released + "sim: filter ioctl 0022a000 (256 zero bytes)\n" + released;
}

// The virtual device's packets before the teardown.
std::string PlayedPackets(const CtlRun& run) {
    const std::string packets = PacketsOf(run.out);
    const std::string teardown = PacketsOf(Teardown());
    EXPECT_TRUE(packets.ends_with(teardown)) << "no clean teardown";
    return packets.substr(0, packets.size() - std::min(packets.size(), teardown.size()));
}

// A key acting as another key follows its presses; a macro plays whole, and
// run ends only after it (two turns of A with 120 ms between down and up)
// is out; an unassigned key produces nothing here (the filter passes it).
TEST_F(RunCtl, APlayedScriptDrivesTheAssignedOutputs) {
    ASSERT_EQ(Run("assign F2 --key b").exitCode, 0);
    ASSERT_EQ(Run("assign F1 --macro spam --play 2 --repeat 2").exitCode, 0);

    const CtlRun key = Play("# F2 acts as B\nF2 down\n30ms\nF2 up\n");
    EXPECT_EQ(key.exitCode, 0);
    EXPECT_EQ(PlayedPackets(key), PacketLine({0x05, 0x01, 0x00, 0x20}) + PacketLine({0x05, 0x01}));
    EXPECT_TRUE(key.out.ends_with(Teardown()));

    const CtlRun macro = Play("F1 down\n  F1 up  \n\n");
    EXPECT_EQ(macro.exitCode, 0);
    const std::string turn = PacketLine({0x05, 0x01, 0x00, 0x10}) + PacketLine({0x05, 0x01});
    // The macro's own release of A, then the engine's release of what it pressed.
    EXPECT_EQ(PlayedPackets(macro), turn + turn + PacketLine({0x05, 0x01}));

    const CtlRun plain = Play("A down\nA up\n");
    EXPECT_EQ(plain.exitCode, 0);
    EXPECT_EQ(PlayedPackets(plain), "");
}

TEST_F(RunCtl, BadScriptsAndArgumentsExitWithUsage) {
    for (const char* script : {"F1 sideways\n", "F1\n", "30\n", "-5ms\n", "600001ms\n",
                               "NoSuchKey down\n", "F1 down up\n", "0x10000004 down\n"}) {
        SCOPED_TRACE(script);
        EXPECT_EQ(Play(std::string("A down\n") + script, " 2>/dev/null").exitCode, 2);
    }
    for (const char* args : {"run --sim-keys", "run now", "run --sim-keys /nonexistent x"}) {
        SCOPED_TRACE(args);
        EXPECT_EQ(Run(std::string("--simulate ") + args + " 2>/dev/null").exitCode, 2);
    }
    // The script plays into the simulated filter only.
    EXPECT_EQ(Run("run --sim-keys /dev/null 2>/dev/null").exitCode, 2);
    EXPECT_EQ(Run("--simulate run --sim-keys /nonexistent/keys 2>/dev/null").exitCode, 1);
}

// The window and run never drive the keys together: whichever comes second
// says so and ends. The claim is the named lock every Keywright process on
// the machine sees.
TEST_F(RunCtl, ASecondDriverOfTheKeysSaysSoAndEnds) {
    platform::lnx::LinuxNamedLocks locks;
    const auto lock = locks.Open(KeyEngineClaim::kLockName);
    ASSERT_TRUE(lock->TryLock()) << "a Keywright key engine runs on this machine";
    const CtlRun run = Run("run 2>&1");
    lock->Unlock();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("already drives the keyboard's keys"), std::string::npos) << run.out;
}

// Until interrupted, run picks up a changed record.xml and sends the filter
// the new key table; SIGTERM ends it cleanly, the key table cleared.
TEST_F(RunCtl, ReloadsChangedAssignmentsAndEndsCleanlyOnSigterm) {
    CtlChild run({"--simulate", "run", "--dir", folder.Path().string()});
    ASSERT_TRUE(run.WaitForLine("0022a000 (1024 zero bytes)")) << "no first key table";
    ASSERT_EQ(Run("assign F2 --key b").exitCode, 0);
    ASSERT_TRUE(run.WaitForLine("0022a000 3b 00 07")) << "the change was not picked up";
    EXPECT_EQ(run.End(SIGTERM), 0);
    std::string output;
    for (const std::string& line : run.Lines())
        output += line;
    EXPECT_TRUE(output.ends_with(Teardown())) << output;
}
} // namespace
} // namespace keywright
