#include "platform/DialRasHangUp.h"

namespace kestrel::platform::DialRasHangUp {
namespace {

quintptr g_handle = 0;
QString g_entryName;

} // namespace

bool AttemptConnect() {
    return true;
}

bool IsConnected(bool rememberConnection) {
    // No dial-up connections exist here: nothing to enumerate and nothing to remember.
    Q_UNUSED(rememberConnection);
    return false;
}

void HangUp() {
    // Hanging up a zero handle has no effect.
    g_handle = 0;
}

quintptr DialConnectionHandle() {
    return g_handle;
}

QString DialEntryName() {
    return g_entryName;
}

} // namespace kestrel::platform::DialRasHangUp
