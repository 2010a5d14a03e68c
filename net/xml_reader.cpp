// The XML document reader over expat: elements with local names, their text and children.
#include <expat.h>

#include <climits>

#include "base/xml_tree.h"

namespace verdalin {

namespace {

// What the parse has built so far: the root and the path of open elements down to the current one.
struct TreeBuilder {
  XML_Parser parser = nullptr;
  XmlElement root;
  std::vector<XmlElement*> open;
  std::size_t elements = 0;
  bool refused = false;

  void Refuse() {
    refused = true;
    XML_StopParser(parser, XML_FALSE);
  }
};

std::string_view LocalName(const XML_Char* name) {
  std::string_view full(name);
  const std::size_t colon = full.rfind(':');
  return colon == std::string_view::npos ? full : full.substr(colon + 1);
}

void XMLCALL StartElement(void* data, const XML_Char* name, const XML_Char** /*attributes*/) {
  auto& builder = *static_cast<TreeBuilder*>(data);
  if (builder.open.size() >= kXmlMaxDepth || ++builder.elements > kXmlMaxElements) {
    return builder.Refuse();
  }
  XmlElement* element = &builder.root;
  if (!builder.open.empty()) element = &builder.open.back()->children.emplace_back();
  element->name = LocalName(name);
  builder.open.push_back(element);
}

void XMLCALL EndElement(void* data, const XML_Char* /*name*/) {
  static_cast<TreeBuilder*>(data)->open.pop_back();
}

void XMLCALL Characters(void* data, const XML_Char* text, int length) {
  auto& builder = *static_cast<TreeBuilder*>(data);
  if (!builder.open.empty() && length > 0) {
    builder.open.back()->text.append(text, static_cast<std::size_t>(length));
  }
}

// A document type declaration could define entities: such documents are not read at all.
void XMLCALL StartDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
  static_cast<TreeBuilder*>(data)->Refuse();
}

}  // namespace

std::optional<XmlElement> ReadXmlDocument(std::string_view text) {
  if (text.size() > kXmlMaxBytes || text.size() > INT_MAX) return std::nullopt;
  TreeBuilder builder;
  builder.parser = XML_ParserCreate(nullptr);
  if (builder.parser == nullptr) return std::nullopt;
  XML_SetUserData(builder.parser, &builder);
  XML_SetElementHandler(builder.parser, StartElement, EndElement);
  XML_SetCharacterDataHandler(builder.parser, Characters);
  XML_SetStartDoctypeDeclHandler(builder.parser, StartDoctype);
  const XML_Status status =
      XML_Parse(builder.parser, text.data(), static_cast<int>(text.size()), XML_TRUE);
  XML_ParserFree(builder.parser);
  if (status != XML_STATUS_OK || builder.refused) return std::nullopt;
  return std::move(builder.root);
}

}  // namespace verdalin
