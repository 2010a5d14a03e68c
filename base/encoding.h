// Texts for outside formats: Windows-1252 and UTF-8, HTML and JSON escaping, fixed-point numbers.
#pragma once

#include <string>
#include <string_view>

namespace verdalin {

// Conversions for the places whose code page is UTF-8. Undefined Windows-1252 bytes map to the C1
// controls of the same value; characters without a Windows-1252 form and malformed UTF-8 become
// '?'.
std::string Windows1252ToUtf8(std::string_view text);
std::string Utf8ToWindows1252(std::string_view text);

// UTF-8 left as it is; any other text read as Windows-1252 (the Windows program's code page).
std::string AsUtf8(std::string_view text);

// The text made UTF-8 and escaped for an HTML element or attribute.
void AppendHtml(std::string& out, std::string_view text);

// The text made UTF-8 as a JSON string, quotes included. "<", ">" and "&" are escaped as well, so
// that no text can end the script element that holds the JSON or open a comment in it.
void AppendJsonString(std::string& out, std::string_view text);

// A number with `decimals` digits after a full stop; 0 for a value that is not finite.
void AppendFixed(std::string& out, double value, int decimals);

}  // namespace verdalin
