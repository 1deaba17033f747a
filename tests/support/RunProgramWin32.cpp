#include "support/RunProgram.h"

#include <cstdio>
#include <filesystem>

namespace keywright::test {

// Text mode, so the line ends read as on other systems ("\n").
// cmd.exe takes a leading '/' for a switch: the program path goes in the
// system's own form, and quoted. The outer quotes are the ones cmd /c strips.
ProgramRun RunProgram(const std::string& program, const std::string& arguments) {
    ProgramRun run;
    const std::string path = std::filesystem::path(program).make_preferred().string();
    FILE* pipe = ::_popen(("\"\"" + path + "\" " + arguments + "\"").c_str(), "rt");
    if (!pipe)
        return run;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.out.append(buffer, n);
    run.exitCode = ::_pclose(pipe);
    return run;
}

} // namespace keywright::test
