#include "platform/ui/InterfaceFile.h"

#include "platform/base/AppHome.h"
#include "platform/base/Bundle.h"
#include "platform/base/JSON.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/Control.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/InterfaceFileOwner.h"
#include "platform/ui/Label.h"
#include "platform/ui/ProgressView.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/WebView.h"

#include <map>
#include <mutex>
#include <optional>
#include <set>

namespace ui {

namespace {

using base::Value;
using Dictionary = base::Value::Dictionary;

struct ClassInfo {
    std::string superclass;
    InterfaceFile::Factory factory;
    InterfaceFile::PropertySetter setter;
};

// --- Reading property values. Each throws std::invalid_argument with the reason.

[[noreturn]] void badValue(const std::string& expected) {
    throw std::invalid_argument("expected " + expected);
}

double number(const Value& value) {
    if (!value.isNumber() || value.isBool())
        badValue("a number");
    return value.doubleValue();
}

std::int64_t integer(const Value& value) {
    if (!value.isNumber() || value.isBool())
        badValue("an integer");
    return value.integerValue();
}

bool boolean(const Value& value) {
    if (!value.isBool())
        badValue("true or false");
    return value.boolValue();
}

std::string text(const Value& value) {
    if (!value.isString())
        badValue("a string");
    return *value.string();
}

std::vector<double> numbers(const Value& value, std::size_t count, const std::string& what) {
    const auto* array = value.array();
    if (!array || array->size() != count)
        badValue(what);
    std::vector<double> out;
    for (const auto& item : *array)
        out.push_back(number(item));
    return out;
}

Rect rect(const Value& value) {
    auto n = numbers(value, 4, "a rectangle [x, y, width, height]");
    return Rect(n[0], n[1], n[2], n[3]);
}

Size size(const Value& value) {
    auto n = numbers(value, 2, "a size [width, height]");
    return Size(n[0], n[1]);
}

EdgeInsets insets(const Value& value) {
    auto n = numbers(value, 4, "insets [top, left, bottom, right]");
    return EdgeInsets(n[0], n[1], n[2], n[3]);
}

Color color(const Value& value) {
    if (const auto* name = value.string()) {
        static const std::map<std::string, Color> named = {
            {"clear", Color::clearColor()},
            {"black", Color::blackColor()},
            {"white", Color::whiteColor()},
            {"gray", Color::grayColor()},
            {"lightGray", Color::lightGrayColor()},
            {"darkGray", Color::darkGrayColor()},
            {"red", Color::redColor()},
            {"green", Color::greenColor()},
            {"blue", Color::blueColor()},
        };
        if (auto found = named.find(*name); found != named.end())
            return found->second;
        const std::string& hex = *name;
        if ((hex.size() == 7 || hex.size() == 9) && hex[0] == '#' &&
            hex.find_first_not_of("0123456789abcdefABCDEF", 1) == std::string::npos) {
            auto component = [&](std::size_t at) {
                return std::stoi(hex.substr(at, 2), nullptr, 16) / 255.0;
            };
            return Color(component(1), component(3), component(5),
                         hex.size() == 9 ? component(7) : 1.0);
        }
        badValue("a colour name or #rrggbb / #rrggbbaa");
    }
    const auto* array = value.array();
    if (!array || (array->size() != 3 && array->size() != 4))
        badValue("a colour [r, g, b] or [r, g, b, a]");
    std::vector<double> c;
    for (const auto& item : *array)
        c.push_back(number(item));
    return Color(c[0], c[1], c[2], c.size() == 4 ? c[3] : 1.0);
}

Font font(const Value& value) {
    if (value.isNumber() && !value.isBool())
        return Font::systemFont(value.doubleValue());
    const auto* dictionary = value.dictionary();
    if (!dictionary)
        badValue("a point size or {\"family\", \"size\", \"bold\", \"italic\"}");
    Font font = Font::systemFont(17);
    for (const auto& [key, item] : *dictionary) {
        if (key == "family")
            font.family = text(item);
        else if (key == "size")
            font.pointSize = number(item);
        else if (key == "bold")
            font.bold = boolean(item);
        else if (key == "italic")
            font.italic = boolean(item);
        else
            badValue("a font without the key \"" + key + "\"");
    }
    return font;
}

std::shared_ptr<Image> image(const Value& value) {
    auto name = text(value);
    auto found = Image::named(name);
    if (!found)
        throw std::invalid_argument("no image resource named \"" + name + "\"");
    return found;
}

template <class Enum> Enum enumeration(const Value& value) {
    return static_cast<Enum>(integer(value));
}

// --- The classes of this library.

bool setViewProperty(View& view, const std::string& name, const Value& value) {
    if (name == "frame")
        view.setFrame(rect(value));
    else if (name == "backgroundColor")
        view.setBackgroundColor(color(value));
    else if (name == "hidden")
        view.setHidden(boolean(value));
    else if (name == "alpha")
        view.setAlpha(number(value));
    else if (name == "tag")
        view.setTag(integer(value));
    else if (name == "autoresizingMask")
        view.setAutoresizingMask(static_cast<AutoresizingMask>(integer(value)));
    else if (name == "clipsToBounds")
        view.setClipsToBounds(boolean(value));
    else if (name == "userInteractionEnabled")
        view.setUserInteractionEnabled(boolean(value));
    else if (name == "opaque")
        view.setOpaque(boolean(value));
    else if (name == "contentMode")
        view.setContentMode(enumeration<ContentMode>(value));
    else if (name == "accessibilityLabel")
        view.setAccessibilityLabel(text(value));
    else if (name == "tintColor")
        view.setTintColor(color(value));
    else if (name == "cornerRadius")
        view.layer().cornerRadius = number(value);
    else if (name == "borderWidth")
        view.layer().borderWidth = number(value);
    else if (name == "borderColor")
        view.layer().borderColor = color(value);
    else
        return false;
    return true;
}

bool setLabelProperty(Label& label, const std::string& name, const Value& value) {
    if (name == "text")
        label.setText(text(value));
    else if (name == "textColor")
        label.setTextColor(color(value));
    else if (name == "font")
        label.setFont(font(value));
    else if (name == "textAlignment")
        label.setTextAlignment(enumeration<TextAlignment>(value));
    else if (name == "numberOfLines")
        label.setNumberOfLines(static_cast<int>(integer(value)));
    else if (name == "lineBreakMode")
        label.setLineBreakMode(enumeration<LineBreakMode>(value));
    else if (name == "adjustsFontSizeToFitWidth")
        label.setAdjustsFontSizeToFitWidth(boolean(value));
    else
        return false;
    return true;
}

bool setControlProperty(Control& control, const std::string& name, const Value& value) {
    if (name == "enabled")
        control.setEnabled(boolean(value));
    else if (name == "selected")
        control.setSelected(boolean(value));
    else if (name == "highlighted")
        control.setHighlighted(boolean(value));
    else if (name == "contentHorizontalAlignment")
        control.setContentHorizontalAlignment(
            enumeration<ControlContentHorizontalAlignment>(value));
    else if (name == "contentVerticalAlignment")
        control.setContentVerticalAlignment(enumeration<ControlContentVerticalAlignment>(value));
    else
        return false;
    return true;
}

bool setButtonProperty(Button& button, const std::string& name, const Value& value) {
    if (name == "buttonType")
        integer(value); // taken at creation
    else if (name == "title")
        button.setTitle(text(value), ControlStateNormal);
    else if (name == "highlightedTitle")
        button.setTitle(text(value), ControlStateHighlighted);
    else if (name == "selectedTitle")
        button.setTitle(text(value), ControlStateSelected);
    else if (name == "titleColor")
        button.setTitleColor(color(value), ControlStateNormal);
    else if (name == "highlightedTitleColor")
        button.setTitleColor(color(value), ControlStateHighlighted);
    else if (name == "image")
        button.setImage(image(value), ControlStateNormal);
    else if (name == "backgroundImage")
        button.setBackgroundImage(image(value), ControlStateNormal);
    else if (name == "font")
        button.titleLabel()->setFont(font(value));
    else if (name == "contentEdgeInsets")
        button.setContentEdgeInsets(insets(value));
    else if (name == "titleEdgeInsets")
        button.setTitleEdgeInsets(insets(value));
    else if (name == "imageEdgeInsets")
        button.setImageEdgeInsets(insets(value));
    else
        return false;
    return true;
}

bool setTextFieldProperty(TextField& field, const std::string& name, const Value& value) {
    if (name == "text")
        field.setText(text(value));
    else if (name == "placeholder")
        field.setPlaceholder(text(value));
    else if (name == "font")
        field.setFont(font(value));
    else if (name == "textColor")
        field.setTextColor(color(value));
    else if (name == "textAlignment")
        field.setTextAlignment(enumeration<TextAlignment>(value));
    else if (name == "borderStyle")
        field.setBorderStyle(enumeration<TextBorderStyle>(value));
    else if (name == "clearButtonMode")
        field.setClearButtonMode(enumeration<TextFieldViewMode>(value));
    else if (name == "keyboardType")
        field.setKeyboardType(enumeration<KeyboardType>(value));
    else if (name == "returnKeyType")
        field.setReturnKeyType(enumeration<ReturnKeyType>(value));
    else if (name == "secureTextEntry")
        field.setSecureTextEntry(boolean(value));
    else if (name == "autocorrectionType")
        field.setAutocorrectionType(enumeration<TextAutocorrectionType>(value));
    else if (name == "autocapitalizationType")
        field.setAutocapitalizationType(enumeration<TextAutocapitalizationType>(value));
    else
        return false;
    return true;
}

bool setScrollViewProperty(ScrollView& scroll, const std::string& name, const Value& value) {
    if (name == "contentSize")
        scroll.setContentSize(size(value));
    else if (name == "contentInset")
        scroll.setContentInset(insets(value));
    else if (name == "scrollEnabled")
        scroll.setScrollEnabled(boolean(value));
    else if (name == "bounces")
        scroll.setBounces(boolean(value));
    else if (name == "pagingEnabled")
        scroll.setPagingEnabled(boolean(value));
    else if (name == "scrollsToTop")
        scroll.setScrollsToTop(boolean(value));
    else if (name == "showsVerticalScrollIndicator")
        scroll.setShowsVerticalScrollIndicator(boolean(value));
    else if (name == "showsHorizontalScrollIndicator")
        scroll.setShowsHorizontalScrollIndicator(boolean(value));
    else
        return false;
    return true;
}

bool setBarButtonItemProperty(BarButtonItem& item, const std::string& name, const Value& value) {
    if (name == "systemItem")
        integer(value); // taken at creation
    else if (name == "title")
        item.setTitle(text(value));
    else if (name == "image")
        item.setImage(image(value));
    else if (name == "style")
        item.setStyle(enumeration<BarButtonItemStyle>(value));
    else if (name == "enabled")
        item.setEnabled(boolean(value));
    else if (name == "tag")
        item.setTag(integer(value));
    else if (name == "width")
        item.setWidth(number(value));
    else if (name == "tintColor")
        item.setTintColor(color(value));
    else if (name == "accessibilityLabel")
        item.setAccessibilityLabel(text(value));
    else
        return false;
    return true;
}

// A setter for the properties of class T, found on objects that are (at least) a T.
template <class T, class Fn> InterfaceFile::PropertySetter setterFor(Fn fn) {
    return [fn](const InterfaceObject& object, const std::string& name, const Value& value) {
        auto typed = object.as<T>();
        return typed && fn(*typed, name, value);
    };
}

const Value* optionalKey(const Dictionary& properties, const std::string& key) {
    auto found = properties.find(key);
    return found == properties.end() ? nullptr : &found->second;
}

class Registry {
public:
    static Registry& shared() {
        static Registry registry;
        return registry;
    }

