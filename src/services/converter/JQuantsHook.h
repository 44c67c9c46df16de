#pragma once
// The converter's ninth source: the J-Quants client made from the main program's Kestrel.ini
// (JQuantsURL, JQuantsPace) and the key (keyring or JQUANTS_API_KEY); its waits go to the job's log.
#include "core/converter/ConverterJob.h"
#include "services/converter/ConverterPlatform.h"

#include <functional>
#include <string>

namespace kestrel::platform {
class JQuantsClient;
}

namespace kestrel::services {

// The progress text of a wait before the next request; limited: after a 429.
std::string waitText(int seconds, bool limited);

// Fills hooks.jquants and hooks.jquantsPlan; onClient (when given) is told the client while a run uses it, and nullptr
// after.
void installJQuantsHook(converter::JobHooks& hooks, const ConverterPaths& paths,
                        std::function<void(platform::JQuantsClient*)> onClient = {});

} // namespace kestrel::services
