#include "platform/ui/ProductSheet.h"

#include "platform/base/RunLoop.h"

#include <cmath>

namespace ui {

namespace {

std::optional<std::string> identifierFrom(const base::Value& value) {
    if (const auto* text = value.string()) {
        if (!text->empty() && text->find_first_not_of("0123456789") == std::string::npos &&
            text->find_first_not_of('0') != std::string::npos)
            return *text;
        return std::nullopt;
    }
    if (value.isNumber() && !value.isBool()) {
        const double number = value.doubleValue();
        if (number >= 1 && number == std::floor(number) && number < 1e18)
            return std::to_string(static_cast<long long>(number));
    }
    return std::nullopt;
}

} // namespace

ProductSheet::ProductSheet() {
    setTitle("Store");
}

void ProductSheet::loadProductWithParameters(const base::Value::Dictionary& parameters,
                                             LoadCompletion completion) {
    std::optional<std::string> identifier;
    if (auto found = parameters.find(parameterITunesItemIdentifier); found != parameters.end())
        identifier = identifierFrom(found->second);
    productIdentifier_ = identifier;
    loaded_ = identifier.has_value();
    std::optional<base::Error> error;
    if (!identifier)
        error = base::Error::make(errorDomain, 0,
                                  "The parameters name no product (\"id\" must be a positive "
                                  "number).");
    if (!completion)
        return;
    auto self = shared_from_this();
    base::RunLoop::main().dispatch(
        [self, completion = std::move(completion), error] { completion(!error, error); });
}

void ProductSheet::done() {
    auto keepAlive = shared_from_this();
    if (auto delegate = delegate_.lock())
        delegate->productViewControllerDidFinish(*this);
    else
        dismissViewControllerAnimated(true);
}

} // namespace ui