    void add(std::string name, ClassInfo info) {
        std::lock_guard lock(mutex_);
        classes_[std::move(name)] = std::move(info);
    }
    std::optional<ClassInfo> find(std::string_view name) const {
        std::lock_guard lock(mutex_);
        auto found = classes_.find(std::string(name));
        if (found == classes_.end())
            return std::nullopt;
        return found->second;
    }

private:
    Registry() { registerBuiltIns(); }

    void registerBuiltIns() {
        auto add = [this](std::string name, std::string superclass, InterfaceFile::Factory f,
                          InterfaceFile::PropertySetter s = {}) {
            classes_[std::move(name)] =
                ClassInfo{std::move(superclass), std::move(f), std::move(s)};
        };
        add(
            "View", "", [](const Dictionary&) { return InterfaceObject(View::create()); },
            setterFor<View>(setViewProperty));
        add(
            "Label", "View", [](const Dictionary&) { return InterfaceObject(Label::create()); },
            setterFor<Label>(setLabelProperty));
        add(
            "Control", "View", [](const Dictionary&) { return InterfaceObject(Control::create()); },
            setterFor<Control>(setControlProperty));
        add(
            "Button", "Control",
            [](const Dictionary& properties) {
                auto type = ButtonType::Custom;
                if (const auto* value = optionalKey(properties, "buttonType"))
                    type = enumeration<ButtonType>(*value);
                return InterfaceObject(Button::create(type));
            },
            setterFor<Button>(setButtonProperty));
        add(
            "TextField", "Control",
            [](const Dictionary&) { return InterfaceObject(std::make_shared<TextField>()); },
            setterFor<TextField>(setTextFieldProperty));
        add(
            "ImageView", "View",
            [](const Dictionary&) { return InterfaceObject(ImageView::create()); },
            setterFor<ImageView>([](ImageView& view, const std::string& name, const Value& value) {
                if (name == "image")
                    view.setImage(image(value));
                else if (name == "highlightedImage")
                    view.setHighlightedImage(image(value));
                else
                    return false;
                return true;
            }));
        add(
            "ScrollView", "View",
            [](const Dictionary&) { return InterfaceObject(ScrollView::create()); },
            setterFor<ScrollView>(setScrollViewProperty));
        add(
            "TableView", "ScrollView",
            [](const Dictionary& properties) {
                auto style = TableViewStyle::Plain;
                if (const auto* value = optionalKey(properties, "style"))
                    style = enumeration<TableViewStyle>(*value);
                return InterfaceObject(TableView::create(Rect(), style));
            },
            setterFor<TableView>([](TableView& table, const std::string& name, const Value& value) {
                if (name == "style")
                    integer(value); // taken at creation
                else if (name == "rowHeight")
                    table.setRowHeight(number(value));
                else
                    return false;
                return true;
            }));
        add(
            "TableViewCell", "View",
            [](const Dictionary& properties) {
                auto style = TableViewCellStyle::Default;
                if (const auto* value = optionalKey(properties, "style"))
                    style = enumeration<TableViewCellStyle>(*value);
                return InterfaceObject(TableViewCell::create(style));
            },
            setterFor<TableViewCell>(
                [](TableViewCell& cell, const std::string& name, const Value& value) {
                    if (name == "style")
                        integer(value); // taken at creation
                    else if (name == "reuseIdentifier")
                        cell.setReuseIdentifier(text(value));
                    else
                        return false;
                    return true;
                }));
        add("Toolbar", "View",
            [](const Dictionary&) { return InterfaceObject(Toolbar::create()); });
        add(
            "ProgressView", "View",
            [](const Dictionary&) { return InterfaceObject(ProgressView::create()); },
            setterFor<ProgressView>(
                [](ProgressView& view, const std::string& name, const Value& value) {
                    if (name == "progress")
                        view.setProgress(number(value));
                    else if (name == "progressViewStyle")
                        view.setProgressViewStyle(enumeration<ProgressViewStyle>(value));
                    else
                        return false;
                    return true;
                }));
        add(
            "ActivityIndicatorView", "View",
            [](const Dictionary&) { return InterfaceObject(ActivityIndicatorView::create()); },
            setterFor<ActivityIndicatorView>(
                [](ActivityIndicatorView& view, const std::string& name, const Value& value) {
                    if (name == "activityIndicatorViewStyle")
                        view.setStyle(enumeration<ActivityIndicatorViewStyle>(value));
                    else if (name == "hidesWhenStopped")
                        view.setHidesWhenStopped(boolean(value));
                    else
                        return false;
                    return true;
                }));
        add(
            "WebView", "View", [](const Dictionary&) { return InterfaceObject(WebView::create()); },
            setterFor<WebView>([](WebView& view, const std::string& name, const Value& value) {
                if (name == "scalesPageToFit")
                    view.setScalesPageToFit(boolean(value));
                else
                    return false;
                return true;
            }));
        add(
            "BarButtonItem", "",
            [](const Dictionary& properties) {
                if (const auto* value = optionalKey(properties, "systemItem"))
                    return InterfaceObject(BarButtonItem::createWithSystemItem(
                        enumeration<BarButtonSystemItem>(*value)));
                return InterfaceObject(
                    BarButtonItem::createWithTitle({}, BarButtonItemStyle::Bordered));
            },
            setterFor<BarButtonItem>(setBarButtonItemProperty));
        add(
            "ViewController", "",
            [](const Dictionary&) { return InterfaceObject(ViewController::create()); },
            setterFor<ViewController>(
                [](ViewController& controller, const std::string& name, const Value& value) {
                    if (name == "title")
                        controller.setTitle(text(value));
                    else if (name == "preferredContentSize")
                        controller.setPreferredContentSize(size(value));
                    else
                        return false;
                    return true;
                }));
    }

