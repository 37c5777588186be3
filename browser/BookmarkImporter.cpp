#include "browser/BookmarkImporter.h"

#include "browser/AdManager.h"
#include "browser/BrowserDelegate.h"
#include "platform/base/AppHome.h"
#include "platform/base/Date.h"
#include "platform/base/Log.h"
#include "platform/base/Regex.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Strings.h"
#include "platform/base/Value.h"

#include <cctype>
#include <cerrno>
#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xpath.h>
#include <string_view>

namespace {

struct XMLDocumentFree {
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
struct XPathContextFree {
    void operator()(xmlXPathContext* context) const { xmlXPathFreeContext(context); }
};
struct XPathObjectFree {
    void operator()(xmlXPathObject* object) const { xmlXPathFreeObject(object); }
};
struct XMLCharFree {
    void operator()(xmlChar* text) const { xmlFree(text); }
};
using XMLText = std::unique_ptr<xmlChar, XMLCharFree>;

std::string toString(const XMLText& text) {
    return text ? std::string(reinterpret_cast<const char*>(text.get())) : std::string();
}

base::Regex compiled(const char* pattern, bool caseInsensitive = false) {
    base::Regex::Options options;
    options.caseInsensitive = caseInsensitive;
    // The patterns are the program's own; one that does not compile is a programming error.
    return base::Regex::compile(pattern, options).value();
}

// Every reference becomes a numeric character reference, and every `&` that starts none becomes
// "&#38;", so that an address's query ("?a=1&b=2") keeps its parameters and the HTML entities
// that exports use in titles ("&nbsp;", "&eacute;") are read. Numeric ones even for the five
// XML predefines: once the parser has met a markup error, its recovery drops named references
// ("AT&amp;T" would be saved as "ATT") but still reads numeric ones.
std::string withReferencesXMLKnows(std::string_view text) {
    static constexpr std::size_t longestName = 32;
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t ampersand = text.find('&', from);
        out.append(text.substr(from, ampersand - from));
        if (ampersand == std::string_view::npos)
            break;
        from = ampersand + 1;
        // Only a short name can make a reference: the search for its ";" stops there, so that
        // a text of many bare ampersands costs no more than one pass.
        const std::size_t semicolon = text.substr(from, longestName + 1).find(';');
        const std::string_view name =
            semicolon == std::string_view::npos ? std::string_view() : text.substr(from, semicolon);
        const auto all = [&](std::size_t start, auto&& accepted) {
            if (name.size() <= start)
                return false;
            for (std::size_t i = start; i < name.size(); ++i)
                if (!accepted(static_cast<unsigned char>(name[i])))
                    return false;
            return true;
        };
        const bool numeric =
            name.starts_with("#x") || name.starts_with("#X")
                ? all(2, [](unsigned char c) { return std::isxdigit(c); })
                : name.starts_with("#") && all(1, [](unsigned char c) { return std::isdigit(c); });
        const bool named = !name.empty() && std::isalpha(static_cast<unsigned char>(name[0])) &&
                           all(0, [](unsigned char c) { return std::isalnum(c); });
        if (numeric) {
            out += '&';
            continue;
        }
        if (named) {
            const std::string nameText(name);
            if (const htmlEntityDesc* entity =
                    htmlEntityLookup(reinterpret_cast<const xmlChar*>(nameText.c_str()))) {
                out += "&#" + std::to_string(entity->value) + ";";
                from += semicolon + 1;
                continue;
            }
        }
        out += "&#38;";
    }
    return out;
}

} // namespace

BookmarkImporter::BookmarkImporter() = default;
BookmarkImporter::~BookmarkImporter() = default;

