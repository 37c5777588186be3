#pragma once

#include <cmath>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

namespace ui {

// Points and sizes in points (not pixels), doubles as the platform's geometry.
struct Point {
    double x = 0;
    double y = 0;

    constexpr Point() = default;
    constexpr Point(double x, double y)
        : x(x)
        , y(y) {}

    friend constexpr bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;

    constexpr Size() = default;
    constexpr Size(double width, double height)
        : width(width)
        , height(height) {}

    std::string description() const; // "{w, h}"

    friend constexpr bool operator==(const Size&, const Size&) = default;
};

// Reads the text form of a size, "{w, h}" (blanks around the numbers allowed); the zero size
// for anything else, non-finite numbers included.
Size sizeFromString(std::string_view text);

// Margins inside a rectangle: top, left, bottom, right, in the platform's order.
struct EdgeInsets {
    double top = 0;
    double left = 0;
    double bottom = 0;
    double right = 0;

    constexpr EdgeInsets() = default;
    constexpr EdgeInsets(double top, double left, double bottom, double right)
        : top(top)
        , left(left)
        , bottom(bottom)
        , right(right) {}

    friend constexpr bool operator==(const EdgeInsets&, const EdgeInsets&) = default;
};

// A rectangle: origin and size. A negative width or height is allowed and reads as the
// standardised rectangle in the min/max helpers, as the platform's do. The "null" rectangle
// (the result of intersecting rectangles that do not meet) has an infinite origin.
struct Rect {
    Point origin;
    Size size;

    constexpr Rect() = default;
    constexpr Rect(Point origin, Size size)
        : origin(origin)
        , size(size) {}
    constexpr Rect(double x, double y, double width, double height)
        : origin(x, y)
        , size(width, height) {}

    static constexpr Rect zero() { return Rect(); }
    static Rect null();
    bool isNull() const;

    double minX() const { return size.width < 0 ? origin.x + size.width : origin.x; }
    double maxX() const { return size.width < 0 ? origin.x : origin.x + size.width; }
    double midX() const { return origin.x + size.width / 2; }
    double minY() const { return size.height < 0 ? origin.y + size.height : origin.y; }
    double maxY() const { return size.height < 0 ? origin.y : origin.y + size.height; }
    double midY() const { return origin.y + size.height / 2; }
    double width() const { return std::fabs(size.width); }
    double height() const { return std::fabs(size.height); }
    Point center() const { return Point(midX(), midY()); }

    // Same rectangle with a non-negative width and height.
    Rect standardized() const;
    // Null, or no area (zero width or zero height).
    bool isEmpty() const;
    // Smallest rectangle with whole-number edges that contains this one.
    Rect integral() const;

    // The overlap of the two, or the null rectangle when they do not meet. Rectangles that
    // only share an edge give a rectangle without area, not null.
    Rect intersection(const Rect& other) const;
    bool intersects(const Rect& other) const;
    // The smallest rectangle holding both; a null rectangle is ignored.
    Rect unionWith(const Rect& other) const;
    // Inside means minX <= x < maxX and minY <= y < maxY: a point on the far edges is out.
    bool containsPoint(Point point) const;
    bool containsRect(const Rect& other) const;

    Rect offsetBy(double dx, double dy) const;
    // Shrinks by dx on the left and right and dy on the top and bottom (grows when negative).
    Rect insetBy(double dx, double dy) const;
    Rect insetBy(const EdgeInsets& insets) const;
    // The smallest rectangle holding the four corners, each taken through `map` (a transform or
    // a conversion between coordinate spaces). The null rectangle stays null.
    Rect boundsOfMappedCorners(const std::function<Point(Point)>& map) const;

    std::string description() const; // "{{x, y}, {w, h}}"

    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

// An affine transform, x' = a·x + c·y + tx, y' = b·x + d·y + ty, as the platform's.
struct AffineTransform {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    constexpr AffineTransform() = default;
    constexpr AffineTransform(double a, double b, double c, double d, double tx, double ty)
        : a(a)
        , b(b)
        , c(c)
        , d(d)
        , tx(tx)
        , ty(ty) {}

    static constexpr AffineTransform identity() { return AffineTransform(); }
    // Counter-clockwise in a y-up system, so clockwise on screen (y goes down), by angle radians.
    static AffineTransform rotation(double angle);
    static constexpr AffineTransform scale(double sx, double sy) {
        return AffineTransform(sx, 0, 0, sy, 0, 0);
    }
    static constexpr AffineTransform translation(double tx, double ty) {
        return AffineTransform(1, 0, 0, 1, tx, ty);
    }

    bool isIdentity() const { return *this == AffineTransform(); }
    // This transform followed by `then`.
    AffineTransform concat(const AffineTransform& then) const;
    AffineTransform rotated(double angle) const { return rotation(angle).concat(*this); }
    AffineTransform scaled(double sx, double sy) const { return scale(sx, sy).concat(*this); }
    AffineTransform translated(double tx, double ty) const {
        return translation(tx, ty).concat(*this);
    }
    // The inverse; a transform that cannot be inverted is returned unchanged, as the platform.
    AffineTransform inverted() const;

    Point apply(Point point) const;
    // Applies the linear part only (no translation), as the platform's size helper.
    Size apply(Size size) const;
    // The bounding box of the transformed rectangle.
    Rect apply(const Rect& rect) const;

    friend constexpr bool operator==(const AffineTransform&, const AffineTransform&) = default;
};

// Readable output for logs and test failures.
std::ostream& operator<<(std::ostream& out, const Point& point);
std::ostream& operator<<(std::ostream& out, const Size& size);
std::ostream& operator<<(std::ostream& out, const Rect& rect);
std::ostream& operator<<(std::ostream& out, const EdgeInsets& insets);

} // namespace ui
