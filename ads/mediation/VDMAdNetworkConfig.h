#pragma once

#include "platform/base/Seconds.h"
#include "platform/base/Value.h"

#include <string>
#include <vector>

// One network of a mediation configuration (VDMConfig describes the format): the adapter
// class that asks it for an ad, what that adapter is given, how long it may take, and the
// server's identifiers and ping templates for it. Values are already bounded.
struct VDMAdNetworkConfig {
    std::string adapterClassName;
    std::string networkID;
    std::string allocationID;
    base::Value::Dictionary parameters;
    base::Seconds timeout{10};
    std::vector<std::string> pingTemplates;
};
