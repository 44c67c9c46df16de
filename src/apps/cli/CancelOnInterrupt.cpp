#include "CancelOnInterrupt.h"

#include <csignal>

namespace kestrel::cli {
namespace {

platform::JQuantsClient* g_client = nullptr;

extern "C" void onInterrupt(int) {
    if (g_client)
        g_client->cancel();
    std::signal(SIGINT, SIG_DFL);
}

} // namespace

CancelOnInterrupt::CancelOnInterrupt(platform::JQuantsClient& client) {
    g_client = &client;
    m_previous = std::signal(SIGINT, onInterrupt);
}

CancelOnInterrupt::~CancelOnInterrupt() {
    std::signal(SIGINT, m_previous);
    g_client = nullptr;
}

} // namespace kestrel::cli
