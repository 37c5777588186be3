#pragma once

#include <optional>
#include <string>
#include <vector>

// Which mediation adapter classes the application holds, sent with every ad request as
// "adapters". Adapter classes register their names as they are built into the program; the
// list sent is set from the server's candidates (the SDK constant "adapter_class_names")
// together with the built-in adapters, keeping those that are registered. Any thread.
class VDMediationAdapters {
public:
    VDMediationAdapters() = delete;

    // The built-in adapters, always candidates.
    static const std::vector<std::string>& builtInAdapterNames();

    // nullopt until a list has been set.
    static std::optional<std::vector<std::string>> availableAdapterNames();
    // The built-in names, then the server's names not among them, each kept when its class is
    // registered.
    static void updateAvailableAdapterNamesWithPotentialAdapterNames(
        const std::vector<std::string>& potentialAdapterNames);

    // Adapter classes built into the program.
    static void registerAdapterClassName(const std::string& name);
    static bool isAdapterClassAvailable(const std::string& name);

    // Forgets the list and the registrations (tests).
    static void resetForTesting();
};
