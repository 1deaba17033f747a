#include "ctl/KeyScript.h"

#include "ctl/Arguments.h"
#include "ctl/AssignCli.h"

namespace keywright::ctl {
namespace {

constexpr int kLongestPauseMs = 600000;

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

} // namespace

std::optional<std::vector<KeyScriptStep>> ParseKeyScript(std::string_view text,
                                                         std::string& problem) {
    std::vector<KeyScriptStep> steps;
    int number = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++number;
        if (line.empty() || line.front() == '#')
            continue;
        const auto fail = [&](const std::string& why) {
            problem = "line " + std::to_string(number) + ": " + why;
            return std::nullopt;
        };
        const auto blank = line.find_first_of(" \t");
        if (blank == std::string_view::npos) {
            if (!line.ends_with("ms"))
                return fail("expected \"KEY down\", \"KEY up\" or a pause such as \"30ms\", not '" +
                            std::string(line) + "'");
            const auto ms = ParseNumber(line.substr(0, line.size() - 2), 0, kLongestPauseMs);
            if (!ms)
                return fail("a pause takes whole milliseconds from 0 to " +
                            std::to_string(kLongestPauseMs));
            steps.push_back({0, false, std::chrono::milliseconds(*ms)});
            continue;
        }
        const std::string_view name = line.substr(0, blank);
        const std::string_view state = Trim(line.substr(blank));
        if (state != "down" && state != "up")
            return fail("a key goes \"down\" or \"up\", not '" + std::string(state) + "'");
        const auto code = ParseKey(name);
        if (!code)
            return fail("unknown key '" + std::string(name) + "'");
        if (PageOf(*code) > 0xFF)
            return fail("the filter reports no key on page " + std::to_string(PageOf(*code)));
        steps.push_back({*code, state == "down", {}});
    }
    return steps;
}

} // namespace keywright::ctl
