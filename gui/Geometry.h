// Points and rectangles of the toolkit, in pixels of the frame's window;
// right and bottom edges are exclusive. Plain values, any thread.
#pragma once

#include <algorithm>

namespace kestrava::gui {

struct CPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const CPoint&, const CPoint&) = default;
};

struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    CPoint topLeft() const { return {left, top}; }
    bool contains(CPoint p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    bool intersects(const CRect& other) const
    {
        return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
    }
    CRect united(const CRect& other) const
    {
        if (isEmpty())
            return other;
        if (other.isEmpty())
            return *this;
        return {std::min(left, other.left), std::min(top, other.top), std::max(right, other.right),
                std::max(bottom, other.bottom)};
    }
    friend bool operator==(const CRect&, const CRect&) = default;
};

}  // namespace kestrava::gui
