// Reads a WinHelp 3.1 file back without the viewer: the internal
// directory, |SYSTEM, |FONT, |CONTEXT, |TTLBTREE and the topic text.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace hlpread {

struct Link {
  std::int32_t hash;
  std::string text;
};

struct ReadParagraph {
  unsigned font = 0;
  std::string text;  // the strings joined, links' text included
  std::vector<Link> links;
};

struct ReadTopic {
  std::string title;
  std::uint32_t offset = 0;  // as the viewer counts it
  std::uint32_t number = 0;
  std::uint32_t browse_back = 0, browse_forward = 0;
  std::vector<ReadParagraph> paragraphs;
};

struct Font {
  bool bold;
  unsigned half_points;
  std::string face;
};

class HelpFile {
 public:
  explicit HelpFile(std::string bytes);  // throws std::runtime_error

  std::vector<std::string> FileNames() const;  // every leaf of the directory
  bool Has(std::string_view name) const;       // by the tree's search
  std::string_view File(std::string_view name) const;  // its data

  std::map<int, std::string> SystemRecords() const;  // type -> data
  std::vector<Font> Fonts() const;
  std::vector<std::pair<std::int32_t, std::uint32_t>> Contexts() const;  // in tree order
  std::uint32_t FindContext(std::int32_t hash) const;  // by search; throws if absent
  std::vector<std::pair<std::uint32_t, std::string>> Titles() const;
  std::vector<ReadTopic> Topics() const;

 private:
  std::string bytes_;
};

}  // namespace hlpread
