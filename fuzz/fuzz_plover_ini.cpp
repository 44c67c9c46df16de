// Any bytes as Plover.ini: loading never crashes and gives a selected source from 0 to 8 and values no
// longer than the INI reader's 1023 bytes; settings that can be written read back the same, both from a
// new file and from the same file written over (its other lines kept).
#include "FuzzHome.h"
#include "core/app/Encoding.h"
#include "core/converter/ConverterSettings.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

using fuzzing::check;
using kestrel::converter::ConverterSettings;

namespace {

bool same(const ConverterSettings& a, const ConverterSettings& b) {
    return a.texts == b.texts && a.setNo == b.setNo && a.check1 == b.check1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzing::ScratchFolder folder("plover");
    const std::string file = folder.file("Plover.ini"), fresh = folder.file("New.ini");
    check(static_cast<bool>(
        kestrel::writeFileAtomically(file, std::string_view(reinterpret_cast<const char*>(data), size))));
    const ConverterSettings s = kestrel::converter::LoadConverterSettings(file);
    check(s.setNo >= 0 && s.setNo < kestrel::converter::kSourceCount);
    bool writable = true;
    for (const std::string& text : s.texts) {
        auto bytes = kestrel::utf8ToCp932(text);
        // A lone CR inside a line is read as part of the value, but a value with a line break is refused
        // by the writer (it would become a line of its own).
        writable = writable && bytes && text.find_first_of("\r\n") == std::string::npos;
        check(!bytes || bytes->size() <= 1023);
    }
    if (!writable)
        return 0; // a value not in CP932 or with a line break cannot be written back; the save says so
    std::remove(fresh.c_str());
    check(kestrel::converter::SaveConverterSettings(fresh, s) &&
          same(kestrel::converter::LoadConverterSettings(fresh), s));
    check(kestrel::converter::SaveConverterSettings(file, s) &&
          same(kestrel::converter::LoadConverterSettings(file), s));
    return 0;
}
