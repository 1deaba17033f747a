#include "support/RunProgram.h"

#include <cstdio>
#include <sys/wait.h>

namespace keywright::test {

ProgramRun RunProgram(const std::string& program, const std::string& arguments) {
    ProgramRun run;
    FILE* pipe = ::popen((program + " " + arguments).c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.out.append(buffer, n);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace keywright::test
