#include "platform/ui/Geometry.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <optional>
#include <ostream>
#include <sstream>

namespace ui {

namespace {

std::string number(double value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

} // namespace

Rect Rect::null() {
    const double inf = std::numeric_limits<double>::infinity();
    return Rect(inf, inf, 0, 0);
}

bool Rect::isNull() const {
    return std::isinf(origin.x) || std::isinf(origin.y);
}

Rect Rect::standardized() const {
    if (isNull())
        return *this;
    return Rect(minX(), minY(), width(), height());
}

bool Rect::isEmpty() const {
    return isNull() || size.width == 0 || size.height == 0;
}

Rect Rect::integral() const {
    if (isNull())
        return *this;
    const double x0 = std::floor(minX());
    const double y0 = std::floor(minY());
    const double x1 = std::ceil(maxX());
    const double y1 = std::ceil(maxY());
    return Rect(x0, y0, x1 - x0, y1 - y0);
}

Rect Rect::intersection(const Rect& other) const {
    if (isNull() || other.isNull())
        return null();
    const double x0 = std::max(minX(), other.minX());
    const double y0 = std::max(minY(), other.minY());
    const double x1 = std::min(maxX(), other.maxX());
    const double y1 = std::min(maxY(), other.maxY());
    if (x0 > x1 || y0 > y1)
        return null();
    return Rect(x0, y0, x1 - x0, y1 - y0);
}

bool Rect::intersects(const Rect& other) const {
    const Rect overlap = intersection(other);
    return !overlap.isEmpty();
}

Rect Rect::unionWith(const Rect& other) const {
    if (isNull())
        return other.standardized();
    if (other.isNull())
        return standardized();
    const double x0 = std::min(minX(), other.minX());
    const double y0 = std::min(minY(), other.minY());
    const double x1 = std::max(maxX(), other.maxX());
    const double y1 = std::max(maxY(), other.maxY());
    return Rect(x0, y0, x1 - x0, y1 - y0);
}

bool Rect::containsPoint(Point point) const {
    if (isNull())
        return false;
    return point.x >= minX() && point.x < maxX() && point.y >= minY() && point.y < maxY();
}

bool Rect::containsRect(const Rect& other) const {
    if (isNull() || other.isNull())
        return false;
    return other.minX() >= minX() && other.maxX() <= maxX() && other.minY() >= minY() &&
           other.maxY() <= maxY();
}

Rect Rect::offsetBy(double dx, double dy) const {
    if (isNull())
        return *this;
    return Rect(origin.x + dx, origin.y + dy, size.width, size.height);
}

Rect Rect::insetBy(double dx, double dy) const {
    if (isNull())
        return *this;
    const Rect r = standardized();
    const double width = r.size.width - 2 * dx;
    const double height = r.size.height - 2 * dy;
    if (width < 0 || height < 0)
        return null();
    return Rect(r.origin.x + dx, r.origin.y + dy, width, height);
}

Rect Rect::insetBy(const EdgeInsets& insets) const {
    return Rect(origin.x + insets.left, origin.y + insets.top,
                size.width - insets.left - insets.right, size.height - insets.top - insets.bottom);
}

Rect Rect::boundsOfMappedCorners(const std::function<Point(Point)>& map) const {
    if (isNull())
        return *this;
    const std::array<Point, 4> corners = {map(Point(minX(), minY())), map(Point(maxX(), minY())),
                                          map(Point(minX(), maxY())), map(Point(maxX(), maxY()))};
    double x0 = corners[0].x, x1 = corners[0].x, y0 = corners[0].y, y1 = corners[0].y;
    for (const Point& p : corners) {
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y);
        y1 = std::max(y1, p.y);
    }
    return Rect(x0, y0, x1 - x0, y1 - y0);
}

std::string Size::description() const {
    return "{" + number(width) + ", " + number(height) + "}";
}

namespace {

void skipBlanks(std::string_view& text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n'))
        text.remove_prefix(1);
}

bool expect(std::string_view& text, char c) {
    skipBlanks(text);
    if (text.empty() || text.front() != c)
        return false;
    text.remove_prefix(1);
    return true;
}

std::optional<double> readNumber(std::string_view& text) {
    skipBlanks(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || !std::isfinite(value))
        return std::nullopt;
    text.remove_prefix(std::size_t(end - text.data()));
    return value;
}

} // namespace

Size sizeFromString(std::string_view text) {
    if (!expect(text, '{'))
        return Size();
    auto width = readNumber(text);
    if (!width || !expect(text, ','))
        return Size();
    auto height = readNumber(text);
    if (!height || !expect(text, '}'))
        return Size();
    return Size(*width, *height);
}

std::string Rect::description() const {
    return "{{" + number(origin.x) + ", " + number(origin.y) + "}, {" + number(size.width) + ", " +
           number(size.height) + "}}";
}

AffineTransform AffineTransform::rotation(double angle) {
    const double cosine = std::cos(angle);
    const double sine = std::sin(angle);
    return AffineTransform(cosine, sine, -sine, cosine, 0, 0);
}

AffineTransform AffineTransform::concat(const AffineTransform& t) const {
    return AffineTransform(a * t.a + b * t.c, a * t.b + b * t.d, c * t.a + d * t.c,
                           c * t.b + d * t.d, tx * t.a + ty * t.c + t.tx,
                           tx * t.b + ty * t.d + t.ty);
}

AffineTransform AffineTransform::inverted() const {
    const double determinant = a * d - b * c;
    if (determinant == 0)
        return *this;
    const double ia = d / determinant;
    const double ib = -b / determinant;
    const double ic = -c / determinant;
    const double id = a / determinant;
    return AffineTransform(ia, ib, ic, id, -(tx * ia + ty * ic), -(tx * ib + ty * id));
}

Point AffineTransform::apply(Point p) const {
    return Point(a * p.x + c * p.y + tx, b * p.x + d * p.y + ty);
}

Size AffineTransform::apply(Size s) const {
    return Size(a * s.width + c * s.height, b * s.width + d * s.height);
}

Rect AffineTransform::apply(const Rect& rect) const {
    return rect.boundsOfMappedCorners([this](Point p) { return apply(p); });
}

std::ostream& operator<<(std::ostream& out, const Point& p) {
    return out << '{' << p.x << ", " << p.y << '}';
}

std::ostream& operator<<(std::ostream& out, const Size& s) {
    return out << '{' << s.width << ", " << s.height << '}';
}

std::ostream& operator<<(std::ostream& out, const Rect& r) {
    return out << r.description();
}

std::ostream& operator<<(std::ostream& out, const EdgeInsets& i) {
    return out << '{' << i.top << ", " << i.left << ", " << i.bottom << ", " << i.right << '}';
}

} // namespace ui
