#pragma once
// The answers a test queues for a dialog seam, taken in order; with none queued the real dialog runs.
#include <deque>
#include <utility>

namespace kestrel::ui {

template <class T> class ScriptedQueue {
public:
    void push(T value) { m_items.push_back(std::move(value)); }
    // The next queued answer into `out`; false when none is queued.
    bool take(T& out) {
        if (m_items.empty())
            return false;
        out = std::move(m_items.front());
        m_items.pop_front();
        return true;
    }

private:
    std::deque<T> m_items;
};

} // namespace kestrel::ui
