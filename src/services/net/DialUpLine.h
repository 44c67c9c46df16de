#pragma once
#include <functional>

namespace kestrel::services {

// The dial-up line around downloads and at closing: the one seam every caller goes through. The
// default is the platform's (which has no dial-up connections); tests install their own.
struct DialUpLine {
    std::function<bool()> isConnected; // remembers the connection it reports
    std::function<void()> hangUp;
    std::function<bool()> attemptConnect; // true when the network may be used; empty counts as true
};
// The process-wide dial-up line.
DialUpLine& dialUpLine();

} // namespace kestrel::services