    mutable std::mutex mutex_;
    std::map<std::string, ClassInfo, std::less<>> classes_;
};

const std::map<std::string, ControlEvents>& controlEventNames() {
    static const std::map<std::string, ControlEvents> names = {
        {"touchDown", ControlEventTouchDown},
        {"touchDownRepeat", ControlEventTouchDownRepeat},
        {"touchDragInside", ControlEventTouchDragInside},
        {"touchDragOutside", ControlEventTouchDragOutside},
        {"touchDragEnter", ControlEventTouchDragEnter},
        {"touchDragExit", ControlEventTouchDragExit},
        {"touchUpInside", ControlEventTouchUpInside},
        {"touchUpOutside", ControlEventTouchUpOutside},
        {"touchCancel", ControlEventTouchCancel},
        {"valueChanged", ControlEventValueChanged},
        {"editingDidBegin", ControlEventEditingDidBegin},
        {"editingChanged", ControlEventEditingChanged},
        {"editingDidEnd", ControlEventEditingDidEnd},
        {"editingDidEndOnExit", ControlEventEditingDidEndOnExit},
    };
    return names;
}

// One load: builds the objects, then connects them.
class Loader {
public:
    Loader(std::string fileName, InterfaceObject owner)
        : fileName_(std::move(fileName))
        , owner_(std::move(owner)) {}

