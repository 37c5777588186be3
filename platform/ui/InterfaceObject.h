#pragma once

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/View.h"

#include <memory>
#include <type_traits>
#include <variant>

namespace ui {

class ViewController;

// One object an interface file makes or connects: a view, a bar button item or a view
// controller. Empty when default-constructed. The casts need ViewController complete:
// include ViewController.h where they are used.
class InterfaceObject {
public:
    InterfaceObject() = default;
    InterfaceObject(std::shared_ptr<View> view)
        : storage_(std::move(view)) {}
    InterfaceObject(std::shared_ptr<BarButtonItem> item)
        : storage_(std::move(item)) {}
    InterfaceObject(std::shared_ptr<ViewController> controller)
        : storage_(std::move(controller)) {}
    template <class T>
    requires(std::is_convertible_v<T*, View*> && !std::is_same_v<T, View>)
        InterfaceObject(std::shared_ptr<T> view)
        : storage_(std::shared_ptr<View>(std::move(view))) {}
    template <class T>
    requires(std::is_convertible_v<T*, ViewController*> && !std::is_same_v<T, ViewController>)
        InterfaceObject(std::shared_ptr<T> controller)
        : storage_(std::shared_ptr<ViewController>(std::move(controller))) {}

    bool empty() const { return address() == nullptr; }
    const void* address() const {
        return std::visit([](const auto& p) -> const void* { return p.get(); }, storage_);
    }

    // The object as a T (a class of the object's own kind: View or one of its subclasses,
    // BarButtonItem, ViewController or one of its subclasses), or null when it is not one.
    template <class T> std::shared_ptr<T> as() const {
        return std::visit(
            [](const auto& p) -> std::shared_ptr<T> {
                using Held = typename std::decay_t<decltype(p)>::element_type;
                if constexpr (std::is_convertible_v<Held*, T*>)
                    return p;
                else if constexpr (std::is_base_of_v<Held, T>)
                    return std::dynamic_pointer_cast<T>(p);
                else
                    return nullptr;
            },
            storage_);
    }
    // The object as any polymorphic class it may derive from (an owner interface a custom
    // view or controller implements, a table's data source), sharing the object's ownership.
    template <class T> std::shared_ptr<T> dynamicAs() const {
        return std::visit(
            [](const auto& p) -> std::shared_ptr<T> {
                using Held = typename std::decay_t<decltype(p)>::element_type;
                if constexpr (std::is_polymorphic_v<Held>) {
                    if (auto* cast = dynamic_cast<T*>(p.get()))
                        return std::shared_ptr<T>(p, cast);
                }
                return nullptr;
            },
            storage_);
    }

    friend bool operator==(const InterfaceObject& a, const InterfaceObject& b) {
        return a.address() == b.address();
    }

private:
    std::variant<std::shared_ptr<View>, std::shared_ptr<BarButtonItem>,
                 std::shared_ptr<ViewController>>
        storage_;
};

} // namespace ui
