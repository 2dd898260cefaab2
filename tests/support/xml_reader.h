// XML read natively with libxml2, into the elements the simulated ribbon host checks.
#pragma once

#include <optional>
#include <string>

#include "sim/model/custom_ui.h"

namespace zormint::test {

// The document's root element, or none (with the parser's message in *error) when the text is
// not well-formed XML.
std::optional<sim::XmlElement> ParseXml(const std::string& text, std::string* error = nullptr);

}  // namespace zormint::test
