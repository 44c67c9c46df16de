#pragma once
// What a long import reports while it runs: the current step or file ("前処理中...",
// "Ds202601.05 処理中.....") and the whole percentage of the current part. Screens show them in
// LabFileName and LabPa (and service their event queue there); the command line prints them.
#include "core/app/Progress.h"

#include <functional>
#include <string>

namespace kestrel::import {

struct ImportProgress {
    std::function<void(const std::string&)> step;
    ProgressFn percent;         // called when the whole percentage changes to one a label shows (0 or 5 last)
    std::function<void()> idle; // called now and then during work that shows nothing new (storing a group)

    void showStep(const std::string& text) const {
        if (step)
            step(text);
    }
    void keepAlive() const {
        if (idle)
            idle();
    }
};

// Counts lines of a part and reports the percentage when its whole part changes to a shown value.
class PercentCounter {
public:
    PercentCounter(const ImportProgress& progress, long long total) : m_progress(progress), m_total(total) {}
    void next() {
        ++m_count;
        if (m_total <= 0 || !m_progress.percent)
            return;
        int p = static_cast<int>(m_count * 100 / m_total);
        if (p != m_last && isShownPercent(p)) {
            m_last = p;
            m_progress.percent(p);
        }
    }
    long long count() const { return m_count; }

private:
    const ImportProgress& m_progress;
    long long m_total;
    long long m_count = 0;
    int m_last = -1;
};

} // namespace kestrel::import
