#include "readingorder.h"

#include <algorithm>
#include <numeric>

std::vector<int> readingOrder(const std::vector<QRectF> &rects)
{
    std::vector<int> order(rects.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&rects](int a, int b) {
        return rects[a].top() < rects[b].top() || (rects[a].top() == rects[b].top() && rects[a].left() < rects[b].left());
    });
    // Cut into lines from the top; each line then reads from left to right.
    std::vector<int> result;
    result.reserve(order.size());
    auto first = order.begin();
    while (first != order.end()) {
        const QRectF &leader = rects[*first];
        const double lineEnd = leader.top() + leader.height() / 2;
        auto last = std::find_if(first + 1, order.end(), [&](int i) {
            return rects[i].top() > leader.top() && rects[i].top() >= lineEnd;
        });
        std::stable_sort(first, last, [&rects](int a, int b) { return rects[a].left() < rects[b].left(); });
        result.insert(result.end(), first, last);
        first = last;
    }
    return result;
}
