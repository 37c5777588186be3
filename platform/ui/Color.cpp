#include "platform/ui/Color.h"

#include <sstream>

namespace ui {

std::string Color::description() const {
    std::ostringstream out;
    out << "RGBA(" << red << ' ' << green << ' ' << blue << ' ' << alpha << ')';
    return out.str();
}

} // namespace ui
