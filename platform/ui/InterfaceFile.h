#pragma once

#include "platform/base/Error.h"
#include "platform/base/Result.h"
#include "platform/base/Value.h"
#include "platform/ui/InterfaceObject.h"

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ui {

// An interface file that could not be loaded, for callers that cannot return an error
// (ViewController::loadView).
class InterfaceFileError : public std::runtime_error {
public:
    explicit InterfaceFileError(base::Error error)
        : std::runtime_error(error.localizedDescription())
        , error_(std::move(error)) {}
    const base::Error& error() const { return error_; }

private:
    base::Error error_;
};

// Interface files: resources/<name>.ui.json, a JSON description of objects to make and connect.
//
//   {
//     "objects": [ OBJECT, ... ],          top-level objects, returned in this order
//     "outlets": { "view": "root", ... }   the owner's outlets: outlet name -> object id
//   }
//   OBJECT = {
//     "class": "Button",                   a registered class name (required)
//     "id": "reload",                      unique in the file; what outlets and actions name
//     "properties": { "frame": [x, y, w, h], "title": "Go", ... },
//     "subviews": [ OBJECT, ... ],         views only, back to front
//     "items": [ OBJECT, ... ],            a toolbar's bar button items
//     "outlets": { "controller": "@owner", "statusBarView": "strip" },
//                                          outlets of this object itself (it must be an
//                                          InterfaceFileOwner, or a table view's "dataSource"
//                                          and "delegate")
//     "actions": { "touchUpInside": "gotoAddress",
//                  "touchDown": { "target": "cell", "action": "deleteItem" } }
//                                          control event -> action of the owner (or of the
//                                          object named by "target"); a bar button item
//                                          uses the event name "action"
//   }
//
// Property values: numbers, booleans and strings as JSON gives them; rectangles [x, y, w, h];
// sizes [w, h]; insets [top, left, bottom, right]; colours [r, g, b] or [r, g, b, a] from 0
// to 1, "#rrggbb", "#rrggbbaa" or one of "clear", "black", "white", "gray", "lightGray",
// "darkGray", "red", "green", "blue"; fonts a point size (system font) or {"family": ...,
// "size": ..., "bold": ..., "italic": ...}; images a resource name; enumerations their
// numeric value. The properties each class understands are listed in InterfaceFile.cpp.
//
// "@owner" names the owner. Loading fails as a whole with a clear error (domain errorDomain,
// the file and the offending name in the description) for a missing file, malformed JSON, an
// unknown class, property, object id, outlet or action, or a value of the wrong kind: a
// screen is never built halfway without saying so.
class InterfaceFile {
public:
    static constexpr const char* errorDomain = "InterfaceFileErrorDomain";
    enum ErrorCode : long {
        FileNotFound = 1,
        Malformed = 2,
        UnknownClass = 3,
        UnknownProperty = 4,
        BadValue = 5,
        UnknownObject = 6,
        UnknownOutlet = 7,
        UnknownAction = 8,
    };

    // Makes an object of a class; gets the object's properties (some classes take values at
    // creation, such as a button's type).
    using Factory = std::function<InterfaceObject(const base::Value::Dictionary& properties)>;
    // Sets one property; false when the class has no property of that name. A value of the
    // wrong kind throws std::invalid_argument with the reason.
    using PropertySetter = std::function<bool(const InterfaceObject& object,
                                              const std::string& name, const base::Value& value)>;

    InterfaceFile() = delete;

    // Registers (or replaces) a class. Properties unknown to the class's own setter go to its
    // superclass's, up to "View" or "ViewController". Every class of this library is
    // registered under its C++ name.
    static void registerClass(std::string name, std::string superclass, Factory factory,
                              PropertySetter setter = {});
    static bool isClassRegistered(std::string_view name);

    // Loads resources/<name>.ui.json from the main bundle, connecting outlets and actions to
    // `owner` (which may be empty when the file names no owner). Returns the top-level
    // objects.
    static base::Result<std::vector<InterfaceObject>> load(std::string_view name,
                                                           const InterfaceObject& owner = {});
    static base::Result<std::vector<InterfaceObject>> loadFile(const std::filesystem::path& path,
                                                               const InterfaceObject& owner = {});
    // The same from text; `fileName` names it in errors.
    static base::Result<std::vector<InterfaceObject>>
    loadJSON(std::string_view text, std::string_view fileName, const InterfaceObject& owner = {});

    // An error of errorDomain about the file.
    static base::Error makeError(std::string_view fileName, std::string_view message,
                                 long code = Malformed);

    // For an owner's loadView, once its file has loaded: throws InterfaceFileError
    // (UnknownOutlet) naming the first outlet the owner cannot work without that the file left
    // unconnected. `outlets` pairs each such outlet's name with whether it is connected;
    // `owner` says what the owner is in the message ("the bookmarks list").
    static void requireOutlets(std::string_view fileName, std::string_view owner,
                               std::initializer_list<std::pair<std::string_view, bool>> outlets);
};

} // namespace ui
