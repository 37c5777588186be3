#include "ads/foundation/VDLogger.h"

#include "platform/base/Log.h"

#include <string>

std::shared_ptr<VDLogger> VDLogger::sharedInstance() {
    static const std::shared_ptr<VDLogger> logger = std::make_shared<VDLogger>(Private{});
    return logger;
}

void VDLogger::logPublicMessage(std::string_view message) const {
    std::string line = "<Redodi> ";
    line += message;
    base::log(line);
}
