// The issue the main window opens on, and remembering it when the program closes.
#include "core/db/Schema.h"
#include "core/settings/IniFile.h"
#include "ui/chart/frmMain.h"

#include <optional>

namespace kestrel::ui {
namespace {

constexpr const char* kSection = "Kestrel";
constexpr const char* kLastCodeKey = "LastCode";

} // namespace

void frmMain::showStartIssue() {
    std::optional<std::int64_t> code;
    {
        auto db = db::openKestrelDatabase(m_context.paths.databasePath, db::OpenMode::ReadOnly);
        if (!db)
            return;
        const std::string last = readProfileString(m_context.paths.iniPath, kSection, kLastCodeKey);
        if (!last.empty() && last.size() <= 4 && last.find_first_not_of("0123456789") == std::string::npos)
            if (auto found = (*db)->queryInt("SELECT コード FROM Mei WHERE コード = ?", std::stoll(last)); found)
                code = *found;
        if (!code)
            if (auto first = (*db)->queryInt("SELECT Min(コード) FROM Mei"); first)
                code = *first;
    }
    if (code)
        MeiCode->setText(QString::number(*code));
}

bool frmMain::issueMasterEmpty() const {
    auto db = db::openKestrelDatabase(m_context.paths.databasePath, db::OpenMode::ReadOnly);
    if (!db)
        return false; // the start already said what is wrong with the database
    auto n = (*db)->queryInt("SELECT count(*) FROM Mei");
    return n && n->value_or(0) == 0;
}

void frmMain::rememberLastCode() {
    if (LblMei->text().isEmpty())
        return;
    const std::string code = MeiCode->text().toStdString();
    const std::string& ini = m_context.paths.iniPath;
    if (code != readProfileString(ini, kSection, kLastCodeKey))
        (void)writeProfileString(ini, kSection, kLastCodeKey, code);
}

} // namespace kestrel::ui
