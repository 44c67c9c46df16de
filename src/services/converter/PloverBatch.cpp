#include "services/converter/PloverBatch.h"

#include "platform/SingleInstance.h"
#include "services/converter/ConverterPlatform.h"
#include "services/converter/JQuantsHook.h"

#include <cstdio>

namespace kestrel::services {

namespace {

// Questions are answered yes; everything shown is printed.
class PrintingPrompt : public Prompt {
public:
    bool askYesNo(const std::string& text, const std::string&) override {
        std::printf("? %s -> はい\n", text.c_str());
        std::fflush(stdout);
        return true;
    }
    void notify(const std::string& text, const std::string&) override {
        std::printf("! %s\n", text.c_str());
        std::fflush(stdout);
    }
};

int usage() {
    std::fprintf(stderr, "usage: Plover [--home DIR] --batch --source N FROM TO [--download-only|--convert-only] "
                         "[--keep-files]\n");
    return 2;
}

} // namespace

int runPloverBatch(const QStringList& argsIn, const QString& converterFolder, const QString& mainFolder) {
    QStringList args = argsIn;
    args.removeAll(QStringLiteral("--batch"));
    converter::JobRequest request;
    int source = 0;
    bool keep = false;
    QStringList dates;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QStringLiteral("--source") && i + 1 < args.size())
            source = args[++i].toInt();
        else if (a == QStringLiteral("--download-only"))
            request.phases = converter::JobPhases::DownloadOnly;
        else if (a == QStringLiteral("--convert-only"))
            request.phases = converter::JobPhases::ConvertOnly;
        else if (a == QStringLiteral("--keep-files"))
            keep = true;
        else if (!a.startsWith(QStringLiteral("--")))
            dates << a;
        else
            return usage();
    }
    if (source < 1 || source > converter::kSourceCount || dates.size() != 2)
        return usage();

    platform::SingleInstance instance(QStringLiteral("Plover"), converterFolder);
    if (!instance.tryAcquire()) {
        std::fprintf(stderr, "Plover: another instance is running\n");
        return 1;
    }
    ConverterPaths paths = converterPaths(converterFolder, mainFolder);
    auto settings = converter::loadOrCreateConverterSettings(paths.iniPath);
    if (!settings) {
        std::fprintf(stderr, "%s\n", settings.message().c_str());
        return 1;
    }
    request.settings = *settings;
    request.settings.setNo = source - 1;
    if (keep)
        request.settings.check1 = 0;
    request.fromText = dates[0].toStdString();
    request.toText = dates[1].toStdString();
    request.databasePath = paths.databasePath;
    request.dataFolder = paths.dataFolder;

    PrintingPrompt prompt;
    platform::HttpTransfer transfer;
    converter::JobHooks hooks;
    installPlatformHooks(hooks, transfer);
    installJQuantsHook(hooks, paths);
    hooks.prompt = &prompt;
    hooks.log = [](const std::string& line) {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    };
    converter::JobOutcome outcome = converter::runConverterJob(request, hooks);
    return outcome.ran ? 0 : 1;
}

} // namespace kestrel::services
