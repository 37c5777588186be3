#pragma once

#include "platform/base/Error.h"
#include "platform/base/Value.h"
#include "platform/ui/ViewController.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace ui {

class BarButtonItem;
class Label;
class ProductSheet;
class SheetBar;

class ProductSheetDelegate {
public:
    virtual ~ProductSheetDelegate() = default;
    // The user closed the store page; the delegate dismisses the sheet.
    virtual void productViewControllerDidFinish(ProductSheet& controller) { (void)controller; }
};

// The store's page of one product, shown modally. Loading reads the product's identifier
// from the parameters; the window shows the page: a bar with the title and Done, and the
// product it names. A sheet without a delegate dismisses itself when the user is done.
class ProductSheet : public ViewController {
public:
    using LoadCompletion =
        std::function<void(bool loaded, const std::optional<base::Error>& error)>;

    // The parameter that names the product: a positive number, or its digits as text.
    static constexpr const char* parameterITunesItemIdentifier = "id";
    static constexpr const char* errorDomain = "ProductSheetErrorDomain";

    ProductSheet();
    static std::shared_ptr<ProductSheet> create() { return std::make_shared<ProductSheet>(); }
    std::string className() const override { return "ProductSheet"; }

    std::shared_ptr<ProductSheetDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<ProductSheetDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    // Loads the product page; the completion runs on the next turn of the run loop, with an
    // error when the parameters name no product.
    void loadProductWithParameters(const base::Value::Dictionary& parameters,
                                   LoadCompletion completion = {});
    const std::optional<std::string>& productIdentifier() const { return productIdentifier_; }
    bool isLoaded() const { return loaded_; }

    // The user closes the page.
    void done();

    // The page's parts (made with the view).
    const std::shared_ptr<SheetBar>& bar() const { return bar_; }
    const std::shared_ptr<BarButtonItem>& doneButton() const { return doneButton_; }
    const std::shared_ptr<Label>& productLabel() const { return productLabel_; }

protected:
    void loadView() override;

private:
    std::string productText() const;

    std::shared_ptr<SheetBar> bar_;
    std::shared_ptr<BarButtonItem> doneButton_;
    std::shared_ptr<Label> productLabel_;
    std::weak_ptr<ProductSheetDelegate> delegate_;
    std::optional<std::string> productIdentifier_;
    bool loaded_ = false;
};

} // namespace ui
