#pragma once

#include "platform/store/Context.h"
#include "platform/store/Object.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/ViewController.h"

#include <memory>
#include <string>
#include <string_view>
#include <variant>

// What the bookmarks list and its two forms do alike. Main thread only.

// A row of the bookmarks list: a Folder or Bookmark object, or the text "Bookmarks" that stands
// for the top level in picking mode. A bookmark form keeps the folder picked as one.
using BookmarkListItem = std::variant<std::string, std::shared_ptr<store::Object>>;

// The title of the list, and the name the screens give the top level.
inline constexpr const char* bookmarksTopLevelTitle = "Bookmarks";

// The object of a row, or null for the "Bookmarks" row.
const std::shared_ptr<store::Object>& objectOf(const BookmarkListItem& item);

// The size each of them asks for in a popover.
inline constexpr ui::Size bookmarkScreenContentSize{320, 480};

// A screen that was handed no context takes the application delegate's and keeps it; the
// console line says what it got. Does nothing when `context` is set already.
void takeDelegateContextIfNone(std::shared_ptr<store::Context>& context);

// The text of the object's attribute; empty when the attribute holds no text.
std::string textValue(const store::Object& object, std::string_view key);

// The controller just below `controller` on its navigation stack, or null.
std::shared_ptr<ui::ViewController> controllerBelow(const ui::ViewController& controller);

// The object at the selected row of the bookmarks list just below `controller` on its
// navigation stack, when it is of the entity ("Folder" or "Bookmark"); else null.
std::shared_ptr<store::Object> selectedObjectInListBelow(const ui::ViewController& controller,
                                                         std::string_view entity);

// Puts the view of `to` in place of the view of `from` in a cross-dissolve of 0.5 s, as the
// browser screen and the bookmarks screen take turns in the window; both controllers (and the
// screens inside them) hear that they disappear and appear.
void crossDissolve(const std::shared_ptr<ui::ViewController>& from,
                   const std::shared_ptr<ui::ViewController>& to);

// An alert with the title, the message and an "OK" button.
void showFailureAlert(const std::string& title, const std::string& message);

// Saves the context. When the store refuses, every unsaved change is undone, so that a later
// save does not write it after all, and an alert with `failureTitle` gives the store's reason.
// True when saved.
bool saveOrReport(store::Context& context, const std::string& failureTitle);
