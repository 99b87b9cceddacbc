#include "HelpReader.h"

#include <functional>
#include <stdexcept>

namespace hlpread {
namespace {

std::uint32_t U16(std::string_view s, std::size_t at) {
  if (at + 2 > s.size()) throw std::runtime_error("read past the end");
  return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8;
}

std::uint32_t U32(std::string_view s, std::size_t at) {
  return U16(s, at) | U16(s, at + 2) << 16;
}

std::string_view Sub(std::string_view s, std::size_t at, std::size_t n) {
  if (at + n > s.size()) throw std::runtime_error("read past the end");
  return s.substr(at, n);
}

std::string Zstr(std::string_view s, std::size_t at) {
  std::size_t end = s.find('\0', at);
  if (end == std::string_view::npos) throw std::runtime_error("unterminated string");
  return std::string(s.substr(at, end - at));
}

// Reads one entry at `at`, returns its size.
using EntryFn = std::function<std::size_t(std::string_view page, std::size_t at)>;

struct Tree {
  std::string_view data;
  unsigned page_size, root, levels, entries;
  std::string_view Page(unsigned n) const { return Sub(data, 38 + n * page_size, page_size); }
};

Tree OpenTree(std::string_view data) {
  if (U16(data, 0) != 0x293B) throw std::runtime_error("not a B+ tree");
  return {data, U16(data, 4), U16(data, 26), U16(data, 32), U32(data, 34)};
}

// Every leaf entry in order: down the first children, then along the leaves.
void Walk(std::string_view data, const EntryFn& entry) {
  Tree t = OpenTree(data);
  unsigned page = t.root;
  for (unsigned l = 1; l < t.levels; ++l) page = U16(t.Page(page), 4);
  unsigned seen = 0;
  while (page != 0xFFFF) {
    std::string_view p = t.Page(page);
    std::size_t at = 8;
    for (unsigned i = 0; i < U16(p, 2); ++i, ++seen) at += entry(p, at);
    page = U16(p, 6);
  }
  if (seen != t.entries) throw std::runtime_error("the tree's entry count is wrong");
}

// The leaf page where a key would be, through the index pages as the viewer
// searches: key_le tells whether the index key at `at` is at or below it.
std::string_view Descend(std::string_view data,
                         const std::function<bool(std::string_view, std::size_t)>& key_le,
                         const std::function<std::size_t(std::string_view, std::size_t)>& key_size) {
  Tree t = OpenTree(data);
  unsigned page = t.root;
  for (unsigned l = 1; l < t.levels; ++l) {
    std::string_view p = t.Page(page);
    unsigned child = U16(p, 4);
    std::size_t at = 6;
    for (unsigned i = 0; i < U16(p, 2); ++i) {
      if (!key_le(p, at)) break;
      at += key_size(p, at);
      child = U16(p, at);
      at += 2;
    }
    page = child;
  }
  return t.Page(page);
}

std::int32_t Signed(std::uint32_t v) { return static_cast<std::int32_t>(v); }

unsigned CompressedUShort(std::string_view s, std::size_t& at) {
  unsigned b = static_cast<unsigned char>(s[at]);
  if (b & 1) {
    at += 2;
    return U16(s, at - 2) / 2;
  }
  ++at;
  return b / 2;
}

std::uint32_t CompressedLong(std::string_view s, std::size_t& at) {
  if (static_cast<unsigned char>(s[at]) & 1) {
    at += 4;
    return (U32(s, at - 4) - 0x80000000u) / 2;
  }
  at += 2;
  return (U16(s, at - 2) - 0x8000) / 2;
}

void CompressedShort(std::string_view s, std::size_t& at) {
  at += (static_cast<unsigned char>(s[at]) & 1) ? 2 : 1;
}

ReadParagraph ParseParagraph(std::string_view d1, std::string_view d2, unsigned& chars) {
  std::size_t at = 0;
  if (CompressedLong(d1, at) != d2.size()) throw std::runtime_error("text size mismatch");
  chars = CompressedUShort(d1, at);
  at += 4;
  unsigned bits = U16(d1, at);
  at += 2;
  if (bits & ~0x0006u) throw std::runtime_error("unexpected paragraph attributes");
  if (bits & 0x0002) CompressedShort(d1, at);
  if (bits & 0x0004) CompressedShort(d1, at);
  ReadParagraph p;
  std::size_t text = 0;
  unsigned counted = 0;
  const Link* open = nullptr;
  for (;;) {
    std::string s = Zstr(d2, text);
    text += s.size() + 1;
    p.text += s;
    counted += s.size();
    if (open) p.links.back().text += s;
    unsigned cmd = static_cast<unsigned char>(Sub(d1, at, 1)[0]);
    ++at;
    if (cmd == 0xFF) break;
    switch (cmd) {
      case 0x80: p.font = U16(d1, at); at += 2; break;
      case 0x82: ++counted; break;
      case 0x89: open = nullptr; break;
      case 0xE3:
        p.links.push_back({Signed(U32(d1, at)), {}});
        open = &p.links.back();
        at += 4;
        break;
      default: throw std::runtime_error("unexpected format command");
    }
  }
  if (at != d1.size() || text != d2.size()) throw std::runtime_error("paragraph has leftovers");
  if (counted != chars) throw std::runtime_error("character count mismatch");
  return p;
}

}  // namespace

HelpFile::HelpFile(std::string bytes) : bytes_(std::move(bytes)) {
  if (U32(bytes_, 0) != 0x00035F3F) throw std::runtime_error("not a help file");
  if (U32(bytes_, 12) != bytes_.size()) throw std::runtime_error("wrong file size");
}

std::vector<std::string> HelpFile::FileNames() const {
  std::string_view all = bytes_;
  std::uint32_t dir = U32(all, 4);
  std::vector<std::string> names;
  Walk(all.substr(dir + 9), [&](std::string_view p, std::size_t at) {
    names.push_back(Zstr(p, at));
    return names.back().size() + 5;
  });
  return names;
}

bool HelpFile::Has(std::string_view name) const {
  std::string_view all = bytes_;
  std::string key(name);
  std::string_view dir = all.substr(U32(all, 4) + 9);
  std::string_view leaf = Descend(
      dir, [&](std::string_view p, std::size_t at) { return Zstr(p, at) <= key; },
      [](std::string_view p, std::size_t at) { return Zstr(p, at).size() + 1; });
  std::size_t at = 8;
  for (unsigned i = 0; i < U16(leaf, 2); ++i) {
    std::string n = Zstr(leaf, at);
    if (n == key) return true;
    at += n.size() + 5;
  }
  return false;
}

std::string_view HelpFile::File(std::string_view name) const {
  std::string_view all = bytes_;
  std::string_view found;
  Walk(all.substr(U32(all, 4) + 9), [&](std::string_view p, std::size_t at) {
    std::string n = Zstr(p, at);
    if (n == name) {
      std::uint32_t off = U32(p, at + n.size() + 1);
      std::uint32_t reserved = U32(all, off), used = U32(all, off + 4);
      if (reserved < used + 9) throw std::runtime_error("internal file header is wrong");
      found = Sub(all, off + 9, used);
    }
    return n.size() + 5;
  });
  if (found.data() == nullptr) throw std::runtime_error("no internal file " + std::string(name));
  return found;
}

std::map<int, std::string> HelpFile::SystemRecords() const {
  std::string_view s = File("|SYSTEM");
  if (U16(s, 0) != 0x036C || U16(s, 2) != 21 || U16(s, 4) != 1 || U16(s, 10) != 0)
    throw std::runtime_error("not an uncompressed 3.1 |SYSTEM");
  std::map<int, std::string> records;
  for (std::size_t at = 12; at < s.size();) {
    unsigned type = U16(s, at), size = U16(s, at + 2);
    records[type] = std::string(Sub(s, at + 4, size));
    at += 4 + size;
  }
  return records;
}

std::vector<Font> HelpFile::Fonts() const {
  std::string_view f = File("|FONT");
  unsigned faces = U16(f, 0), count = U16(f, 2), face_at = U16(f, 4), desc_at = U16(f, 6);
  unsigned face_size = (desc_at - face_at) / faces;
  std::vector<Font> fonts;
  for (unsigned i = 0; i < count; ++i) {
    std::size_t at = desc_at + i * 11;
    unsigned face = U16(f, at + 3);
    std::string name(Sub(f, face_at + face * face_size, face_size));
    name.resize(name.find('\0'));
    fonts.push_back({(f[at] & 1) != 0, static_cast<unsigned char>(f[at + 1]), name});
  }
  return fonts;
}

std::vector<std::pair<std::int32_t, std::uint32_t>> HelpFile::Contexts() const {
  std::vector<std::pair<std::int32_t, std::uint32_t>> out;
  Walk(File("|CONTEXT"), [&](std::string_view p, std::size_t at) {
    out.emplace_back(Signed(U32(p, at)), U32(p, at + 4));
    return std::size_t{8};
  });
  return out;
}

std::uint32_t HelpFile::FindContext(std::int32_t hash) const {
  std::string_view leaf = Descend(
      File("|CONTEXT"), [&](std::string_view p, std::size_t at) { return Signed(U32(p, at)) <= hash; },
      [](std::string_view, std::size_t) { return std::size_t{4}; });
  for (unsigned i = 0; i < U16(leaf, 2); ++i)
    if (Signed(U32(leaf, 8 + i * 8)) == hash) return U32(leaf, 8 + i * 8 + 4);
  throw std::runtime_error("context hash not found");
}

std::vector<std::pair<std::uint32_t, std::string>> HelpFile::Titles() const {
  std::vector<std::pair<std::uint32_t, std::string>> out;
  Walk(File("|TTLBTREE"), [&](std::string_view p, std::size_t at) {
    out.emplace_back(U32(p, at), Zstr(p, at + 4));
    return out.back().second.size() + 5;
  });
  return out;
}

std::vector<ReadTopic> HelpFile::Topics() const {
  std::string_view file = File("|TOPIC");
  constexpr std::size_t kBlock = 0x1000, kData = kBlock - 12;
  if (file.size() % kBlock) throw std::runtime_error("|TOPIC is not whole blocks");
  std::string stream;
  for (std::size_t b = 0; b < file.size() / kBlock; ++b)
    stream += file.substr(b * kBlock + 12, kData);
  auto to_pos = [&](std::uint32_t topic_pos) { return (topic_pos >> 14) * kData + (topic_pos & 0x3FFF) - 12; };
  if (U32(file, 4) != 0x0C) throw std::runtime_error("the first block's first link is wrong");

  std::vector<ReadTopic> topics;
  std::size_t block = SIZE_MAX;
  unsigned chars_in_block = 0;
  std::uint32_t prev = 0xFFFFFFFF;
  for (std::uint32_t ref = 0x0C; ref != 0xFFFFFFFF;) {
    std::size_t pos = to_pos(ref);
    std::string_view link = Sub(stream, pos, U32(stream, pos));
    if (U32(link, 8) != prev) throw std::runtime_error("a record's back link is wrong");
    std::uint32_t d1_end = U32(link, 0x10), d2_size = U32(link, 4);
    if (d1_end + d2_size != link.size()) throw std::runtime_error("a record's sizes disagree");
    std::string_view d1 = link.substr(0x15, d1_end - 0x15), d2 = link.substr(d1_end);
    if (pos / kData != block) {
      block = pos / kData;
      chars_in_block = 0;
    }
    if (link[0x14] == 2) {
      ReadTopic t;
      t.title = std::string(d2);
      t.offset = block * 0x8000 + chars_in_block;
      t.browse_back = U32(d1, 4);
      t.browse_forward = U32(d1, 8);
      t.number = U32(d1, 12);
      topics.push_back(std::move(t));
    } else if (link[0x14] == 0x20) {
      if (topics.empty()) throw std::runtime_error("text before a topic header");
      unsigned chars = 0;
      topics.back().paragraphs.push_back(ParseParagraph(d1, d2, chars));
      chars_in_block += chars;
    } else {
      throw std::runtime_error("unexpected record type");
    }
    prev = ref;
    ref = U32(link, 0x0C);
  }
  return topics;
}

}  // namespace hlpread
