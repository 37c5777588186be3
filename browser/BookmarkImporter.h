#pragma once

#include "platform/base/Result.h"
#include "platform/base/URL.h"
#include "platform/store/Context.h"
#include "platform/store/Object.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct _xmlNode;

// Turns an HTML bookmark file (the common export form: "h3" headings name folders, "dl" lists
// hold a folder's entries, "a" links carry bookmarks in their "href") into Folder and Bookmark
// objects of the bookmark store, all under one new folder made for the import.
//
// The export's markup is cleaned into an XML document (its unclosed tags, comments, doctype and
// the valueless FOLDED attribute removed, line-break tags made spaces, every reference made a
// numeric one and bare ampersands escaped, a root element around it all), parsed by libxml2's
// XML parser in recovery mode, and the wrapping root's element children, selected by the XPath
// "/root/*", are walked, each node once: at that level lists are read; inside a list, a heading
// makes a folder that holds the list right after it (or inside it, when the heading was left
// open), and a link whose address starts with "http" (and is not on http://localhost) makes a
// bookmark. Folders and bookmarks are named after their heading's and link's own text. The parser
// never reaches the network and never loads a DTD.
//
// A file is imported whole or not at all: the objects are saved once, at the end, and a failed
// save leaves nothing of the import in the context. Main thread only.
class BookmarkImporter {
public:
    static constexpr const char* errorDomain = "BookmarkImporterErrorDomain";
    enum ErrorCode : long {
        // The file cannot be opened or read; the error's underlying error says why.
        FileUnreadable = 1,
        // The file is larger than maximumFileSize.
        FileTooLarge = 2,
        // The file is not UTF-8 text.
        FileNotText = 3,
        // The store refused the imported objects; the underlying error is the store's.
        SaveFailed = 4,
    };
    // Files larger than this are refused before anything is read: a real export of tens of
    // thousands of bookmarks is a few megabytes.
    static constexpr std::uintmax_t maximumFileSize = 32 * 1024 * 1024;
    // An import writes a console line for each of its first folders, names cut to this many
    // characters, then one line for the rest.
    static constexpr std::size_t maximumFolderLogLines = 100;
    static constexpr std::size_t maximumLoggedNameLength = 80;

    BookmarkImporter();
    ~BookmarkImporter();

    // The store's context; the application delegate's when none was set.
    const std::shared_ptr<store::Context>& managedObjectContext() const { return context_; }
    void setManagedObjectContext(std::shared_ptr<store::Context> context) {
        context_ = std::move(context);
    }
    // The folder made for the last import.
    const std::shared_ptr<store::Object>& rootFolder() const { return rootFolder_; }

    // Imports the file at a file URL, or at a path, and saves. Fails, with nothing imported,
    // for a URL that is no file URL, a file that cannot be read, one over the size limit or one
    // that is not UTF-8 text, and when the store refuses the save.
    base::Result<void> loadBookmarksFromUrl(const base::URL& url);
    base::Result<void> loadBookmarksFromFile(const std::filesystem::path& path);

    // Makes the import folder and walks the export's text into it, without saving: malformed
    // markup is repaired as far as the parser can, and what it cannot read is left out.
    void loadBookmarksFromText(std::string_view exportText);

    // The XML document made of an export's text: what the parser is given.
    static std::string documentText(std::string_view exportText);

    // Saves the context. On failure every unsaved change is undone, so that a later save of
    // another screen does not write half an import, and the store's error comes back.
    base::Result<void> save();

private:
    // The node rules: for each element of the list in order, a heading makes a folder holding
    // the list that follows it, a link makes a bookmark, and with `scanDL` a list is read into
    // `folder` (a list that a heading took is not read again).
    void loadBookmarksFromNodes(const std::vector<_xmlNode*>& nodes,
                                const std::shared_ptr<store::Object>& folder, bool scanDL);
    // The node and its following siblings.
    void loadBookmarksFromChildrenNodes(_xmlNode* first,
                                        const std::shared_ptr<store::Object>& folder, bool scanDL);
    void addFolder(_xmlNode* heading, _xmlNode* list, const std::shared_ptr<store::Object>& parent);
    void addBookmark(_xmlNode* link, const std::shared_ptr<store::Object>& folder);
    // The ad placement's interstitial after the importer saved.
    void requestInterstitial();

    std::shared_ptr<store::Context> context_;
    std::shared_ptr<store::Object> rootFolder_;
    std::size_t loggedFolders_ = 0; // folders made by the current import
};
