#pragma once
// While one is alive, the first Ctrl-C asks the J-Quants client to stop after the request in flight
// (what was fetched and committed stays); a second one ends the program. One at a time.
#include "platform/JQuantsClient.h"

namespace kestrel::cli {

class CancelOnInterrupt {
public:
    explicit CancelOnInterrupt(platform::JQuantsClient& client);
    ~CancelOnInterrupt();
    CancelOnInterrupt(const CancelOnInterrupt&) = delete;
    CancelOnInterrupt& operator=(const CancelOnInterrupt&) = delete;

private:
    void (*m_previous)(int) = nullptr;
};

} // namespace kestrel::cli
