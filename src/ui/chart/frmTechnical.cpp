#include "ui/chart/frmTechnical.h"

#include "core/chart/TechnicalIni.h"
#include "ui/app/MessageBox.h"

#include <QGridLayout>
#include <QLabel>

namespace kestrel::ui {
namespace {

struct Caption {
    const char* key;
    const char* caption;
};
// The field captions, in the order the fields are laid out.
constexpr Caption kCaptions[] = {{"TenkanPeriod", "転換線 期間"},
                                 {"KijunPeriod", "基準線 期間"},
                                 {"Span2Period", "先行スパン2 期間"},
                                 {"IchimokuShift", "一目 ずらし"},
                                 {"BbPeriod", "ボリンジャー 期間"},
                                 {"BbSigma", "σの種類"},
                                 {"BbBands", "表示するσ"},
                                 {"MacdFast", "MACD 短期"},
                                 {"MacdSlow", "MACD 長期"},
                                 {"MacdSignal", "シグナル 期間"},
                                 {"MacdSignalKind", "シグナルの種類"},
                                 {"StochK", "ストキャス %K"},
                                 {"StochD", "ストキャス %D"},
                                 {"StochSD", "ストキャス SD"},
                                 {"StochFast", "ストキャス 表示"},
                                 {"Rci1", "RCI 短期"},
                                 {"Rci2", "RCI 中期"},
                                 {"Rci3", "RCI 長期"},
                                 {"DmiPeriod", "DMI 期間"},
                                 {"SarStep", "パラボリック 加速"},
                                 {"SarMax", "パラボリック 上限"},
                                 {"EnvPeriod", "エンベロープ 期間"},
                                 {"EnvPercent", "エンベロープ %"},
                                 {"HlPeriod", "HLバンド 期間"},
                                 {"VpBins", "価格帯 本数"}};

const char* captionOf(std::string_view key) {
    for (const Caption& c : kCaptions)
        if (key == c.key)
            return c.caption;
    return nullptr;
}

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

frmTechnical::frmTechnical(std::string iniPath, const chart::TechnicalView& view, QWidget* parent)
    : QDialog(parent), m_iniPath(std::move(iniPath)), m_view(view) {
    setObjectName(QStringLiteral("frmTechnical"));
    setWindowTitle(QStringLiteral("テクニカル設定"));
    auto* grid = new QGridLayout(this);
    int row = 0, col = 0;
    for (std::string_view key : chart::technicalKeys()) {
        if (key == "Overlays")
            continue;
        const char* caption = captionOf(key);
        const std::string name(key);
        QWidget* w = nullptr;
        if (key == "BbSigma" || key == "MacdSignalKind" || key == "StochFast") {
            auto* box = new QComboBox(this);
            if (key == "BbSigma")
                box->addItems({QStringLiteral("母標準偏差"), QStringLiteral("標本標準偏差")});
            else if (key == "MacdSignalKind")
                box->addItems({QStringLiteral("EMA"), QStringLiteral("SMA")});
            else
                box->addItems({QStringLiteral("スロー"), QStringLiteral("ファスト")});
            w = box;
        } else {
            w = new QLineEdit(this);
        }
        w->setObjectName(q(name));
        m_fields.emplace(name, w);
        grid->addWidget(new QLabel(caption ? QString::fromUtf8(caption) : q(name), this), row, col);
        grid->addWidget(w, row, col + 1);
        if (++row == 17) {
            row = 0;
            col += 2;
        }
    }
    CmdDefault = new QPushButton(QStringLiteral("既定値に戻す"), this);
    CmdDefault->setObjectName(QStringLiteral("CmdDefault"));
    CmdOk = new QPushButton(QStringLiteral("OK"), this);
    CmdOk->setObjectName(QStringLiteral("CmdOk"));
    CmdCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    CmdCancel->setObjectName(QStringLiteral("CmdCancel"));
    const int last = 17;
    grid->addWidget(CmdDefault, last, 0, 1, 2);
    grid->addWidget(CmdOk, last, 2);
    grid->addWidget(CmdCancel, last, 3);
    connect(CmdDefault, &QPushButton::clicked, this, [this] {
        chart::TechnicalView defaults;
        defaults.overlays = m_view.overlays; // which overlays are on is not a value of this dialog
        show(defaults);
    });
    connect(CmdOk, &QPushButton::clicked, this, &frmTechnical::accept);
    connect(CmdCancel, &QPushButton::clicked, this, &frmTechnical::reject);
    show(m_view);
}

QWidget* frmTechnical::field(std::string_view key) const {
    auto it = m_fields.find(key);
    return it == m_fields.end() ? nullptr : it->second;
}

void frmTechnical::show(const chart::TechnicalView& view) {
    for (auto& [key, w] : m_fields) {
        const std::string text = chart::technicalValueText(view, key);
        if (auto* box = qobject_cast<QComboBox*>(w))
            box->setCurrentIndex(text == "1" ? 1 : 0);
        else if (auto* edit = qobject_cast<QLineEdit*>(w))
            edit->setText(q(text));
    }
}

bool frmTechnical::take() {
    chart::TechnicalView v = m_view;
    auto refuse = [this](std::string_view key, QWidget* w) {
        const char* caption = captionOf(key);
        MessageBox::information(this, QString::fromUtf8(caption ? caption : std::string(key).c_str()) +
                                          QStringLiteral(" の値が正しくありません。"));
        if (w)
            w->setFocus();
        return false;
    };
    for (std::string_view key : chart::technicalKeys()) {
        QWidget* w = field(key);
        if (!w)
            continue;
        std::string text;
        if (auto* box = qobject_cast<QComboBox*>(w))
            text = std::to_string(box->currentIndex());
        else if (auto* edit = qobject_cast<QLineEdit*>(w))
            text = edit->text().trimmed().toStdString();
        if (!chart::setTechnicalValue(v, key, text))
            return refuse(key, w);
    }
    if (std::string_view bad = v.settings.invalidField(); !bad.empty()) {
        const std::string_view key = chart::keyOfField(bad);
        return refuse(key.empty() ? bad : key, field(key));
    }
    m_view = v;
    return true;
}

void frmTechnical::accept() {
    if (!take())
        return;
    if (Status st = chart::saveTechnicalView(m_iniPath, m_view); !st) {
        MessageBox::information(this, q(st.message()));
        return;
    }
    QDialog::accept();
}

} // namespace kestrel::ui
