#pragma once
// The start of the main program with windows: single instance, the core start-up steps, the per-user
// value for the converter, the hidden main window with its start state, and the splash that shows it.
#include "core/db/FolderLock.h"
#include "core/startup/AppContext.h"
#include "platform/SingleInstance.h"
#include "ui/chart/frmMain.h"

#include <QStringList>
#include <memory>
#include <optional>

namespace kestrel::ui {

class KestrelStart {
public:
    // Runs start-up for the program folder; false when the program must end (second instance,
    // unusable database), after the message has been shown.
    bool start(const QString& programFolder);
    frmMain* mainWindow() const { return m_main.get(); }
    AppContext& context() { return m_context; }

private:
    AppContext m_context;
    // Held shared for as long as the program runs.
    std::optional<db::FolderLock> m_folderLock;
    std::unique_ptr<platform::SingleInstance> m_instance;
    std::unique_ptr<frmMain> m_main;
};

} // namespace kestrel::ui
