#include "tests/support/xml_reader.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <memory>

namespace zormint::test {

namespace {

std::string Text(const xmlChar* text) {
  return text ? reinterpret_cast<const char*>(text) : "";
}

sim::XmlElement Convert(const xmlNode* node) {
  sim::XmlElement element;
  element.name = Text(node->name);
  element.ns = node->ns ? Text(node->ns->href) : "";
  for (const xmlAttr* attribute = node->properties; attribute; attribute = attribute->next) {
    xmlChar* value = xmlNodeListGetString(node->doc, attribute->children, 1);
    element.attributes.emplace_back(Text(attribute->name), Text(value));
    xmlFree(value);
  }
  for (const xmlNode* child = node->children; child; child = child->next) {
    if (child->type == XML_ELEMENT_NODE) element.children.push_back(Convert(child));
  }
  return element;
}

}  // namespace

std::optional<sim::XmlElement> ParseXml(const std::string& text, std::string* error) {
  std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)> doc(
      xmlReadMemory(text.data(), static_cast<int>(text.size()), "customUI.xml", nullptr,
                    XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING),
      &xmlFreeDoc);
  if (!doc || !xmlDocGetRootElement(doc.get())) {
    if (error) {
      const xmlError* last = xmlGetLastError();
      *error = last && last->message ? last->message : "not well-formed";
    }
    return std::nullopt;
  }
  return Convert(xmlDocGetRootElement(doc.get()));
}

}  // namespace zormint::test
