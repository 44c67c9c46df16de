#pragma once
// The opening of Kestrel.mdb for a window's action: when it cannot be opened the user is told why and
// the action stops. The prompt form lives in services; this adds the form that tells over a window.
#include "services/db/OpenDatabase.h"
#include "ui/app/MessageBox.h"

#include <string>

namespace kestrel::ui {

using services::openDatabaseOrTell;

// Kestrel.mdb at path; on failure the message has been shown over window.
inline Result<std::unique_ptr<db::Database>> openDatabaseOrTell(const std::string& path, QWidget* window,
                                                                db::OpenMode mode = db::OpenMode::ReadWrite) {
    WidgetPrompt prompt(window);
    return openDatabaseOrTell(path, prompt, mode);
}

} // namespace kestrel::ui
