#include "ui/converter/frmPlover.h"

#include "core/startup/Startup.h"
#include "platform/JQuantsClient.h"
#include "services/converter/JQuantsHook.h"
#include "ui/app/DateBox.h"
#include "ui/app/MessageBox.h"
#include "ui/app/Shell.h"
#include "ui/app/frmAbout.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace kestrel::ui {

namespace {

QLabel* label(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

} // namespace

frmPlover::frmPlover(services::ConverterPaths paths, converter::ConverterSettings settings, QString commandLine,
                     QWidget* parent)
    : QMainWindow(parent), m_paths(std::move(paths)), m_settings(std::move(settings)),
      m_commandLine(std::move(commandLine)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("株価ファイル変換"));
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(label(central, "Label1", QStringLiteral("株価データーを公開して頂いているサイトから")));
    layout->addWidget(label(central, "Label2", QStringLiteral("株価データーをダウンロードし株価ケストレルで")));
    layout->addWidget(label(central, "Label3", QStringLiteral("使用出来るようにデーター変換を行います。")));
    layout->addWidget(label(central, "Label4", QStringLiteral("株価データー公開されている方々ありがとうございます。")));

    auto* frame1 = new QGroupBox(central);
    frame1->setObjectName(QStringLiteral("Frame1"));
    auto* f1 = new QVBoxLayout(frame1);
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < converter::kSourceCount; ++i) {
        setOption[i] = new QRadioButton(frame1);
        setOption[i]->setObjectName(QStringLiteral("setOption_%1").arg(i));
        group->addButton(setOption[i], i);
        f1->addWidget(setOption[i]);
    }
    connect(group, &QButtonGroup::idClicked, this, [this](int id) {
        m_settings.setNo = id;
        m_settings.chosen = true;
        refreshCaptions();
    });
    layout->addWidget(frame1);

    auto* dates = new QHBoxLayout;
    dates->addWidget(label(central, "Label5", QStringLiteral("日付")));
    ReadDateji = new QLineEdit(central);
    ReadDateji->setObjectName(QStringLiteral("ReadDateji"));
    ReadDateitaru = new QLineEdit(central);
    ReadDateitaru->setObjectName(QStringLiteral("ReadDateitaru"));
    installDateBox(ReadDateji);
    installDateBox(ReadDateitaru);
    dates->addWidget(ReadDateji);
    dates->addWidget(ReadDateitaru);
    dates->addWidget(label(central, "Label7", QStringLiteral("の期間をダウンロード")));
    layout->addLayout(dates);
    layout->addWidget(label(central, "Label8", QStringLiteral("※　データーは同じ所から取得してください。")));

    auto* frame2 = new QGroupBox(central);
    frame2->setObjectName(QStringLiteral("Frame2"));
    auto* f2 = new QHBoxLayout(frame2);
    Option1 = new QRadioButton(QStringLiteral("ダウンロードと解凍のみ"), frame2);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option2 = new QRadioButton(QStringLiteral("ファイル変換のみ"), frame2);
    Option2->setObjectName(QStringLiteral("Option2"));
    Option3 = new QRadioButton(QStringLiteral("ダウンロード 解凍 変換"), frame2);
    Option3->setObjectName(QStringLiteral("Option3"));
    f2->addWidget(Option1);
    f2->addWidget(Option2);
    f2->addWidget(Option3);
    layout->addWidget(frame2);
    Check1 = new QCheckBox(QStringLiteral("変換後　変換ﾌｧｲﾙのみ残す"), central);
    Check1->setObjectName(QStringLiteral("Check1"));
    layout->addWidget(Check1);

    auto* buttons = new QHBoxLayout;
    CmdLzhdownload = new QPushButton(QStringLiteral("*****　開　　始　*****"), central);
    CmdLzhdownload->setObjectName(QStringLiteral("CmdLzhdownload"));
    CmdEdit = new QPushButton(QStringLiteral("ＵＲＬ編集"), central);
    CmdEdit->setObjectName(QStringLiteral("CmdEdit"));
    CmdHP = new QPushButton(QStringLiteral("ホームページを開く"), central);
    CmdHP->setObjectName(QStringLiteral("CmdHP"));
    CmdAbout = new QPushButton(QStringLiteral("バージョン情報"), central);
    CmdAbout->setObjectName(QStringLiteral("CmdAbout"));
    for (QPushButton* b : {CmdLzhdownload, CmdEdit, CmdHP, CmdAbout})
        buttons->addWidget(b);
    layout->addLayout(buttons);
    Text = new QPlainTextEdit(central);
    Text->setObjectName(QStringLiteral("Text"));
    Text->setReadOnly(true);
    layout->addWidget(Text, 1);

    connect(CmdLzhdownload, &QPushButton::clicked, this, &frmPlover::startJob);
    connect(CmdEdit, &QPushButton::clicked, this, &frmPlover::editSource);
    connect(CmdHP, &QPushButton::clicked, this,
            [this] { cShellFile::ShellFile(QString::fromStdString(m_settings.page(m_settings.setNo + 1))); });
    connect(CmdAbout, &QPushButton::clicked, this, [this] {
        frmAbout about(this);
        about.setWindowTitle(QStringLiteral("株価ファイル変換のﾊﾞｰｼﾞｮﾝ情報"));
        about.lblTitle->setText(QStringLiteral("ケストレルコンバート"));
        about.lblDescription->setText(QStringLiteral("株価ケストレル用データー変換ソフト"));
        about.exec();
        proposeDates();
    });

    Check1->setChecked(m_settings.check1 == 1);
    Option3->setChecked(true);
    m_settings.setNo = converter::openingSource(
        m_settings,
        converter::jquantsUsed(m_paths.mainFolder.empty() ? std::string() : m_paths.mainFolder + "/Kestrel.ini"));
    setOption[m_settings.setNo]->setChecked(true);
    refreshCaptions();
    proposeDates();
    resize(560, 640);
}

