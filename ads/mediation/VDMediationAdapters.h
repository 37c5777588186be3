#pragma once

// The mediation adapters built into this layer, VDMAdapterHTML and VDMAdapterCustomEvents,
// registered in VDClassRegistry under their class names, where the mediation manager finds
// every adapter. Adapters of the layers above register themselves there the same way. Any
// thread.
class VDMediationAdapters {
public:
    VDMediationAdapters() = delete;

    // Registers each that is not registered yet (a host's own class of that name stays).
    static void registerBuiltInAdapterClasses();
};