    base::Result<std::vector<InterfaceObject>> run(const Value& root) {
        try {
            const auto* top = root.dictionary();
            if (!top)
                fail("the file holds no JSON object", InterfaceFile::Malformed);
            for (const auto& [key, value] : *top)
                if (key != "objects" && key != "outlets")
                    fail("unknown top-level key \"" + key + "\"", InterfaceFile::Malformed);
            const auto* objects = (*top).count("objects") ? top->at("objects").array() : nullptr;
            if (!objects)
                fail("\"objects\" must be an array of objects", InterfaceFile::Malformed);
            std::vector<InterfaceObject> made;
            for (const auto& description : *objects)
                made.push_back(build(description));
            auto ownerOutlets = top->find("outlets");
            connectPending(ownerOutlets == top->end() ? nullptr : &ownerOutlets->second);
            return made;
        } catch (const LoadFailure& failure) {
            return failure.error;
        }
    }

private:
    struct LoadFailure {
        base::Error error;
    };
    struct PendingOutlets {
        InterfaceObject object;
        std::string className;
        std::string objectName;
        const Value* outlets;
    };
    struct PendingActions {
        InterfaceObject object;
        std::string objectName;
        const Value* actions;
    };

    [[noreturn]] void fail(const std::string& message, long code) {
        throw LoadFailure{InterfaceFile::makeError(fileName_, message, code)};
    }

