#pragma once

#include "platform/base/Error.h"
#include "platform/base/URL.h"

#include <optional>

class VDCachedFile;

// What a VDCachedFile tells about its download, on the main thread. Exactly one of
// cachedFileDownloadDidEnd and cachedFileDownloadDidFail ends each download.
class VDCachedFileDelegate {
public:
    virtual ~VDCachedFileDelegate() = default;

    // A redirect is about to be followed to `url`: an error stops the download (and comes back
    // through cachedFileDownloadDidFail), nullopt lets it go on.
    virtual std::optional<base::Error> cachedFileShouldRedirectToURL(VDCachedFile& file,
                                                                     const base::URL& url) = 0;
    // The body was written to the file, or the server answered that the file is current (304).
    virtual void cachedFileDownloadDidEnd(VDCachedFile& file) = 0;
    // A status that is neither success nor 304 (no error), a refused redirect, a connection
    // failure, or a failed write.
    virtual void cachedFileDownloadDidFail(VDCachedFile& file,
                                           const std::optional<base::Error>& error) = 0;
};
