#pragma once

#include <string>

namespace keywright::test {

struct ProgramRun {
    int exitCode = -1; // -1 when the program did not run or did not end normally
    std::string out;   // its standard output; standard error goes to the test log
};

// Runs `program` with `arguments` through the system's command interpreter,
// as a user at a prompt would, and waits for it to end.
ProgramRun RunProgram(const std::string& program, const std::string& arguments);

} // namespace keywright::test
