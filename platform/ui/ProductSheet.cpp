#include "platform/ui/ProductSheet.h"

#include "platform/base/RunLoop.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Label.h"
#include "platform/ui/Screen.h"
#include "platform/ui/SheetBar.h"

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
    if (productLabel_)
        productLabel_->setText(productText());
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

std::string ProductSheet::productText() const {
    return productIdentifier_ ? "Product " + *productIdentifier_ : "No product";
}

void ProductSheet::loadView() {
    const Rect bounds = Screen::mainScreen().bounds();
    auto root = View::create(bounds);
    root->setBackgroundColor(Color::whiteColor());
    std::weak_ptr<ViewController> weak = weak_from_this();
    doneButton_ = BarButtonItem::createWithSystemItem(BarButtonSystemItem::Done);
    doneButton_->setAction(this, "done", [weak](BarButtonItem&) {
        if (auto self = std::static_pointer_cast<ProductSheet>(weak.lock()))
            self->done();
    });
    bar_ = SheetBar::create(Rect(0, Screen::statusBarHeight, bounds.width(), SheetBar::height));
    bar_->setAutoresizingMask(ViewAutoresizingFlexibleWidth);
    bar_->setTitle(title());
    bar_->setItems({}, {doneButton_});
    root->addSubview(bar_);
    productLabel_ = Label::create(Rect(8, bar_->frame().maxY() + 16, bounds.width() - 16, 30));
    productLabel_->setAutoresizingMask(ViewAutoresizingFlexibleWidth);
    productLabel_->setText(productText());
    root->addSubview(productLabel_);
    setView(root);
}

void ProductSheet::done() {
    auto keepAlive = shared_from_this();
    if (auto delegate = delegate_.lock())
        delegate->productViewControllerDidFinish(*this);
    else
        dismissViewControllerAnimated(true);
}

} // namespace ui