std::string BookmarkImporter::documentText(std::string_view exportText) {
    // Comments go one by one; one that never ends is left to the parser, which drops it.
    static const base::Regex comments = compiled(R"(<!--[\s\S]*?-->)");
    // A line break with the blanks around it, and a tab, become one space, so that a tag or a
    // title broken over lines stays whole and two words never run together.
    static const base::Regex lineBreaks = compiled(R"([ \t]*(?:\r\n|[\r\n])[ \t]*|\t)");
    // The doctype and meta tags, each up to its own ">".
    static const base::Regex declarations =
        compiled(R"(<!DOCTYPE[^<>]*>?|</?meta\b[^<>]*>?)", true);
    // Tags the export format never closes, which XML would take as holding everything after
    // them, and the html and body tags, whose content goes straight under the root.
    static const base::Regex looseTags = compiled(R"(</?(?:dt|dd|p|hr|html|body)\b[^<>]*>)", true);
    // A line break inside a title, which XML would take as holding the rest of the list (the
    // next bookmark with it), is a space.
    static const base::Regex lineBreakTags = compiled(R"(<br\b[^<>]*>|</br\s*>)", true);
    // The valueless FOLDED attribute of a heading, which XML does not allow; the word elsewhere
    // (a title, an address, another attribute's value) stays. Attributes are matched whole and
    // never across a "<" or ">", so the search stays linear whatever the text.
    static const base::Regex folded = compiled(
        R"((<[A-Za-z][^\s/<>]*(?>\s+[^\s=/<>]+(?>\s*=\s*(?>"[^"<>]*"|'[^'<>]*'|[^\s"'<>]+))?)*?))"
        R"(\s+FOLDED(?=[\s/>]))",
        true);

    std::string text = comments.replace(exportText, "");
    text = lineBreaks.replace(text, " ");
    text = declarations.replace(text, "");
    text = looseTags.replace(text, "");
    text = lineBreakTags.replace(text, " ");
    text = folded.replace(text, "$1");
    return "<root>" + withReferencesXMLKnows(text) + "</root>";
}

base::Result<void> BookmarkImporter::loadBookmarksFromUrl(const base::URL& url) {
    auto path = url.fileSystemPath();
    if (!path)
        return base::Error::make(errorDomain, FileUnreadable,
                                 "Bookmarks can only be imported from a file, not from " +
                                     url.absoluteString() + ".");
    return loadBookmarksFromFile(*path);
}

base::Result<void> BookmarkImporter::loadBookmarksFromFile(const std::filesystem::path& path) {
    BrowserDelegate::takeContextIfNone(context_);
    auto read = base::readFile(path, maximumFileSize);
    if (!read) {
        base::Error error =
            read.error().code == EFBIG
                ? base::Error::make(errorDomain, FileTooLarge,
                                    "The bookmark file " + path.string() + " is larger than " +
                                        std::to_string(maximumFileSize / (1024 * 1024)) +
                                        " MB, more than any bookmark export holds.")
                : base::Error::make(errorDomain, FileUnreadable,
                                    "The bookmark file cannot be read: " +
                                        read.error().localizedDescription());
        error.setUnderlyingError(read.error());
        return error;
    }
    const std::string text = read.value().toString();
    if (!base::isValidUTF8(text))
        return base::Error::make(errorDomain, FileNotText,
                                 "The bookmark file " + path.string() +
                                     " is not UTF-8 text, as bookmark exports are.");
    if (!context_)
        return base::Error::make(errorDomain, SaveFailed, "The bookmark store is not open.");
    loadBookmarksFromText(text);
    return save();
}

