#pragma once

#include <memory>
#include <string>
#include <string_view>

// Optional classes of the host program by name: services the ads client uses only when the
// program is built with them (an analytics tracker, a tag-manager settings service), which
// register themselves here under their names. What a name stands for is the registered
// object; a user takes it only when it offers the operations it needs, which it checks by
// asking for its interface (classNamed<T>). Any thread.
class VDClassRegistry {
public:
    // What is registered: an object offering, through the interfaces it derives from, what its
    // users need.
    class Class {
    public:
        virtual ~Class() = default;
    };

    VDClassRegistry() = delete;

    // Registers (or replaces) the object under the name; null removes the name.
    static void registerClass(std::string name, std::shared_ptr<Class> object);
    // Null when nothing is registered under the name.
    static std::shared_ptr<Class> classNamed(std::string_view name);
    // Null, too, when the object does not offer the interface T.
    template <class T> static std::shared_ptr<T> classNamed(std::string_view name) {
        return std::dynamic_pointer_cast<T>(classNamed(name));
    }

    // Forgets every registration (tests).
    static void resetForTesting();
};
