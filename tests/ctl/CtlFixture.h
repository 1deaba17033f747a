#pragma once

// keywright-ctl run as a user runs it, on copies of whole settings folders.

#include "support/RunProgram.h"
#include "support/TempFolder.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <initializer_list>
#include <string>

namespace keywright {

using test::ReadFixture;
using test::TempFolder;

using CtlRun = test::ProgramRun;

// Runs keywright-ctl with `args`; standard error goes to the test log.
inline CtlRun Ctl(const std::string& args) {
    return test::RunProgram(KEYWRIGHT_CTL, args);
}

// The 64 bytes of a virtual-device packet as the simulated device prints them.
inline std::string PacketLine(std::initializer_list<unsigned> head) {
    std::string line = "sim: deed:feed write";
    char hex[4];
    for (size_t i = 0; i < 64; ++i) {
        std::snprintf(hex, sizeof hex, " %02x", i < head.size() ? head.begin()[i] : 0u);
        line += hex;
    }
    return line + "\n";
}

// A folder with config.xml's media keys and combinations and macro.xml's
// group, as a user keeps them.
class AssignCtl : public ::testing::Test {
  protected:
    AssignCtl() {
        folder.Write("config.xml", ReadFixture("handwritten/config.xml"));
        folder.Write("macro.xml", ReadFixture("handwritten/macro.xml"));
    }
    CtlRun Run(const std::string& args) const {
        return Ctl(args + " --dir " + folder.Path().string());
    }

    TempFolder folder;
};

} // namespace keywright
