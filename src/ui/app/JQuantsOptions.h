#pragma once
// The J-Quants part of the options dialog: the API key (masked; kept in the keyring, never in a file;
// left empty it keeps the stored key), the plan's pace in requests per minute, and "接続テスト", which
// fetches one small page and says what came back.
#include "core/app/Prompt.h"

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
    QSpinBox* JQuantsPace;
    QPushButton* CmdJQuantsTest;

private:
    std::string m_iniPath;
};

} // namespace kestrel::ui
