#pragma once
// The desktop keyring, through QtKeychain: secrets of the program live there and never in a file.
// Each call waits in a local event loop for the keyring's answer.
#include <QString>

namespace kestrel::platform {

inline constexpr const char* kKeyringService = "KestrelApp";
inline constexpr const char* kJQuantsKeyName = "JQuantsAPIKey";

// The stored secret, or "" with the reason in *error (nothing stored, no keyring running).
QString readSecret(const QString& name, QString* error);
// Stores the secret (an empty one deletes the entry); false with the reason in *error.
bool writeSecret(const QString& name, const QString& secret, QString* error);

} // namespace kestrel::platform