void frmPlover::refreshCaptions() {
    for (int i = 0; i < converter::kSourceCount; ++i) {
        setOption[i]->setText(QString::fromStdString(m_settings.title(i + 1)));
        QPalette pal = setOption[i]->palette();
        pal.setColor(QPalette::WindowText, m_settings.isRegistered(i + 1) ? QColor(0, 0, 255) : QColor(0, 0, 0));
        pal.setColor(QPalette::ButtonText, pal.color(QPalette::WindowText));
        setOption[i]->setPalette(pal);
        // Unused rows stay out of the way: one unregistered row is left for registering a new source.
        setOption[i]->setVisible(converter::sourceRowShown(m_settings, i + 1, m_settings.setNo));
    }
}

void frmPlover::proposeDates() {
    if (m_commandLine.isEmpty()) {
        QString start = QString::fromStdString(
            services::proposedStartDate(services::latestStoredDate(m_paths.databasePath), Date::today()).toYYMMDD());
        ReadDateji->setText(start);
        ReadDateitaru->setText(start);
        rememberFilledDates();
        return;
    }
    int comma = m_commandLine.indexOf(QLatin1Char(','));
    ReadDateji->setText(comma < 0 ? m_commandLine : m_commandLine.left(comma));
    ReadDateitaru->setText(comma < 0 ? QString() : m_commandLine.mid(comma + 1));
    rememberFilledDates();
}

void frmPlover::rememberFilledDates() {
    m_filled = true;
    m_filledFrom = ReadDateji->text();
    m_filledTo = ReadDateitaru->text();
}

void frmPlover::AppendLog(const QString& text) {
    QString all = Text->toPlainText();
    Text->setPlainText(all.isEmpty() ? text : all + QStringLiteral("\n") + text);
    Text->moveCursor(QTextCursor::End);
    Text->repaint();
}

