#pragma once
// The J-Quants part of the options dialog: the API key (masked; kept in the keyring, never in a file;
// left empty it keeps the stored key), the plan (which sets the pace and the endpoints asked), the pace in
// requests per minute (kept in Kestrel.ini only when it differs from the plan's), and "接続テスト", which
// asks one small page of each kind and says what the key reaches.
#include "core/app/Prompt.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <string>

namespace kestrel::ui {

class JQuantsOptionsBox : public QGroupBox {
    Q_OBJECT
public:
    JQuantsOptionsBox(std::string kestrelIniPath, QWidget* parent = nullptr);
    // Writes the pace into Kestrel.ini when it changed and a typed key into the keyring; problems are
    // shown through prompt.
    void save(Prompt& prompt);
    // The connection test's answer, as shown to the user.
    std::string testConnection();

    QLineEdit* JQuantsKey;
    QComboBox* JQuantsPlan;
    QSpinBox* JQuantsPace;
    QPushButton* CmdJQuantsTest;

private:
    std::string m_iniPath;
};

} // namespace kestrel::ui
