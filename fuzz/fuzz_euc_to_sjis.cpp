// Any bytes as a web page: the conversion never reads past the input, writes at most two bytes per input
// byte, and in mode 3 leaves no CR without its LF.
#include "core/net/EucToSjis.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (std::int16_t mode : {0, 1, 2, 3}) {
        std::string out = kestrel::net::EucToSjis(bytes, mode);
        if (out.size() > 2 * size)
            std::abort();
        if (mode == 3)
            for (size_t i = 0; i < out.size(); ++i)
                if (out[i] == '\r' && (i + 1 == out.size() || out[i + 1] != '\n'))
                    std::abort();
    }
    (void)kestrel::net::pageTextToUtf8(bytes);
    return 0;
}
