#pragma once
// The converter's ninth source: the J-Quants client made from the main program's Kestrel.ini
// (JQuantsURL, JQuantsPace) and the key (keyring or JQUANTS_API_KEY); its waits go to the job's log.
#include "core/converter/ConverterJob.h"
#include "services/converter/ConverterPlatform.h"

#include <functional>

namespace kestrel::platform {
class JQuantsClient;
}

namespace kestrel::services {

// Fills hooks.jquants; onClient (when given) is told the client while a run uses it, and nullptr after.
void installJQuantsHook(converter::JobHooks& hooks, const ConverterPaths& paths,
                        std::function<void(platform::JQuantsClient*)> onClient = {});

} // namespace kestrel::services
