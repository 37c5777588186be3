#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <typeinfo>
#include <unordered_set>

// A weak reference that can live in sets. Two references are equal when they were made from
// the same object. Identity is the object's ownership (the shared_ptr control block, which
// cannot be reused while any reference to it exists) together with its address, so a new
// object that happens to get the address of a dead one never matches, and a reference whose
// object is gone still equals itself and its copies (a set can find and drop it) and nothing
// else. Safe to read from any thread.
class VDWeakReference {
public:
    struct Hash {
        std::size_t operator()(const VDWeakReference& reference) const {
            return std::hash<std::uintptr_t>()(reference.uniqueID_);
        }
    };
    using Set = std::unordered_set<VDWeakReference, Hash>;

    // nullopt for a null object.
    template <class T>
    static std::optional<VDWeakReference> createWithObject(const std::shared_ptr<T>& object) {
        if (!object)
            return std::nullopt;
        return VDWeakReference(std::shared_ptr<const void>(object), object.get(), typeid(T));
    }

    // The object, or null once it has gone.
    std::shared_ptr<const void> weakObject() const { return object_.lock(); }
    // The object as the type it was made with; null once it has gone or for another type.
    template <class T> std::shared_ptr<T> weakObjectAs() const {
        if (*type_ != typeid(T))
            return nullptr;
        return std::const_pointer_cast<T>(std::static_pointer_cast<const T>(object_.lock()));
    }
    // The object's address when the reference was made: a hash, not an identity.
    std::uintptr_t uniqueID() const { return uniqueID_; }
    std::size_t hash() const { return Hash()(*this); }
    bool isEqual(const VDWeakReference& other) const;
    friend bool operator==(const VDWeakReference& a, const VDWeakReference& b) {
        return a.isEqual(b);
    }

    // "<VDWeakReference: 0x… weakObject:0x… uniqueID:0x…>" (weakObject "(null)" once gone).
    std::string description() const;

    // Whether the set holds a reference to this living object (false for null).
    template <class T>
    static bool setContainsObject(const Set& set, const std::shared_ptr<T>& object) {
        auto reference = createWithObject(object);
        return reference && set.contains(*reference);
    }

private:
    VDWeakReference(const std::shared_ptr<const void>& object, const void* address,
                    const std::type_info& type);

    std::weak_ptr<const void> object_;
    std::uintptr_t uniqueID_;
    const std::type_info* type_;
};
