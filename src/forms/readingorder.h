#pragma once

#include <QRectF>

#include <vector>

// The order in which a reader meets rectangles on a screen: line by line from the top, and
// from left to right along each line. A rectangle belongs to the line above when its top
// lies in the upper half of that line's first rectangle, so things set side by side at
// slightly different heights still read as one line. Returns the indexes of `rects` in
// reading order.
std::vector<int> readingOrder(const std::vector<QRectF> &rects);
