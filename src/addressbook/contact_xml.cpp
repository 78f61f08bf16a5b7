// SPDX-License-Identifier: MIT
// Windows Contacts files: one XML document per contact, elements in the
// contact schema's namespace under whatever prefix the writer chose.
#include "addressbook/contact_xml.h"

#include <pugixml.hpp>

#include "addressbook/display_names.h"
#include "addressbook/source_lines.h"
#include "decode/japanese.h"

namespace pelmora {

namespace {

std::string_view prefixOf(std::string_view qualifiedName) {
    std::size_t colon = qualifiedName.find(':');
    return colon == std::string_view::npos ? std::string_view() : qualifiedName.substr(0, colon);
}

std::string_view localNameOf(std::string_view qualifiedName) {
    std::size_t colon = qualifiedName.find(':');
    return colon == std::string_view::npos ? qualifiedName : qualifiedName.substr(colon + 1);
}

// The namespace of an element: the nearest declaration of its prefix (or of
// the default namespace) on the element or an ancestor.
std::string_view namespaceOf(pugi::xml_node element) {
    std::string_view prefix = prefixOf(element.name());
    std::string attribute = prefix.empty() ? "xmlns" : "xmlns:" + std::string(prefix);
    for (pugi::xml_node node = element; node.type() == pugi::node_element; node = node.parent()) {
        if (pugi::xml_attribute declaration = node.attribute(attribute.c_str())) return declaration.value();
    }
    return {};
}

pugi::xml_node childNamed(pugi::xml_node parent, std::string_view localName) {
    if (!parent) return {};
    std::string_view wanted = namespaceOf(parent);
    for (pugi::xml_node child : parent.children()) {
        if (child.type() == pugi::node_element && localNameOf(child.name()) == localName &&
            namespaceOf(child) == wanted)
            return child;
    }
    return {};
}

// The element's text when it holds text only; empty otherwise.
std::string textOnly(pugi::xml_node element) {
    std::string text;
    if (!element) return text;
    for (pugi::xml_node child : element.children()) {
        if (child.type() != pugi::node_pcdata && child.type() != pugi::node_cdata) return {};
        text += child.value();
    }
    return text;
}

}  // namespace

std::expected<void, Error> ReadContactXml(std::string_view xml, std::vector<std::string>& lines) {
    pugi::xml_document document;
    pugi::xml_parse_result parsed = document.load_buffer(xml.data(), xml.size());
    if (!parsed) {
        Error rejected = MakeError(ErrorKind::Content, {}, 0);
        rejected.reason =
            std::string(parsed.description()) + " (offset " + std::to_string(parsed.offset) + ")";
        return std::unexpected(std::move(rejected));
    }
    pugi::xml_node contact = document.document_element();
    pugi::xml_node formattedName =
        childNamed(childNamed(childNamed(contact, "NameCollection"), "Name"), "FormattedName");
    std::string name = Utf8ToAnsi(textOnly(formattedName));
    if (addressbook::TrimAsciiSpace(name).empty()) return {};
    pugi::xml_node collection = childNamed(contact, "EmailAddressCollection");
    std::string_view collectionNamespace = namespaceOf(collection);
    for (pugi::xml_node entry : collection.children()) {
        if (entry.type() != pugi::node_element || localNameOf(entry.name()) != "EmailAddress" ||
            namespaceOf(entry) != collectionNamespace)
            continue;
        addressbook::AddSourceLine(lines, Utf8ToAnsi(textOnly(childNamed(entry, "Address"))), name);
    }
    return {};
}

}  // namespace pelmora
