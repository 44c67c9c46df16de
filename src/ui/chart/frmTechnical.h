#pragma once
// テクニカル設定: every period, multiplier, kind and colour of the technical set. OK writes them to
// Kestrel.ini (section Technical) and closes; an entry that does not read, or is out of range, is refused
// with its field named and the dialog stays open. 既定値に戻す puts the defaults into the fields.
#include "core/chart/ChartTechnical.h"

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <map>
#include <string>

namespace kestrel::ui {

class frmTechnical : public QDialog {
    Q_OBJECT
public:
    frmTechnical(std::string iniPath, const chart::TechnicalView& view, QWidget* parent = nullptr);
    // The view as accepted (after OK).
    const chart::TechnicalView& view() const { return m_view; }
    // The field of an ini key (a QLineEdit or, for the kinds, a QComboBox).
    QWidget* field(std::string_view key) const;
    // Takes the fields; on a bad entry tells it (naming the field) and returns false.
    bool take();
    void accept() override;

    QPushButton *CmdDefault = nullptr, *CmdOk = nullptr, *CmdCancel = nullptr;

private:
    void show(const chart::TechnicalView& view);
    std::string m_iniPath;
    chart::TechnicalView m_view;
    std::map<std::string, QWidget*, std::less<>> m_fields;
};

} // namespace kestrel::ui
