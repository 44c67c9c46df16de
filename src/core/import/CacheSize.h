#pragma once
// A larger page cache while a bulk job runs: an import touches the last page of every issue's bars,
// thousands of pages that a small cache would read again from the file for each row.
#include "core/db/Database.h"

#include <cstdint>
#include <optional>

namespace kestrel::import {

class ScopedCacheSize {
public:
    // Sets the connection's page cache to kib KiB and checkpoints the log every 64 MiB until destruction,
    // then restores the old settings.
    ScopedCacheSize(db::Database& db, std::int64_t kib) : m_db(db) {
        auto old = db.queryInt("PRAGMA cache_size");
        if (old && old->has_value()) {
            m_old = **old;
            // Cache and checkpoint sizes only tune speed; a refused setting changes nothing else.
            (void)db.exec("PRAGMA cache_size = " + std::to_string(-kib));
        }
        // Fewer checkpoints while the job runs: pages rewritten by several commits reach the file once.
        auto pages = db.queryInt("PRAGMA wal_autocheckpoint");
        if (pages && pages->has_value()) {
            m_oldCheckpoint = **pages;
            (void)db.exec("PRAGMA wal_autocheckpoint = 16384");
        }
    }
    ~ScopedCacheSize() {
        if (m_old)
            (void)m_db.exec("PRAGMA cache_size = " + std::to_string(*m_old));
        if (m_oldCheckpoint)
            (void)m_db.exec("PRAGMA wal_autocheckpoint = " + std::to_string(*m_oldCheckpoint));
    }
    ScopedCacheSize(const ScopedCacheSize&) = delete;
    ScopedCacheSize& operator=(const ScopedCacheSize&) = delete;

private:
    db::Database& m_db;
    std::optional<std::int64_t> m_old, m_oldCheckpoint;
};

// 64 MiB: the working set of a day's import on a ten-year database, well inside the memory budget.
inline constexpr std::int64_t kBulkCacheKib = 64 * 1024;

} // namespace kestrel::import
