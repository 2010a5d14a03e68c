// An XML document read into a tree of elements: declared here, read by a well-kept XML parser in
// net/ (the core itself reads no XML).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace verdalin {

// One element: its name without a namespace prefix ("Envelope" for "s:Envelope"), the character
// data directly inside it (entities resolved, UTF-8) and its child elements in order.
struct XmlElement {
  std::string name;
  std::string text;
  std::vector<XmlElement> children;

  // The first child of that name, or null.
  const XmlElement* Child(std::string_view child_name) const {
    for (const XmlElement& child : children) {
      if (child.name == child_name) return &child;
    }
    return nullptr;
  }
};

// Bounds on what a document may hold; a document beyond them is refused whole.
inline constexpr std::size_t kXmlMaxDepth = 32;
inline constexpr std::size_t kXmlMaxElements = 20000;
inline constexpr std::size_t kXmlMaxBytes = std::size_t{4} << 20;

// The document's root element; none for a text that is not well-formed XML, that has a document
// type declaration (no entities of its own are taken) or that goes beyond the bounds above.
std::optional<XmlElement> ReadXmlDocument(std::string_view text);

}  // namespace verdalin
