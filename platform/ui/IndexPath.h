#pragma once

#include <compare>
#include <cstddef>
#include <string>

namespace ui {

// A row in a section of a table.
struct IndexPath {
    std::size_t section = 0;
    std::size_t row = 0;

    static constexpr IndexPath forRow(std::size_t row, std::size_t section = 0) {
        return IndexPath{section, row};
    }
    std::string description() const; // "[section, row]"

    friend constexpr auto operator<=>(const IndexPath&, const IndexPath&) = default;
};

} // namespace ui
