#pragma once
// The converter's main window: the eight sources as option buttons (blue when registered), the date
// range, the phase options, the log box, and the start of a job. Settings are saved when it closes;
// it refuses to close while a job runs.
#include "core/converter/ConverterSettings.h"
#include "services/converter/ConverterPlatform.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <array>

namespace kestrel::platform {
class JQuantsClient;
}

namespace kestrel::ui {

class frmPlover : public QMainWindow {
    Q_OBJECT
public:
    // commandLine: "" or "start,end" as the main program passes it.
    frmPlover(services::ConverterPaths paths, converter::ConverterSettings settings, QString commandLine,
              QWidget* parent = nullptr);

    void AppendLog(const QString& text);
    bool busy() const { return m_busy; }
    const converter::ConverterSettings& settings() const { return m_settings; }
    // Shows the titles on the option buttons, blue for a registered source.
    void refreshCaptions();
    // Fills the date boxes from the command line or the latest stored date.
    void proposeDates();
    // Runs the job (CmdLzhdownload).
    void startJob();

    std::array<QRadioButton*, converter::kSourceCount> setOption{};
    QLineEdit* ReadDateji;
    QLineEdit* ReadDateitaru;
    QRadioButton* Option1;
    QRadioButton* Option2;
    QRadioButton* Option3;
    QCheckBox* Check1;
    QPushButton* CmdLzhdownload;
    QPushButton* CmdEdit;
    QPushButton* CmdHP;
    QPushButton* CmdAbout;
    QPlainTextEdit* Text;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void editSource();

    services::ConverterPaths m_paths;
    converter::ConverterSettings m_settings;
    QString m_commandLine;
    // The date texts last filled in (from the command line or the stored data).
    void rememberFilledDates();
    bool m_filled = false;
    QString m_filledFrom, m_filledTo;
    bool m_busy = false;
    platform::JQuantsClient* m_jquants = nullptr; // while a J-Quants run uses it
};

// The source editor: title, page and data address of the selected source, stored back on close.
class frmEdit : public QDialog {
    Q_OBJECT
public:
    frmEdit(converter::ConverterSettings& settings, QWidget* parent = nullptr);
    std::array<QLineEdit*, 3> TxtUrl{};

protected:
    void done(int result) override;

private:
    converter::ConverterSettings& m_settings;
};

} // namespace kestrel::ui
