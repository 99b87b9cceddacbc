// The help source parsed: what the writer turns into a help file.
// All text is Shift-JIS (code page 932) bytes, as the help viewer reads it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace hlpc {

// A run of text; a cross-reference when target names a topic's context.
struct Span {
  std::string text;
  std::string target;
};

struct Paragraph {
  bool heading = false;
  std::vector<Span> spans;
};

struct Topic {
  std::string context;
  std::string title;
  std::vector<Paragraph> paragraphs;
};

// The first topic is the contents topic.
struct Document {
  std::string title;
  std::vector<Topic> topics;
};

// A refusal of the source, naming the line (1-based) it concerns.
class SourceError : public std::runtime_error {
 public:
  SourceError(int line, const std::string& what);
  int line() const { return line_; }

 private:
  int line_;
};

// The viewer finds a topic by this hash of its context name.
std::int32_t ContextHash(std::string_view context);

// Reads the UTF-8 markup; throws SourceError on anything malformed.
Document ParseSource(std::string_view utf8);

}  // namespace hlpc
