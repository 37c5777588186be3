// The social server's friend list as the client reads it: the answer becomes a result or an
// error without crashing, and every user it gives can be picked (an identifier).
#include "chorus/graph/CHGraphObject.h"
#include "chorus/graph/CHRequestConnection.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const base::Data body(data, size);
    // A success status, and one the answer cannot turn into a result.
    auto failed = CHRequestConnection::resultOfResponse(500, body);
    FUZZ_CHECK(!failed.ok());
    auto result = CHRequestConnection::resultOfResponse(200, body);
    if (!result)
        return 0;
    for (const auto& user : CHGraphObject::usersFromListResult(*result)) {
        FUZZ_CHECK(!user.id().empty());
        (void)user.name();
    }
    return 0;
}
