#include "platform/ui/IndexPath.h"

namespace ui {

std::string IndexPath::description() const {
    return "[" + std::to_string(section) + ", " + std::to_string(row) + "]";
}

} // namespace ui