    InterfaceObject build(const Value& description) {
        const auto* object = description.dictionary();
        if (!object)
            fail("every object must be a JSON object", InterfaceFile::Malformed);
        static const std::set<std::string> keys = {"class", "id",      "properties", "subviews",
                                                   "items", "outlets", "actions"};
        for (const auto& [key, value] : *object)
            if (!keys.count(key))
                fail("unknown object key \"" + key + "\"", InterfaceFile::Malformed);
        const auto* className = (*object).count("class") ? object->at("class").string() : nullptr;
        if (!className)
            fail("an object has no \"class\"", InterfaceFile::Malformed);
        std::string id;
        if (auto found = object->find("id"); found != object->end()) {
            if (!found->second.string() || found->second.string()->empty() ||
                found->second.string()->front() == '@')
                fail("an id must be a non-empty string not starting with \"@\"",
                     InterfaceFile::Malformed);
            id = *found->second.string();
            if (ids_.count(id))
                fail("the id \"" + id + "\" is used twice", InterfaceFile::Malformed);
        }
        const std::string objectName = "\"" + (id.empty() ? *className : id) + "\"";

        auto info = Registry::shared().find(*className);
        if (!info)
            fail("unknown class \"" + *className + "\"", InterfaceFile::UnknownClass);
        Dictionary properties;
        if (auto found = object->find("properties"); found != object->end()) {
            if (!found->second.dictionary())
                fail("the properties of " + objectName + " must be a JSON object",
                     InterfaceFile::Malformed);
            properties = *found->second.dictionary();
        }
        InterfaceObject made;
        try {
            made = info->factory(properties);
        } catch (const std::exception& e) {
            fail("cannot make " + objectName + ": " + e.what(), InterfaceFile::BadValue);
        }
        if (made.empty())
            fail("the class \"" + *className + "\" made no object", InterfaceFile::UnknownClass);
        if (!id.empty())
            ids_[id] = made;

        for (const auto& [name, value] : properties)
            setProperty(made, *className, objectName, name, value);

        if (auto found = object->find("subviews"); found != object->end()) {
            auto view = made.as<View>();
            const auto* subviews = found->second.array();
            if (!view || !subviews)
                fail(objectName + " cannot have subviews", InterfaceFile::Malformed);
            for (const auto& child : *subviews) {
                auto subview = build(child).as<View>();
                if (!subview)
                    fail("a subview of " + objectName + " is not a view", InterfaceFile::Malformed);
                view->addSubview(subview);
            }
        }
        if (auto found = object->find("items"); found != object->end()) {
            auto toolbar = made.as<Toolbar>();
            const auto* items = found->second.array();
            if (!toolbar || !items)
                fail(objectName + " cannot have items", InterfaceFile::Malformed);
            std::vector<std::shared_ptr<BarButtonItem>> barItems;
            for (const auto& child : *items) {
                auto item = build(child).as<BarButtonItem>();
                if (!item)
                    fail("an item of " + objectName + " is not a bar button item",
                         InterfaceFile::Malformed);
                barItems.push_back(item);
            }
            toolbar->setItems(std::move(barItems));
        }
        if (auto found = object->find("outlets"); found != object->end())
            pendingOutlets_.push_back({made, *className, objectName, &found->second});
        if (auto found = object->find("actions"); found != object->end())
            pendingActions_.push_back({made, objectName, &found->second});
        return made;
    }

