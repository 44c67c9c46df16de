#include "services/converter/JQuantsHook.h"

#include "core/converter/JQuantsSettings.h"
#include "platform/JQuantsClient.h"

namespace kestrel::services {

std::string waitText(int seconds, bool limited) {
    if (limited)
        return "J-Quants の利用回数の上限に達しました。" + std::to_string(seconds) + " 秒待ってから再開します。";
    return "次の要求まで " + std::to_string(seconds) + " 秒";
}

namespace {

// Tells the owner which client runs, so that a cancel reaches it.
class WatchedClient : public platform::JQuantsClient {
public:
    WatchedClient(Options o, std::function<void(platform::JQuantsClient*)> onClient)
        : JQuantsClient(std::move(o)), m_onClient(std::move(onClient)) {
        if (m_onClient)
            m_onClient(this);
    }
    ~WatchedClient() override {
        if (m_onClient)
            m_onClient(nullptr);
    }

private:
    std::function<void(platform::JQuantsClient*)> m_onClient;
};

} // namespace

void installJQuantsHook(converter::JobHooks& hooks, const ConverterPaths& paths,
                        std::function<void(platform::JQuantsClient*)> onClient) {
    const std::string ini = paths.mainFolder + "/Kestrel.ini";
    hooks.jquantsPlan = converter::jquants::loadJQuantsSettings(ini).plan;
    hooks.jquants = [&hooks, ini, onClient](const std::string& address,
                                            std::string* error) -> std::unique_ptr<converter::jquants::JQuantsApi> {
        QString why;
        auto options = platform::jquantsOptions(ini, &why, QString::fromStdString(address));
        if (!options) {
            *error = why.toStdString();
            return nullptr;
        }
        auto client = std::make_unique<WatchedClient>(*options, onClient);
        client->onWait = [&hooks](int seconds, bool limited) {
            if (seconds > 0 && hooks.log)
                hooks.log(waitText(seconds, limited));
        };
        return client;
    };
}

} // namespace kestrel::services
