#include "files/Shuffle.h"

#include "files/FileList.h"

#include <cmath>
#include <vector>

namespace {

// Nearest integer, halves to the even neighbour, independent of the FPU's rounding mode.
double roundHalfEven(double x)
{
    const double below = std::floor(x);
    const double fraction = x - below;
    if (fraction > 0.5)
        return below + 1;
    if (fraction < 0.5)
        return below;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1;
}

// The entries not drawn yet, as a Fenwick tree of 0/1 counts: finding the r-th remaining entry
// and removing it both take O(log n), where erasing from the middle of an array would make
// the whole shuffle quadratic.
class RemainingEntries
{
public:
    explicit RemainingEntries(int n)
        : m_tree(std::size_t(n) + 1, 0)
    {
        // Every entry present: build all the partial sums in O(n).
        for (int i = 1; i <= n; ++i) {
            m_tree[i] += 1;
            const int parent = i + (i & -i);
            if (parent <= n)
                m_tree[parent] += m_tree[i];
        }
        m_highestStep = 1;
        while (m_highestStep * 2 <= n)
            m_highestStep *= 2;
    }

    // Takes the entry with `rank` remaining entries before it and returns its index.
    int take(int rank)
    {
        int *const tree = m_tree.data();
        const int size = int(m_tree.size());
        int position = 0;
        for (int step = m_highestStep; step > 0; step /= 2) {
            const int next = position + step;
            if (next < size && tree[next] <= rank) {
                position = next;
                rank -= tree[next];
            }
        }
        for (int i = position + 1; i < size; i += i & -i)
            tree[i] -= 1;
        return position;  // the tree is 1-based, the entries 0-based
    }

private:
    std::vector<int> m_tree;
    int m_highestStep = 0;
};

} // namespace

QVector<int> shuffledOrder(int n, const std::function<double()> &uniform01)
{
    if (n <= 0)
        return {};
    QVector<int> order(n);
    int *const drawn = order.data();
    RemainingEntries remaining(n);
    for (int k = 0; k < n; ++k) {
        const int m = n - k;
        double r = uniform01();
        if (!(r >= 0.0))  // also catches NaN
            r = 0.0;
        if (r >= 1.0)
            r = std::nextafter(1.0, 0.0);
        const int rank = int(roundHalfEven(r * (m - 1)));
        drawn[k] = remaining.take(qBound(0, rank, m - 1));
    }
    return order;
}

void fnRandomiseListCore(FileList &list, const std::function<double()> &uniform01)
{
    if (list.count() > 0)
        list.reorder(shuffledOrder(list.count(), uniform01));
}
