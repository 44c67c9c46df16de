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
#include <algorithm>

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
    const jq::JQuantsSettings settings = jq::loadJQuantsSettings(m_iniPath);
    JQuantsPace->setValue(settings.pace());
    JQuantsPlan = new QComboBox(this);
    JQuantsPlan->setObjectName(QStringLiteral("JQuantsPlan"));
    for (jq::Plan p : jq::kAllPlans)
        JQuantsPlan->addItem(QString::fromLatin1(jq::planName(p)));
    JQuantsPlan->setCurrentIndex(static_cast<int>(settings.plan));
    // A plan chosen brings its pace.
    connect(JQuantsPlan, &QComboBox::currentIndexChanged, this,
            [this](int i) { JQuantsPace->setValue(jq::planPace(static_cast<jq::Plan>(i))); });
    CmdJQuantsTest = new QPushButton(QStringLiteral("接続テスト"), this);
    CmdJQuantsTest->setObjectName(QStringLiteral("CmdJQuantsTest"));
    auto* form = new QFormLayout(this);
    auto* keyRow = new QHBoxLayout;
    keyRow->addWidget(JQuantsKey, 1);
    keyRow->addWidget(JQuantsPlan);
    form->addRow(QStringLiteral("API キー / プラン"), keyRow);
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
    options->rateRetries = 0;
    // A handful of requests fits in any plan's minute.
    options->pace = std::max(options->pace, 60);
    platform::JQuantsClient client(*options);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::string text = jq::probeJQuants(client, Date::today());
    QApplication::restoreOverrideCursor();
    return text;
}

void JQuantsOptionsBox::save(Prompt& prompt) {
    jq::JQuantsSettings s = jq::loadJQuantsSettings(m_iniPath);
    const jq::JQuantsSettings before = s;
    s.plan = static_cast<jq::Plan>(JQuantsPlan->currentIndex());
    s.explicitPace.reset();
    if (JQuantsPace->value() != jq::planPace(s.plan))
        s.explicitPace = JQuantsPace->value();
    if (s.plan != before.plan || s.explicitPace != before.explicitPace) {
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
