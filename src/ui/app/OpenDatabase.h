#pragma once
// The opening of Kestrel.mdb for a window's action: when it cannot be opened the user is told why and
// the action stops.
#include "core/app/Prompt.h"
#include "core/db/Schema.h"
#include "ui/app/MessageBox.h"

#include <string>

namespace kestrel::ui {

// Kestrel.mdb at path; on failure the message has been shown through prompt.
inline Result<std::unique_ptr<db::Database>> openDatabaseOrTell(const std::string& path, Prompt& prompt,
                                                                db::OpenMode mode = db::OpenMode::ReadWrite) {
    auto db = db::openKestrelDatabase(path, mode);
    if (!db)
        prompt.notify(db.message());
    return db;
}

// The same with the message shown over window.
inline Result<std::unique_ptr<db::Database>> openDatabaseOrTell(const std::string& path, QWidget* window,
                                                                db::OpenMode mode = db::OpenMode::ReadWrite) {
    WidgetPrompt prompt(window);
    return openDatabaseOrTell(path, prompt, mode);
}

} // namespace kestrel::ui
