#pragma once

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <string_view>

namespace keywright::ctl {

inline bool SameLetters(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

// The index of the entry named `name`: the exact spelling first, then the
// only one that matches ignoring case. nullopt when none is, or when the
// match ignoring case is not unique.
template <typename List, typename NameOf>
std::optional<std::size_t> FindByName(const List& list, std::string_view name, NameOf nameOf) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (nameOf(list[i]) == name)
            return i;
    std::optional<std::size_t> found;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (!SameLetters(nameOf(list[i]), name))
            continue;
        if (found)
            return std::nullopt;
        found = i;
    }
    return found;
}

// The entries' names, quoted, for "unknown ...; the file has ..." messages.
template <typename List, typename NameOf>
std::string Names(const List& list, NameOf nameOf) {
    std::string text;
    for (const auto& entry : list)
        text += (text.empty() ? "" : ", ") + ("\"" + std::string(nameOf(entry)) + "\"");
    return text.empty() ? "none" : text;
}

} // namespace keywright::ctl
