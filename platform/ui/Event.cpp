#include "platform/ui/Event.h"

#include "platform/ui/View.h"

namespace ui {

TouchSet Event::touchesForView(const View* view) const {
    TouchSet result;
    for (const auto& touch : touches_)
        if (touch && touch->view().get() == view)
            result.push_back(touch);
    return result;
}

} // namespace ui
