// Lays out a parsed help source as one HTML page, for systems without a
// WinHelp viewer: the same topics, in the same order, each an anchor named
// by its context, and the same links.
#pragma once

#include <string>

#include "Document.h"

namespace hlpc {

// The page's bytes, Shift-JIS like the source's text.
std::string BuildHtmlHelp(const Document& doc);

}  // namespace hlpc
