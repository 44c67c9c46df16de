#pragma once
// The issue master in a grid, edited in place (frmEditMei), and the list of issues that the newest daily
// price file did not carry, with their deletion (frmReadDelMei).
#include "core/startup/AppContext.h"
#include "ui/app/MessageBox.h"
#include "ui/db/DbTableModel.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

namespace kestrel::ui {

class frmEditMei : public QDialog {
    Q_OBJECT
public:
    explicit frmEditMei(AppContext& context, QWidget* parent = nullptr);
    DbTableModel* MeiData;
    QTableView* MeiDBGrid;

private:
    WidgetPrompt m_prompt;
};

class frmReadDelMei : public QDialog {
    Q_OBJECT
public:
    explicit frmReadDelMei(AppContext& context, QWidget* parent = nullptr);
    DbTableModel* MeiData;
    QTableView* MeiDBGrid;
    QPushButton *CmdAllDelete, *CmdDelete, *Cmdcancel;
    QLabel* LblExplain; // what the list is

private:
    void deleteOne();
    void deleteAll();
    AppContext& m_context;
    WidgetPrompt m_prompt;
};

} // namespace kestrel::ui