    void setProperty(const InterfaceObject& object, const std::string& className,
                     const std::string& objectName, const std::string& name, const Value& value) {
        for (auto current = Registry::shared().find(className); current;
             current = current->superclass.empty() ? std::nullopt
                                                   : Registry::shared().find(current->superclass)) {
            if (!current->setter)
                continue;
            try {
                if (current->setter(object, name, value))
                    return;
            } catch (const std::invalid_argument& e) {
                fail("the property \"" + name + "\" of " + objectName + ": " + e.what(),
                     InterfaceFile::BadValue);
            }
        }
        fail("unknown property \"" + name + "\" of " + objectName + " (class " + className + ")",
             InterfaceFile::UnknownProperty);
    }

    InterfaceObject resolve(const Value& reference, const std::string& context) {
        const auto* name = reference.string();
        if (!name)
            fail(context + " must name an object id or \"@owner\"", InterfaceFile::Malformed);
        if (*name == "@owner") {
            if (owner_.empty())
                fail(context + " names the owner, but the file was loaded without one",
                     InterfaceFile::UnknownObject);
            return owner_;
        }
        auto found = ids_.find(*name);
        if (found == ids_.end())
            fail(context + " names the unknown object \"" + *name + "\"",
                 InterfaceFile::UnknownObject);
        return found->second;
    }

