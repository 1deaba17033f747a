#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace keywright::test {

// An annotated hex fixture under tests/data (`path` relative to it): hex
// bytes separated by blanks, '#' to the end of a line a comment. Throws when
// the fixture is missing or holds a word that is not a hex byte.
inline std::vector<std::uint8_t> ReadHexFixture(const std::string& path) {
    std::ifstream in(std::filesystem::path(KEYWRIGHT_TEST_DATA) / path);
    if (!in)
        throw std::runtime_error("missing fixture " + path);
    std::vector<std::uint8_t> bytes;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line.substr(0, line.find('#')));
        std::string word;
        while (words >> word) {
            std::size_t used = 0;
            const unsigned long value = std::stoul(word, &used, 16);
            if (used != word.size() || value > 0xFF)
                throw std::runtime_error("fixture " + path + ": not a hex byte: " + word);
            bytes.push_back(static_cast<std::uint8_t>(value));
        }
    }
    return bytes;
}

} // namespace keywright::test
