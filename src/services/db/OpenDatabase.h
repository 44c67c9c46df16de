#pragma once
// The opening of Kestrel.mdb for an action: when it cannot be opened the user is told why through the
// prompt and the action stops.
#include "core/app/Prompt.h"
#include "core/db/Schema.h"

#include <memory>
#include <string>

namespace kestrel::services {

// Kestrel.mdb at path; on failure the message has been shown through prompt.
inline Result<std::unique_ptr<db::Database>> openDatabaseOrTell(const std::string& path, Prompt& prompt,
                                                                db::OpenMode mode = db::OpenMode::ReadWrite) {
    auto db = db::openKestrelDatabase(path, mode);
    if (!db)
        prompt.notify(db.message());
    return db;
}

} // namespace kestrel::services