    void connectOwnerOutlets(const Value& outlets) {
        const auto* entries = outlets.dictionary();
        if (!entries)
            fail("\"outlets\" must map outlet names to object ids", InterfaceFile::Malformed);
        if (entries->empty())
            return;
        auto owner = owner_.dynamicAs<InterfaceFileOwner>();
        if (!owner)
            fail("the file connects outlets but was loaded without an owner that takes them",
                 InterfaceFile::UnknownOutlet);
        for (const auto& [name, reference] : *entries) {
            auto target = resolve(reference, "the owner's outlet \"" + name + "\"");
            if (!owner->setOutlet(name, target))
                fail("the owner has no outlet \"" + name + "\" for that object",
                     InterfaceFile::UnknownOutlet);
        }
    }

    bool setBuiltInOutlet(const InterfaceObject& object, const std::string& name,
                          const InterfaceObject& target) {
        auto table = object.as<TableView>();
        if (!table)
            return false;
        if (name == "dataSource") {
            auto dataSource = target.dynamicAs<TableViewDataSource>();
            if (!dataSource)
                return false;
            table->setDataSource(dataSource);
            return true;
        }
        if (name == "delegate") {
            auto delegate = target.dynamicAs<TableViewDelegate>();
            if (!delegate)
                return false;
            table->setDelegate(delegate);
            return true;
        }
        return false;
    }

    void connectPending(const Value* ownerOutlets) {
        // Actions are looked up before anything is connected, so that a missing one leaves
        // no outlet set.
        struct Resolved {
            InterfaceObject source;
            std::string objectName;
            std::string event;
            std::string actionName;
            const void* targetAddress;
            InterfaceFileOwner::Action action;
        };
        std::vector<Resolved> actions;
        for (const auto& pending : pendingActions_) {
            const auto* entries = pending.actions->dictionary();
            if (!entries)
                fail("the actions of " + pending.objectName + " must be a JSON object",
                     InterfaceFile::Malformed);
            for (const auto& [event, binding] : *entries) {
                InterfaceObject target = owner_;
                std::string actionName;
                if (const auto* name = binding.string()) {
                    actionName = *name;
                    if (owner_.empty())
                        fail("the action \"" + actionName + "\" of " + pending.objectName +
                                 " goes to the owner, but the file was loaded without one",
                             InterfaceFile::UnknownAction);
                } else if (const auto* detailed = binding.dictionary()) {
                    const auto* name =
                        detailed->count("action") ? detailed->at("action").string() : nullptr;
                    if (!name || detailed->size() > 2 ||
                        (detailed->size() == 2 && !detailed->count("target")))
                        fail("an action of " + pending.objectName +
                                 " must be {\"action\": name, \"target\": id}",
                             InterfaceFile::Malformed);
                    actionName = *name;
                    if (detailed->count("target"))
                        target = resolve(detailed->at("target"),
                                         "the target of the action \"" + actionName + "\"");
                } else {
                    fail("an action of " + pending.objectName + " must be a name or an object",
                         InterfaceFile::Malformed);
                }
                if (pending.object.as<Control>()) {
                    if (!controlEventNames().count(event))
                        fail("unknown control event \"" + event + "\" of " + pending.objectName,
                             InterfaceFile::Malformed);
                } else if (pending.object.as<BarButtonItem>()) {
                    if (event != "action")
                        fail("a bar button item sends only \"action\", not \"" + event + "\"",
                             InterfaceFile::Malformed);
                } else {
                    fail(pending.objectName + " sends no actions", InterfaceFile::Malformed);
                }
                auto receiver = target.dynamicAs<InterfaceFileOwner>();
                InterfaceFileOwner::Action action;
                if (receiver)
                    action = receiver->actionNamed(actionName);
                if (!action)
                    fail("no action \"" + actionName + "\" for " + pending.objectName,
                         InterfaceFile::UnknownAction);
                actions.push_back({pending.object, pending.objectName, event, actionName,
                                   target.address(), std::move(action)});
            }
        }
        if (ownerOutlets)
            connectOwnerOutlets(*ownerOutlets);
        for (const auto& pending : pendingOutlets_) {
            const auto* entries = pending.outlets->dictionary();
            if (!entries)
                fail("the outlets of " + pending.objectName + " must be a JSON object",
                     InterfaceFile::Malformed);
            auto receiver = pending.object.dynamicAs<InterfaceFileOwner>();
            for (const auto& [name, reference] : *entries) {
                auto target =
                    resolve(reference, "the outlet \"" + name + "\" of " + pending.objectName);
                bool connected = setBuiltInOutlet(pending.object, name, target);
                if (!connected && receiver)
                    connected = receiver->setOutlet(name, target);
                if (!connected)
                    fail(pending.objectName + " (class " + pending.className +
                             ") has no outlet \"" + name + "\" for that object",
                         InterfaceFile::UnknownOutlet);
            }
        }
        for (auto& resolved : actions) {
            auto action = std::move(resolved.action);
            if (auto control = resolved.source.as<Control>()) {
                control->addAction(
                    resolved.targetAddress, resolved.actionName,
                    [action](Control& sender, const Event*) {
                        action(InterfaceObject(sender.shared_from_this()));
                    },
                    controlEventNames().at(resolved.event));
            } else if (auto item = resolved.source.as<BarButtonItem>()) {
                item->setAction(resolved.targetAddress, resolved.actionName,
                                [action](BarButtonItem& sender) {
                                    action(InterfaceObject(sender.shared_from_this()));
                                });
            }
        }
    }

