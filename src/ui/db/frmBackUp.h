#pragma once
// The backup window: copy the database to a folder (removable media), restore it from there, or
// restore it from Kestrel.old. The folder is remembered as BackPath in Kestrel.ini.
#include "core/startup/AppContext.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

namespace kestrel::ui {

class frmBackUp : public QDialog {
    Q_OBJECT
public:
    explicit frmBackUp(AppContext& context, QWidget* parent = nullptr);
    void done(int result) override;

    QLineEdit* txtbackuppath;
    QPushButton *CmdPath, *Cmdbackup, *CmdRebackup, *CmdoladmdbRebackup;

private:
    void browse();
    void backup();
    void restoreFromFolder();
    void restoreFromOld();
    AppContext& m_context;
};

} // namespace kestrel::ui
