// kestrel fetch-master, fetch-kinds, fetch-info, fetch-page: downloads from the data server named by
// DURL in Kestrel.ini, through the program's own transfers (each waits in a local event loop).
#include "Command.h"
#include "core/import/IssueMaster.h"
#include "core/info/ComputedLists.h"
#include "core/info/DownloadInformation.h"
#include "core/net/MasterDownload.h"
#include "core/net/ServerFiles.h"
#include "platform/HttpTransfer.h"
#include "platform/InetHttp.h"

#include <QEventLoop>
#include <QTimer>
#include <ostream>

namespace kestrel::cli {
namespace {

// Applies "--timeout SECONDS"; false (after printing) when the value is not a positive whole number.
bool takeTimeout(Invocation& inv) {
    auto value = inv.takeOption("--timeout");
    if (!value)
        return true;
    int seconds = 0;
    try {
        size_t used = 0;
        seconds = std::stoi(*value, &used);
        if (used != value->size())
            seconds = 0;
    } catch (...) {
        seconds = 0;
    }
    if (seconds <= 0 || seconds > 3600) {
        inv.err << "kestrel: --timeout takes a number of seconds (1 to 3600)\n";
        return false;
    }
    platform::HttpTransfer::setDefaultTimeoutMs(seconds * 1000);
    return true;
}

net::Fetcher fetcherOf(platform::HttpTransfer& transfer) {
    return [&transfer](const std::string& url) { return transfer.OpenURL(QString::fromStdString(url)); };
}

int runFetchMaster(Invocation& inv) {
    const bool noImport = inv.takeFlag("--no-import");
    if (!takeTimeout(inv))
        return 2;
    if (!inv.args.empty())
        return inv.usage();
    platform::HttpTransfer transfer;
    net::MasterDownload got =
        net::downloadIssueMasterFile(fetcherOf(transfer), inv.context.settings.DURL, inv.context.paths.dataFolder);
    if (!got.written) {
        inv.err << net::kNotFoundMessage << "\n" << got.note << "\n";
        return 1;
    }
    inv.out << "saved " << got.path << "\n";
    if (noImport)
        return 0;
    auto db = inv.openDatabase();
    if (!db)
        return inv.lastFailure;
    int shown = -1;
    auto showProgress = [&](int percent) {
        if (isShownPercent(percent) && percent != shown) {
            shown = percent;
            inv.out << formatPercent(percent) << "%\n";
        }
    };
    import::MasterImportResult r =
        import::ImportIssueMaster(*db, inv.context.paths.dataFolder, inv.errorPrompt(), showProgress);
    if (r.message != import::kReadFinished)
        return r.message.empty() ? 1 : inv.fail(r.message);
    inv.out << r.message << "\n";
    return 0;
}

int runInformation(Invocation& inv, info::InfoDownloadOptions options) {
    platform::HttpTransfer transfer;
    info::InfoDownloadObserver observer;
    observer.status = [&](const std::string& text) { inv.out << text << "\n"; };
    info::InfoDownloadResult r = options.mode == 1 && !options.kindsFromServer
                                     ? info::loadShippedKinds(inv.context.paths, inv.context.settings.DURL, inv.prompt)
                                     : info::DownloadInformation(inv.context.paths, inv.context.settings.DURL, options,
                                                                 fetcherOf(transfer), inv.prompt, observer);
    if (!r.ran)
        return 1;
    inv.out << r.message << "\n";
    return r.completeFiles > 0 ? 0 : 1;
}

int runFetchKinds(Invocation& inv) {
    info::InfoDownloadOptions options;
    options.mode = 1;
    options.kindsFromServer = !inv.takeFlag("--local");
    if (!takeTimeout(inv))
        return 2;
    if (!inv.args.empty())
        return inv.usage();
    return runInformation(inv, options);
}

int runFetchInfo(Invocation& inv) {
    if (!takeTimeout(inv))
        return 2;
    if (inv.args.size() != 2)
        return inv.usage();
    auto from = inv.parseDate(inv.args[0]);
    auto to = inv.parseDate(inv.args[1]);
    if (!from || !to)
        return inv.lastFailure;
    info::InfoDownloadOptions options;
    options.mode = 0;
    options.startText = from->toIso();
    options.endText = to->toIso();
    if (computesInformation(inv.context.settings)) {
        info::InfoDownloadObserver observer;
        observer.status = [&](const std::string& text) { inv.out << text << "\n"; };
        info::InfoDownloadResult r =
            info::ComputeInformation(inv.context.paths, options, inv.context.splitAdjust, inv.prompt, observer);
        if (!r.ran)
            return 1;
        inv.out << r.message << "\n";
        return r.completeFiles > 0 && r.failedFiles == 0 ? 0 : 1;
    }
    return runInformation(inv, options);
}

int runFetchPage(Invocation& inv) {
    auto channelText = inv.takeOption("--channel");
    if (!takeTimeout(inv))
        return 2;
    if (inv.args.size() != 1 || (channelText && *channelText != "1" && *channelText != "2"))
        return inv.usage();
    const qint16 channel = channelText && *channelText == "2" ? 2 : 1;
    platform::InetHttp inet;
    QEventLoop loop;
    QString text;
    auto deliver = [&](const QString& page, qint32) {
        text = page;
        loop.quit();
    };
    QObject::connect(&inet, &platform::InetHttp::Gethtm1, &loop, deliver);
    QObject::connect(&inet, &platform::InetHttp::Gethtm2, &loop, deliver);
    inet.DL(channel, 1, QString::fromStdString(inv.args[0]));
    loop.exec();
    const QByteArray utf8 = text.toUtf8();
    inv.out.write(utf8.constData(), utf8.size());
    if (text.isEmpty()) {
        inv.err << "kestrel: no page from " << inv.args[0] << "\n";
        return 1;
    }
    return 0;
}

const CommandRegistrar kFetchMaster({"fetch-master", "[--no-import] [--timeout SECONDS]",
                                     "download Regist.Mei from the data server (DURL) into Data, then import it",
                                     runFetchMaster});
const CommandRegistrar kFetchKinds({"fetch-kinds", "[--local] [--timeout SECONDS]",
                                    "download the stock-information kinds (--local: load the infodata file "
                                    "shipped in the program folder)",
                                    runFetchKinds});
const CommandRegistrar kFetchInfo({"fetch-info", "FROM TO [--timeout SECONDS]",
                                   "download the stock-information lists of a date range (daily kinds on "
                                   "weekdays, weekly kinds on Fridays), or compute them from the stored "
                                   "prices when that is the chosen source",
                                   runFetchInfo});
const CommandRegistrar kFetchPage({"fetch-page", "URL [--channel 1|2] [--timeout SECONDS]",
                                   "download a page as the stock boards do (EUC-JP converted) and print it",
                                   runFetchPage, false});

} // namespace
} // namespace kestrel::cli
