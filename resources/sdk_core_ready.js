// Whether the SDK-core page defines every function the ads client calls in it.
typeof VDMA_getAd === "function" && typeof VDMA_getAdapterLessMediationAd === "function" &&
    typeof VDMA_getSdkConstants === "function"
