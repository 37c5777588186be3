#include "browser/BookmarkImporter.h"

#include "browser/BrowserDelegate.h"
#include "platform/base/AppHome.h"
#include "platform/base/Date.h"
#include "platform/base/Log.h"
#include "platform/base/Regex.h"
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

// Every `&` that does not start a reference XML knows becomes "&amp;", so that an address's
// query ("?a=1&b=2") keeps its parameters; the HTML entities that exports use in titles
// ("&nbsp;", "&eacute;") become character references.
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
        if (numeric || (named && (name == "amp" || name == "lt" || name == "gt" || name == "quot" ||
                                  name == "apos"))) {
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
        out += "&amp;";
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
    std::unique_ptr<xmlXPathObject, XPathObjectFree> selected(
        xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>("//root/*"), xpath.get()));
    if (!selected || !selected->nodesetval)
        return;
    const xmlNodeSet& allNodes = *selected->nodesetval;
    std::vector<xmlNode*> nodes(allNodes.nodeTab, allNodes.nodeTab + allNodes.nodeNr);
    loadBookmarksFromNodes(nodes, rootFolder_, true);
}

namespace {

std::string lowercaseName(const xmlNode* node) {
    return node->name ? base::lowercaseASCII(reinterpret_cast<const char*>(node->name))
                      : std::string();
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
            xmlNode* next = nextElement(node);
            xmlNode* list = next && lowercaseName(next) == "dl" ? next : nullptr;
            addFolder(node, list, folder);
            taken = list;
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
    // The heading's whole text, so that markup or an entity inside it does not cut the name.
    const std::string name = base::trim(toString(XMLText(xmlNodeGetContent(heading))));
    auto folder = context_->insertNewObject("Folder");
    folder->setValue("name", base::Value(name));
    folder->setRelatedObject("Parent", parent);
    const std::string* parentName = parent->value("name").string();
    base::log("folder:" + name + " parent:" + (parentName ? *parentName : std::string()));
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
        bookmark->setValue("name", base::Value(toString(XMLText(xmlNodeGetContent(link)))));
        bookmark->setValue("url", base::Value(address));
        bookmark->setRelatedObject("Folder", folder);
    }
}

base::Result<void> BookmarkImporter::save() {
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
    // The ad placement shows an interstitial here once it exists.
}