void BookmarkImporter::loadBookmarksFromText(std::string_view exportText) {
    base::assertMainThread();
    BrowserDelegate::takeContextIfNone(context_);
    if (!context_)
        return;
    rootFolder_ = context_->insertNewObject("Folder");
    rootFolder_->setValue(
        "name", base::Value("import folder " + base::Value(base::Date::now()).description()));

    const std::string document = documentText(exportText);
    // Recovery repairs what it can; the parser never reaches the network, and with neither
    // DTD loading nor entity substitution asked for it reads nothing but these bytes.
    std::unique_ptr<xmlDoc, XMLDocumentFree> parsed(xmlReadMemory(
        document.data(), static_cast<int>(document.size()), "", nullptr,
        XML_PARSE_RECOVER | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    if (!parsed)
        return;
    std::unique_ptr<xmlXPathContext, XPathContextFree> xpath(xmlXPathNewContext(parsed.get()));
    if (!xpath)
        return;
    // The children of the wrapping root only: "root" elements of the file itself are content
    // like any other, and selecting their children too would walk every nested level again.
    std::unique_ptr<xmlXPathObject, XPathObjectFree> selected(
        xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>("/root/*"), xpath.get()));
    if (!selected || !selected->nodesetval)
        return;
    const xmlNodeSet& allNodes = *selected->nodesetval;
    std::vector<xmlNode*> nodes(allNodes.nodeTab, allNodes.nodeTab + allNodes.nodeNr);
    loggedFolders_ = 0;
    loadBookmarksFromNodes(nodes, rootFolder_, true);
    if (loggedFolders_ > maximumFolderLogLines)
        base::log("And " + std::to_string(loggedFolders_ - maximumFolderLogLines) +
                  " more folders");
}

namespace {

std::string lowercaseName(const xmlNode* node) {
    return node->name ? base::lowercaseASCII(reinterpret_cast<const char*>(node->name))
                      : std::string();
}

// The node's own text: its text children, not the text of the elements inside it (an unclosed
// tag can hold the rest of the file).
std::string ownText(const xmlNode* node) {
    std::string text;
    for (const xmlNode* child = node->children; child; child = child->next)
        if ((child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) &&
            child->content)
            text += reinterpret_cast<const char*>(child->content);
    return text;
}

// The first element child of `node` named `name`; null when there is none.
xmlNode* childElementNamed(const xmlNode* node, std::string_view name) {
    for (xmlNode* child = node->children; child; child = child->next)
        if (child->type == XML_ELEMENT_NODE && lowercaseName(child) == name)
            return child;
    return nullptr;
}

// The element after `node` among its siblings, skipping text and comments; null at the end.
xmlNode* nextElement(const xmlNode* node) {
    xmlNode* next = node->next;
    while (next && next->type != XML_ELEMENT_NODE)
        next = next->next;
    return next;
}

} // namespace

void BookmarkImporter::loadBookmarksFromNodes(const std::vector<xmlNode*>& nodes,
                                              const std::shared_ptr<store::Object>& folder,
                                              bool scanDL) {
    // A heading takes the list right after it, and that list is not read again on its own.
    const xmlNode* taken = nullptr;
    for (xmlNode* node : nodes) {
        if (node->type != XML_ELEMENT_NODE || node == taken)
            continue;
        const std::string name = lowercaseName(node);
        if (name == "h3") {
            // A heading left open holds its list itself (a closed one never holds a list);
            // otherwise its list is the element right after it.
            xmlNode* list = childElementNamed(node, "dl");
            if (!list) {
                xmlNode* next = nextElement(node);
                list = next && lowercaseName(next) == "dl" ? next : nullptr;
                taken = list;
            }
            addFolder(node, list, folder);
        } else if (name == "a") {
            addBookmark(node, folder);
        } else if (name == "dl" && scanDL) {
            loadBookmarksFromChildrenNodes(node->children, folder, false);
        }
    }
}

void BookmarkImporter::loadBookmarksFromChildrenNodes(xmlNode* first,
                                                      const std::shared_ptr<store::Object>& folder,
                                                      bool scanDL) {
    std::vector<xmlNode*> nodes;
    for (xmlNode* node = first; node; node = node->next)
        nodes.push_back(node);
    loadBookmarksFromNodes(nodes, folder, scanDL);
}

void BookmarkImporter::addFolder(xmlNode* heading, xmlNode* list,
                                 const std::shared_ptr<store::Object>& parent) {
    const std::string name = base::trim(ownText(heading));
    auto folder = context_->insertNewObject("Folder");
    folder->setValue("name", base::Value(name));
    folder->setRelatedObject("Parent", parent);
    // A few lines say what is imported; a file of a million folders does not make a million.
    if (++loggedFolders_ <= maximumFolderLogLines) {
        const std::string* parentName = parent->value("name").string();
        base::log("folder:" + base::utf16Substr(name, 0, maximumLoggedNameLength) + " parent:" +
                  base::utf16Substr(parentName ? *parentName : std::string(), 0,
                                    maximumLoggedNameLength));
    }
    if (list)
        loadBookmarksFromChildrenNodes(list->children, folder, false);
}

void BookmarkImporter::addBookmark(xmlNode* link, const std::shared_ptr<store::Object>& folder) {
    for (xmlAttr* attribute = link->properties; attribute; attribute = attribute->next) {
        if (!attribute->name ||
            base::lowercaseASCII(reinterpret_cast<const char*>(attribute->name)) != "href")
            continue;
        const std::string address =
            toString(XMLText(xmlNodeListGetString(link->doc, attribute->children, 1)));
        if (!address.starts_with("http") || address.starts_with("http://localhost"))
            continue;
        auto bookmark = context_->insertNewObject("Bookmark");
        bookmark->setValue("name", base::Value(ownText(link)));
        bookmark->setValue("url", base::Value(address));
        bookmark->setRelatedObject("Folder", folder);
    }
}

base::Result<void> BookmarkImporter::save() {
    base::assertMainThread();
    if (!context_)
        return {};
    auto saved = context_->save();
    if (!saved) {
        context_->rollback();
        base::Error error = base::Error::make(errorDomain, SaveFailed,
                                              "The imported bookmarks could not be saved: " +
                                                  saved.error().localizedDescription());
        error.setUnderlyingError(saved.error());
        return error;
    }
    requestInterstitial();
    return {};
}

void BookmarkImporter::requestInterstitial() {
    AdManager::sharedInstance()->showVeDivFullscreen();
}
