#pragma once

#include "platform/base/Error.h"
#include "platform/base/Value.h"
#include "platform/ui/Application.h"
#include "platform/ui/Geometry.h"

#include <string_view>

// {"x", "y", "w", "h"} of the standardised rectangle, as doubles.
base::Value::Dictionary VDCompactDictionaryFromCGRect(const ui::Rect& rect);
// {"x", "y", "width", "height"} of the rectangle's origin and size as they are (a negative
// width stays negative), as doubles.
base::Value::Dictionary VDDictionaryFromCGRect(const ui::Rect& rect);
// The rectangle of such a dictionary. When "x", "y", "width" or "height" is missing or not a
// number: the zero rectangle, and in `error` (when given) an error of domain
// "cg_rect_conversion", code 1, "Invalid SDK Core rectangle <dictionary>.".
ui::Rect VDCGRectFromDictionary(const base::Value::Dictionary& dictionary,
                                base::Error* error = nullptr);

// Screen coordinates turned to follow the interface: before system 8 the screen's coordinates
// stay in portrait whatever the interface's orientation, from 8 on they turn with it. So the
// rectangle comes back unchanged on system 8 or later and for orientations other than upside
// down and the two landscapes; otherwise, with W and H the screen's width and height:
//   upside down:     (W − maxX, H − maxY, width, height)
//   landscape right: (minY, W − maxX, height, width)
//   landscape left:  (H − maxY, minX, height, width)
ui::Rect VDRectForInterfaceOrientation(const ui::Rect& rect, const ui::Rect& screenBounds,
                                       ui::InterfaceOrientation orientation);

// VDRectForInterfaceOrientation with the status bar's orientation and the main screen's
// bounds, both read on the main thread (synchronously, from any thread).
ui::Rect VDInterfaceOrientedRect(const ui::Rect& rect);

// "any" → 30, "portrait" → 6, "landscape" → 24; anything else → 0.
ui::InterfaceOrientationMask VDInterfaceOrientationMaskFromString(std::string_view text);
// Whether bit `orientation` of the mask is set (false for values outside the mask's bits).
bool VDInterfaceOrientationMaskContainsOrientation(ui::InterfaceOrientationMask mask,
                                                   ui::InterfaceOrientation orientation);
