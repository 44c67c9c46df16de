#pragma once
// DialRasHangUp: the dial-up line around downloads. This platform has no dial-up connections, so no
// connection is ever reported or remembered, and hanging up does nothing; a direct connection is
// always available to attempt.
#include <QString>

namespace kestrel::platform::DialRasHangUp {

// Asks the system to connect; true when the network may be used.
bool AttemptConnect();
// True when a dial-up connection is open; with rememberConnection, it becomes the one HangUp ends.
bool IsConnected(bool rememberConnection);
// Hangs up the remembered connection; nothing when none was remembered.
void HangUp();
// The remembered connection: 0 and "" until IsConnected remembered one.
quintptr DialConnectionHandle();
QString DialEntryName();

} // namespace kestrel::platform::DialRasHangUp
