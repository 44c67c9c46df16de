#pragma once
// The read screen: imports the daily price files of a date range (and then, when ticked, margin
// balances and weekly bars), starts the converter for a range, and hosts the issue master import.
// The caller writes a mode into HandOverText before showing it ("1"/"3": import the issue master at
// once, "2": daily import) and reads the result message from it after it closed.
#include "core/startup/AppContext.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <functional>

namespace kestrel::ui {

class frmReadData : public QDialog {
    Q_OBJECT
public:
    // handOverText is the main window's HandOverText; mainWindow (may be null) gets the progress in its
    // caption during the issue master import and is minimized while the converter is prepared.
    frmReadData(AppContext& context, QString& handOverText, QWidget* mainWindow = nullptr, QWidget* parent = nullptr);

    // The mode the issue master import ran in.
    QString ReadMode;
    bool busy() const { return m_busy; }

    // Hooks to screens that live elsewhere; unset hooks do nothing.
    std::function<void()> openOptions;     // the options dialog, modal
    std::function<void()> runInternetRead; // the internet read screen fetching Regist.Mei, modal
    std::function<void()> showReadDelMei;  // the issue deletion screen, modal, offered on unload

    // Starts a program with arguments without waiting; tests replace it. Returns whether it started.
    using Launcher = std::function<bool(const QString& program, const QStringList& arguments)>;
    static void setConverterLauncher(Launcher launcher);

    QLineEdit *ReadDateji, *ReadDateitaru;
    QLabel *LabReadDateji, *LabReadDateitaru, *LabFileName, *LabPa;
    QPushButton *CmdJiUp, *CmdJiDu, *CmditarUp, *CmditarDu, *CmdReadData, *CmdFileConvert, *CmdClose;
    QCheckBox *ChkShinyo, *ChkMakeSyu;

public Q_SLOTS:
    void readData();
    void fileConvert();
    // The issue master import with its result in HandOverText; unloads the screen unless in mode "4".
    void ImportIssueMaster();
    // The daily import of the boxes' range; unloads the screen at its end.
    void ImportDailyFiles();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void done(int r) override;

private:
    void formLoad();
    void activate();
    bool checkFolders();
    bool checkDates();
    void startConverter();
    void onUnload();

    AppContext& m_context;
    QString& m_handOver;
    QWidget* m_mainWindow;
    bool m_busy = false;
    bool m_activated = false;
    bool m_unloaded = false;
    int m_filesRead = 0; // daily files the import of this window read
};

} // namespace kestrel::ui
