#include "ui/app/JQuantsOptions.h"

#include "core/app/Date.h"
#include "core/converter/JQuantsData.h"
#include "core/converter/JQuantsSettings.h"
#include "platform/JQuantsClient.h"
#include "platform/Keyring.h"
#include "ui/app/MessageBox.h"

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>

namespace kestrel::ui {

namespace jq = converter::jquants;

JQuantsOptionsBox::JQuantsOptionsBox(std::string kestrelIniPath, QWidget* parent)
    : QGroupBox(QStringLiteral("J-Quants"), parent), m_iniPath(std::move(kestrelIniPath)) {
    setObjectName(QStringLiteral("FrmJQuants"));
    JQuantsKey = new QLineEdit(this);
    JQuantsKey->setObjectName(QStringLiteral("JQuantsKey"));
    JQuantsKey->setEchoMode(QLineEdit::Password);
    JQuantsKey->setPlaceholderText(QStringLiteral("空欄のままなら登録済みのキーを使います"));
    JQuantsPace = new QSpinBox(this);
    JQuantsPace->setObjectName(QStringLiteral("JQuantsPace"));
    JQuantsPace->setRange(1, jq::kMaxPace);
    JQuantsPace->setSuffix(QStringLiteral(" 回/分"));
    JQuantsPace->setValue(jq::loadJQuantsSettings(m_iniPath).pace);
    CmdJQuantsTest = new QPushButton(QStringLiteral("接続テスト"), this);
    CmdJQuantsTest->setObjectName(QStringLiteral("CmdJQuantsTest"));
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("API キー"), JQuantsKey);
    auto* row = new QHBoxLayout;
    row->addWidget(JQuantsPace);
    row->addWidget(CmdJQuantsTest);
    row->addStretch();
    form->addRow(QStringLiteral("プランの上限"), row);
    connect(CmdJQuantsTest, &QPushButton::clicked, this, [this] {
        WidgetPrompt prompt(this);
        prompt.notify(testConnection());
    });
}

std::string JQuantsOptionsBox::testConnection() {
    QString why;
    const std::string typed = jq::trimKey(JQuantsKey->text().toStdString());
    auto options = platform::jquantsOptions(m_iniPath, &why, {}, QString::fromStdString(typed));
    if (!options)
        return why.toStdString();
    options->retries = 0;
    platform::JQuantsClient client(*options);
    // One small page: TOPIX of a week a quarter ago, a span every plan covers.
    Date to = Date::today().addDays(-90), from = to.addDays(-6);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto pages =
        client.getPages("/indices/bars/daily/topix", {{"from", from.toIso()}, {"to", to.toIso()}}, "接続テスト");
    QApplication::restoreOverrideCursor();
    if (!pages)
        return pages.message();
    auto rows = jq::parseTopix(*pages, "接続テスト");
    if (!rows)
        return rows.message();
    return "J-Quants に接続できました（" + from.toIso() + "～" + to.toIso() + " の TOPIX " +
           std::to_string(rows->rows.size()) + " 日分）";
}

void JQuantsOptionsBox::save(Prompt& prompt) {
    jq::JQuantsSettings s = jq::loadJQuantsSettings(m_iniPath);
    if (s.pace != JQuantsPace->value()) {
        s.pace = JQuantsPace->value();
        if (Status st = jq::saveJQuantsSettings(m_iniPath, s); !st)
            prompt.notify(st.message());
    }
    const std::string typed = jq::trimKey(JQuantsKey->text().toStdString());
    if (typed.empty())
        return;
    QString why;
    if (!platform::writeSecret(QString::fromLatin1(platform::kJQuantsKeyName), QString::fromStdString(typed), &why))
        prompt.notify("J-Quants の API キーをキーリングに保存できませんでした: " + why.toStdString());
    JQuantsKey->clear();
}

} // namespace kestrel::ui
