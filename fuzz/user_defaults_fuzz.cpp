// The preferences file as found on disk: whatever the preferences read from it must write again
// and read back unchanged, so that no damaged file can make every later save fail.
#include "fuzz/FuzzInput.h"
#include "platform/base/PropertyList.h"
#include "platform/base/UserDefaults.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::ScratchFile file("preferences.plist");
    auto defaults = base::UserDefaults::create(file.write(fuzz::text(data, size)), {});
    base::Value kept(defaults->dictionaryRepresentation());
    auto written = base::writePlist(kept, base::PlistFormat::Binary);
    FUZZ_CHECK(written.ok());
    auto again = base::readPlist(*written);
    FUZZ_CHECK(again.ok());
    FUZZ_CHECK(again->isIdenticalTo(kept));
    return 0;
}
