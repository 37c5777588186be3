// Conditions of store fetches, as text: reading never crashes or overflows the stack, however
// deeply it nests; every "%@" takes an argument.
#include "fuzz/FuzzInput.h"
#include "platform/store/Predicate.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text = fuzz::text(data, size);
    std::vector<base::Value> arguments;
    for (auto at = text.find("%@"); at != std::string_view::npos; at = text.find("%@", at + 2))
        arguments.emplace_back(std::string("argument"));
    auto predicate = store::Predicate::parse(text, std::move(arguments));
    if (predicate)
        (void)predicate->description();
    return 0;
}
