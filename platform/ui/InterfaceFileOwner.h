#pragma once

#include "platform/ui/InterfaceObject.h"

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace ui {

// An object that an interface file connects things to: the file's owner, or an object of the
// file with outlets or actions of its own (a custom root view, a table cell).
class InterfaceFileOwner {
public:
    // An action receives the object that sent it (a control or a bar button item).
    using Action = std::function<void(const InterfaceObject& sender)>;

    virtual ~InterfaceFileOwner() = default;

    // Connects the outlet `name` to `object`. False when there is no such outlet or the
    // object is not of the outlet's kind; the file then fails to load.
    virtual bool setOutlet(const std::string& name, const InterfaceObject& object) {
        (void)name;
        (void)object;
        return false;
    }
    // The action called `name` (without a trailing colon), or an empty function when there
    // is none; the file then fails to load.
    virtual Action actionNamed(const std::string& name) {
        (void)name;
        return {};
    }
};

// Helpers for owners: most outlets just hold their object, and most actions just call one
// member function of the owner.
//
//     bool Screen::setOutlet(const std::string& name, const ui::InterfaceObject& object) {
//         static const ui::NamedOutlet<Screen> outlets[] = {
//             {"goButton", ui::memberOutlet<&Screen::goButton_>}, ...};
//         return ui::bindOutlet(*this, name, object, outlets).value_or(false);
//     }
//     ui::InterfaceFileOwner::Action Screen::actionNamed(const std::string& name) {
//         static const ui::NamedAction<Screen> actions[] = {{"go", &Screen::go}, ...};
//         return ui::bindAction(*this, name, actions);
//     }
//
// connectOutlet fills the slot when `object` is a T and says whether it did; an object of
// another kind leaves the slot as it was. A weak slot suits a back-reference to an object
// that owns the owner. memberOutlet does the same for a member slot of the owner, and an
// outlet table names them; an entry may also be a function of the owner's own (an outlet that
// makes something of the object). bindOutlet connects the named entry, or gives nullopt for a
// name the table does not hold (a base class may know it).
//
// bindAction finds `name` in the table and binds the member function to the owner weakly: a
// control must not keep the owner of its file alive, and its action does nothing once the
// owner is gone. The owner must already belong to a shared_ptr (as it does while its file
// loads); it is reached through its shared_from_this. An unknown name gives an empty action.
template <class T> bool connectOutlet(std::shared_ptr<T>& slot, const InterfaceObject& object) {
    auto typed = object.as<T>();
    if (!typed)
        return false;
    slot = std::move(typed);
    return true;
}

template <class T> bool connectOutlet(std::weak_ptr<T>& slot, const InterfaceObject& object) {
    auto typed = object.as<T>();
    if (!typed)
        return false;
    slot = typed;
    return true;
}

template <class M> struct MemberOwner;
template <class T, class Slot> struct MemberOwner<Slot T::*> { using type = T; };

template <auto Member>
bool memberOutlet(typename MemberOwner<decltype(Member)>::type& owner,
                  const InterfaceObject& object) {
    return connectOutlet(owner.*Member, object);
}

template <class T>
using NamedOutlet = std::pair<std::string_view, bool (*)(T& owner, const InterfaceObject& object)>;

template <class T>
std::optional<bool> bindOutlet(T& owner, std::string_view name, const InterfaceObject& object,
                               std::type_identity_t<std::span<const NamedOutlet<T>>> table) {
    for (const auto& [outletName, connect] : table)
        if (outletName == name)
            return connect(owner, object);
    return std::nullopt;
}

template <class T>
using NamedAction = std::pair<std::string_view, void (T::*)(const InterfaceObject& sender)>;

template <class T>
InterfaceFileOwner::Action bindAction(T& owner, std::string_view name,
                                      std::type_identity_t<std::span<const NamedAction<T>>> table) {
    for (const auto& [actionName, method] : table) {
        if (actionName != name)
            continue;
        // Shares the ownership of the whole object, whichever base holds shared_from_this.
        std::weak_ptr<T> weak = std::shared_ptr<T>(owner.shared_from_this(), &owner);
        return [weak, method = method](const InterfaceObject& sender) {
            if (auto self = weak.lock())
                ((*self).*method)(sender);
        };
    }
    return {};
}

} // namespace ui
