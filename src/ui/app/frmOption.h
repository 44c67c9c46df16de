#pragma once
// The options dialog: shows the settings record and, however it closes (close box or Esc; there is no
// Cancel), repairs invalid entries, writes every setting to Kestrel.ini and loads them again.
#include "core/settings/InfoPages.h"
#include "core/startup/AppContext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <array>

namespace kestrel::ui {

class JQuantsOptionsBox;

class frmOption : public QDialog {
    Q_OBJECT
public:
    explicit frmOption(AppContext& context, QWidget* parent = nullptr);
    void done(int result) override;

    QRadioButton *Option1, *Option2, *Option3, *Option4, *Option5, *Option6, *Option7;
    QLineEdit *slidechart, *move1, *move2, *move3, *SaicoL, *RSIVR, *TxtUrl, *sonekipa, *TxthidiFold, *TxtsinyoFold;
    QLineEdit* TxtQuoteHost; // the stock boards' quote host (key QuoteHost)
    QCheckBox *ChkRDel, *ChkMakeSyu;
    QComboBox *CmbShinyo, *CmbDelJyoho, *CmbJyohoSource;
    QPushButton *CmdPath, *CmdPath2;
    JQuantsOptionsBox* jquants;
    std::array<QLineEdit*, kInfoPages.size()> TxtInfoPage{}; // the addresses of the 株式情報 web pages

private:
    void saveOnUnload();
    AppContext& m_context;
    bool m_saved = false;
};

} // namespace kestrel::ui
