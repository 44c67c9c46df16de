#include "services/net/DialUpLine.h"

#include "platform/DialRasHangUp.h"

namespace kestrel::services {

DialUpLine& dialUpLine() {
    static DialUpLine line{[] { return platform::DialRasHangUp::IsConnected(true); },
                           [] { platform::DialRasHangUp::HangUp(); },
                           [] { return platform::DialRasHangUp::AttemptConnect(); }};
    return line;
}

} // namespace kestrel::services
