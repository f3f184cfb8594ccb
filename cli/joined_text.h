#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

// Text constants joined at compile time, so that help texts can share parts
// and still be plain constants.
template <const std::string_view&... Parts>
class JoinedText {
    static constexpr std::size_t kSize = (Parts.size() + ... + 0);
    static constexpr std::array<char, kSize> kJoined = [] {
        std::array<char, kSize> joined{};
        auto at = joined.begin();
        ((at = std::copy(Parts.begin(), Parts.end(), at)), ...);
        return joined;
    }();

public:
    static constexpr std::string_view value{kJoined.data(), kJoined.size()};
};