void frmPlover::startJob() {
    if (m_busy) {
        if (m_jquants) // a second press stops a J-Quants run after the request in flight
            m_jquants->cancel();
        return;
    }
    converter::JobRequest request;
    request.settings = m_settings;
    request.settings.check1 = Check1->isChecked() ? 1 : 0;
    request.fromText = ReadDateji->text().toStdString();
    request.toText = ReadDateitaru->text().toStdString();
    request.phases = Option1->isChecked()   ? converter::JobPhases::DownloadOnly
                     : Option2->isChecked() ? converter::JobPhases::ConvertOnly
                                            : converter::JobPhases::All;
    request.databasePath = m_paths.databasePath;
    request.dataFolder = m_paths.dataFolder;
    WidgetPrompt prompt(this);
    platform::HttpTransfer transfer;
    converter::JobHooks hooks;
    services::installPlatformHooks(
        hooks, transfer, [](const std::string& address) { cShellFile::ShellFile(QString::fromStdString(address)); });
    // While a J-Quants run asks the server, the start button stops it (after the request in flight).
    services::installJQuantsHook(hooks, m_paths, [this](platform::JQuantsClient* c) {
        m_jquants = c;
        CmdLzhdownload->setText(c ? QStringLiteral("中止") : QStringLiteral("*****　開　　始　*****"));
    });
    hooks.prompt = &prompt;
    hooks.log = [this](const std::string& line) { AppendLog(QString::fromStdString(line)); };
    hooks.endOfDownloads = [] { QApplication::beep(); };
    hooks.setBusy = [this](bool busy) {
        m_busy = busy;
        if (busy) {
            Text->clear();
            QApplication::setOverrideCursor(Qt::WaitCursor);
        } else {
            QApplication::restoreOverrideCursor();
        }
    };
    converter::runConverterJob(request, hooks);
    if (m_busy) {
        m_busy = false;
        QApplication::restoreOverrideCursor();
    }
}

void frmPlover::editSource() {
    frmEdit edit(m_settings, this);
    edit.exec();
    refreshCaptions();
    proposeDates();
}

void frmPlover::closeEvent(QCloseEvent* event) {
    if (m_busy) {
        event->ignore();
        return;
    }
    m_settings.check1 = Check1->isChecked() ? 1 : 0;
    if (Status st = converter::SaveConverterSettings(m_paths.iniPath, m_settings); !st)
        MessageBox::information(this, QString::fromStdString(st.message()));
    event->accept();
}

void frmPlover::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // Dates the user typed since they were filled stay; boxes as they were filled, or empty, are filled again.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !m_busy) {
        const QString from = ReadDateji->text(), to = ReadDateitaru->text();
        if (!m_filled || (from == m_filledFrom && to == m_filledTo) || (from.isEmpty() && to.isEmpty()))
            proposeDates();
    }
}

frmEdit::frmEdit(converter::ConverterSettings& settings, QWidget* parent) : QDialog(parent), m_settings(settings) {
    setObjectName(QStringLiteral("frmEdit"));
    setWindowTitle(QStringLiteral("URLの編集"));
    auto* form = new QFormLayout(this);
    const QString captions[3] = {QStringLiteral("ホームページタイトル"), QStringLiteral("代表ホームページＵＲＬ"),
                                 QStringLiteral("データー取得ＵＲＬ")};
    int source = settings.setNo + 1;
    const std::string* values[3] = {&settings.title(source), &settings.page(source), &settings.data(source)};
    for (int i = 0; i < 3; ++i) {
        TxtUrl[i] = new QLineEdit(QString::fromStdString(*values[i]), this);
        TxtUrl[i]->setObjectName(QStringLiteral("TxtUrl_%1").arg(i));
        TxtUrl[i]->setMinimumWidth(360);
        form->addRow(captions[i], TxtUrl[i]);
    }
    form->addRow(new QLabel(QStringLiteral("通常は変更しないで下さい　URLの変更等特別な時のみ変更して下さい。"), this));
}

void frmEdit::done(int result) {
    int source = m_settings.setNo + 1;
    m_settings.title(source) = TxtUrl[0]->text().toStdString();
    m_settings.page(source) = TxtUrl[1]->text().toStdString();
    m_settings.data(source) = TxtUrl[2]->text().toStdString();
    QDialog::done(result);
}

} // namespace kestrel::ui