    std::string fileName_;
    InterfaceObject owner_;
    std::map<std::string, InterfaceObject> ids_;
    std::vector<PendingOutlets> pendingOutlets_;
    std::vector<PendingActions> pendingActions_;
};

} // namespace

void InterfaceFile::registerClass(std::string name, std::string superclass, Factory factory,
                                  PropertySetter setter) {
    Registry::shared().add(std::move(name),
                           ClassInfo{std::move(superclass), std::move(factory), std::move(setter)});
}

bool InterfaceFile::isClassRegistered(std::string_view name) {
    return Registry::shared().find(name).has_value();
}

base::Error InterfaceFile::makeError(std::string_view fileName, std::string_view message,
                                     long code) {
    return base::Error::make(errorDomain, code,
                             "Interface file \"" + std::string(fileName) +
                                 "\": " + std::string(message));
}

void InterfaceFile::requireOutlets(
    std::string_view fileName, std::string_view owner,
    std::initializer_list<std::pair<std::string_view, bool>> outlets) {
    for (const auto& [name, connected] : outlets) {
        if (!connected)
            throw InterfaceFileError(makeError(fileName,
                                               "the outlet \"" + std::string(name) + "\" of " +
                                                   std::string(owner) + " is not connected",
                                               UnknownOutlet));
    }
}

base::Result<std::vector<InterfaceObject>> InterfaceFile::load(std::string_view name,
                                                               const InterfaceObject& owner) {
    auto path = base::Bundle::main().pathForResource(name, "ui.json");
    if (!path)
        return makeError(std::string(name) + ".ui.json", "no such resource", FileNotFound);
    return loadFile(*path, owner);
}

base::Result<std::vector<InterfaceObject>>
InterfaceFile::loadFile(const std::filesystem::path& path, const InterfaceObject& owner) {
    const std::string fileName = path.filename().string();
    auto data = base::readFile(path);
    if (!data)
        return makeError(fileName, data.error().localizedDescription(), FileNotFound);
    return loadJSON(data->toString(), fileName, owner);
}

base::Result<std::vector<InterfaceObject>> InterfaceFile::loadJSON(std::string_view text,
                                                                   std::string_view fileName,
                                                                   const InterfaceObject& owner) {
    auto root = base::parseJSON(text);
    if (!root)
        return makeError(fileName, root.error().localizedDescription(), Malformed);
    return Loader(std::string(fileName), owner).run(*root);
}

} // namespace ui
