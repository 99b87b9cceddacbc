// Lays out a parsed help source as a WinHelp 3.1 file.
#pragma once

#include <cstdint>
#include <string>

#include "Document.h"

namespace hlpc {

// The whole file's bytes. gen_time is stamped into the file's header.
std::string BuildHelpFile(const Document& doc, std::uint32_t gen_time);

// Replaces path with bytes only once they are all on disk: a failed run
// leaves the previous file as it was. Throws std::runtime_error.
void WriteFileAtomically(const std::string& path, const std::string& bytes);

}  // namespace hlpc
