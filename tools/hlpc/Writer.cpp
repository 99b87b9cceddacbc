// The WinHelp 3.1 layout: a 16-byte header, internal files each behind a
// 9-byte header, and a directory B+ tree naming them. Topic text is stored
// uncompressed in 4 KiB blocks.
#include "Writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <stdexcept>

namespace hlpc {
namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFF;
constexpr std::size_t kBlockSize = 0x1000;
constexpr std::size_t kBlockHeader = 12;
constexpr std::size_t kBlockData = kBlockSize - kBlockHeader;
constexpr std::size_t kLinkHeader = 0x15;

class Bytes {
 public:
  Bytes& U8(unsigned v) { s_.push_back(static_cast<char>(v & 0xFF)); return *this; }
  Bytes& U16(unsigned v) { return U8(v).U8(v >> 8); }
  Bytes& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  Bytes& Str(std::string_view t) { s_.append(t); return *this; }
  Bytes& Zstr(std::string_view t) { return Str(t).U8(0); }
  Bytes& Zeros(std::size_t n) { s_.append(n, '\0'); return *this; }
  std::size_t size() const { return s_.size(); }
  std::string Take() { return std::move(s_); }

 private:
  std::string s_;
};

// The variable-length numbers of paragraph records: the low bit of the first
// byte tells the long form.
void CompressedUShort(Bytes& b, unsigned v) {
  if (v < 0x80) b.U8(v * 2);
  else if (v < 0x8000) b.U16(v * 2 + 1);
  else throw std::runtime_error("a paragraph longer than 32767 bytes");
}

void CompressedLong(Bytes& b, std::uint32_t v) {
  if (v < 0x4000) b.U16(v * 2 + 0x8000);
  else if (v < 0x40000000) b.U32(v * 2 + 0x80000001u);
  else throw std::runtime_error("a paragraph too long");
}

void CompressedShort(Bytes& b, int v) { b.U8(static_cast<unsigned>(v * 2 + 0x80)); }

struct TreeEntry {
  std::string key;  // as the index pages hold it
  std::string value;
};

// A B+ tree of entries already in key order: full leaves, then index levels
// above them until one root page.
std::string BTree(const std::vector<TreeEntry>& entries, const char* structure,
                  unsigned page_size, bool directory) {
  struct Page {
    std::string body;
    std::string first_key;
    unsigned count = 0;
  };
  std::vector<Page> pages;
  std::vector<std::size_t> level;
  for (const TreeEntry& e : entries) {
    std::size_t size = e.key.size() + e.value.size();
    if (8 + size > page_size) throw std::runtime_error("an entry larger than a tree page");
    if (level.empty() || 8 + pages[level.back()].body.size() + size > page_size) {
      level.push_back(pages.size());
      pages.push_back({{}, e.key, 0});
    }
    pages[level.back()].body += e.key + e.value;
    ++pages[level.back()].count;
  }
  if (level.empty()) {
    level.push_back(0);
    pages.push_back({});
  }
  Bytes out;
  std::vector<std::string> images(pages.size());
  for (std::size_t i = 0; i < level.size(); ++i) {
    Bytes p;
    p.U16(page_size - 8 - pages[i].body.size()).U16(pages[i].count);
    p.U16(i == 0 ? 0xFFFF : i - 1).U16(i + 1 == level.size() ? 0xFFFF : i + 1);
    p.Str(pages[i].body).Zeros(page_size - 8 - pages[i].body.size());
    images[i] = p.Take();
  }
  unsigned levels = 1;
  while (level.size() > 1) {
    std::vector<std::size_t> upper;
    for (std::size_t i = 0; i < level.size();) {
      Page index{{}, pages[level[i]].first_key, 0};
      std::uint16_t first = level[i++];
      while (i < level.size()) {
        std::string entry = pages[level[i]].first_key;
        entry.push_back(static_cast<char>(level[i] & 0xFF));
        entry.push_back(static_cast<char>(level[i] >> 8));
        if (6 + index.body.size() + entry.size() > page_size) break;
        index.body += entry;
        ++index.count;
        ++i;
      }
      Bytes p;
      p.U16(page_size - 6 - index.body.size()).U16(index.count).U16(first);
      p.Str(index.body).Zeros(page_size - 6 - index.body.size());
      upper.push_back(pages.size());
      pages.push_back(std::move(index));
      images.push_back(p.Take());
    }
    level = std::move(upper);
    ++levels;
  }
  out.U16(0x293B).U16(directory ? 0x0402 : 0x0002).U16(page_size);
  std::string name(structure);
  name.resize(16, '\0');
  out.Str(name).U16(0).U16(0).U16(level.front()).U16(0xFFFF);
  out.U16(pages.size()).U16(levels).U32(entries.size());
  for (const std::string& image : images) out.Str(image);
  return out.Take();
}

std::string U32Key(std::uint32_t v) { return Bytes().U32(v).Take(); }

// A paragraph's format commands and its NUL-separated strings: each string
// is followed by one command, the last by 0xFF.
struct ParagraphRecord {
  Bytes commands;
  std::vector<std::string> strings{std::string()};
  unsigned chars = 0;

  void Command(const std::string& bytes) {
    commands.Str(bytes);
    strings.emplace_back();
  }
  void Text(const std::string& text) {
    strings.back() += text;
    chars += text.size();
  }
};

enum Font : unsigned { kBody = 0, kHeading = 1, kTitle = 2 };

struct EncodedParagraph {
  std::string data1, data2;
  unsigned chars;
};

EncodedParagraph EncodeParagraph(const Paragraph& para, Font font) {
  ParagraphRecord r;
  r.Command(Bytes().U8(0x80).U16(font).Take());
  for (const Span& span : para.spans) {
    if (span.target.empty()) {
      r.Text(span.text);
      continue;
    }
    r.Command(Bytes().U8(0xE3).U32(ContextHash(span.target)).Take());
    r.Text(span.text);
    r.Command("\x89");
  }
  r.Command("\x82");
  std::string commands = r.commands.Str("\xFF").Take();
  ++r.chars;  // the paragraph end counts as a character

  Bytes text;
  for (const std::string& s : r.strings) text.Zstr(s);
  std::string text_bytes = text.Take();

  Bytes d1;
  CompressedLong(d1, text_bytes.size());
  CompressedUShort(d1, r.chars);
  d1.U8(0).U8(0x80).U16(0);  // no column, paragraph id 0
  d1.U16(0x0002);            // space above follows
  CompressedShort(d1, font == kBody ? 6 : 12);
  d1.Str(commands);
  return {d1.Take(), std::move(text_bytes), r.chars};
}

struct Record {
  unsigned char type;
  std::string data1, data2;
  std::size_t topic;
  unsigned chars = 0;
  std::size_t pos = 0;
  std::size_t size() const { return kLinkHeader + data1.size() + data2.size(); }
};

std::uint32_t TopicPos(std::size_t pos) {
  return static_cast<std::uint32_t>((pos / kBlockData) * 0x4000 + kBlockHeader + pos % kBlockData);
}

struct TopicLayout {
  std::string file;
  std::vector<std::uint32_t> offsets;  // each topic's TOPICOFFSET
};

TopicLayout LayOutTopics(const Document& doc) {
  std::vector<Record> records;
  std::vector<std::size_t> headers;
  for (std::size_t t = 0; t < doc.topics.size(); ++t) {
    const Topic& topic = doc.topics[t];
    headers.push_back(records.size());
    records.push_back({2, std::string(28, '\0'), topic.title, t});
    // The title opens the topic's text.
    auto add = [&](EncodedParagraph e) {
      records.push_back({0x20, std::move(e.data1), std::move(e.data2), t, e.chars});
    };
    add(EncodeParagraph({true, {{topic.title, {}}}}, kTitle));
    for (const Paragraph& p : topic.paragraphs)
      add(EncodeParagraph(p, p.heading ? kHeading : kBody));
  }

  std::size_t pos = 0;
  for (Record& r : records) {
    r.pos = pos;
    pos += r.size();
  }
  std::size_t stream_size = pos;

  TopicLayout layout;
  std::size_t block = SIZE_MAX;
  unsigned chars_in_block = 0;
  for (const Record& r : records) {
    if (r.pos / kBlockData != block) {
      block = r.pos / kBlockData;
      chars_in_block = 0;
    }
    if (r.type == 2) layout.offsets.push_back(block * 0x8000 + chars_in_block);
    chars_in_block += r.chars;
  }

  Bytes stream;
  for (std::size_t i = 0; i < records.size(); ++i) {
    Record& r = records[i];
    if (r.type == 2) {
      std::size_t t = r.topic;
      std::size_t end = t + 1 < headers.size() ? headers[t + 1] : records.size();
      std::size_t topic_size = 0;
      for (std::size_t k = headers[t]; k < end; ++k) topic_size += records[k].size();
      Bytes h;
      h.U32(topic_size);
      h.U32(t > 0 ? layout.offsets[t - 1] : kNone);
      h.U32(t + 1 < headers.size() ? layout.offsets[t + 1] : kNone);
      h.U32(t).U32(kNone);
      h.U32(i + 1 < end ? TopicPos(records[i + 1].pos) : kNone);
      h.U32(t + 1 < headers.size() ? TopicPos(records[headers[t + 1]].pos) : kNone);
      r.data1 = h.Take();
    }
    stream.U32(r.size()).U32(r.data2.size());
    stream.U32(i > 0 ? TopicPos(records[i - 1].pos) : kNone);
    stream.U32(i + 1 < records.size() ? TopicPos(records[i + 1].pos) : kNone);
    stream.U32(kLinkHeader + r.data1.size()).U8(r.type);
    stream.Str(r.data1).Str(r.data2);
  }
  std::string data = stream.Take();
  std::size_t blocks = std::max<std::size_t>(1, (stream_size + kBlockData - 1) / kBlockData);
  data.resize(blocks * kBlockData, '\0');

  Bytes file;
  for (std::size_t b = 0; b < blocks; ++b) {
    std::size_t begin = b * kBlockData, end = begin + kBlockData;
    std::optional<std::size_t> last_before, first_in, last_header;
    for (const Record& r : records) {
      if (r.pos < begin) last_before = r.pos;
      if (r.pos >= begin && r.pos < end && !first_in) first_in = r.pos;
      if (r.type == 2 && r.pos < end) last_header = r.pos;
    }
    auto pos_or_none = [](std::optional<std::size_t> p) { return p ? TopicPos(*p) : kNone; };
    file.U32(pos_or_none(last_before)).U32(pos_or_none(first_in)).U32(pos_or_none(last_header));
    file.Str(std::string_view(data).substr(begin, kBlockData));
  }
  layout.file = file.Take();
  return layout;
}

std::string SystemFile(const Document& doc, std::uint32_t gen_time, std::uint32_t contents) {
  const std::string& title = doc.title.empty() ? doc.topics.front().title : doc.title;
  Bytes s;
  s.U16(0x036C).U16(21).U16(1).U32(gen_time).U16(0);  // 3.1, uncompressed, 4 KiB blocks
  s.U16(1).U16(title.size() + 1).Zstr(title);
  s.U16(3).U16(4).U32(contents);
  s.U16(9).U16(10).Zeros(8).U16(0x0411);  // Japanese
  s.U16(11).U16(2).U16(128);              // SHIFTJIS_CHARSET
  return s.Take();
}

std::string FontFile() {
  // The project's sources are UTF-8 and their literals Shift-JIS at run time.
  std::string face = "ＭＳ Ｐゴシック";
  constexpr unsigned kFaceSize = 20;
  face.resize(kFaceSize, '\0');
  struct Descriptor {
    unsigned bold, half_points;
  };
  const Descriptor fonts[] = {{0, 20}, {1, 24}, {1, 28}};  // kBody, kHeading, kTitle
  Bytes f;
  f.U16(1).U16(std::size(fonts)).U16(8).U16(8 + kFaceSize).Str(face);
  for (const Descriptor& d : fonts) {
    f.U8(d.bold).U8(d.half_points).U8(3 /* swiss */).U16(0);
    f.U8(0).U8(0).U8(0).U8(255).U8(255).U8(255);
  }
  return f.Take();
}

void InternalFile(Bytes& out, const std::string& data) {
  out.U32(9 + data.size()).U32(data.size()).U8(4).Str(data);
}

}  // namespace

std::string BuildHelpFile(const Document& doc, std::uint32_t gen_time) {
  if (doc.topics.empty()) throw std::runtime_error("a help file needs a topic");
  TopicLayout topics = LayOutTopics(doc);

  std::vector<TreeEntry> contexts;
  for (std::size_t t = 0; t < doc.topics.size(); ++t)
    contexts.push_back({U32Key(ContextHash(doc.topics[t].context)), U32Key(topics.offsets[t])});
  std::sort(contexts.begin(), contexts.end(), [](const TreeEntry& a, const TreeEntry& b) {
    std::int32_t x, y;
    std::memcpy(&x, a.key.data(), 4);
    std::memcpy(&y, b.key.data(), 4);
    return x < y;  // the viewer compares hashes as signed numbers
  });
  std::vector<TreeEntry> titles;
  for (std::size_t t = 0; t < doc.topics.size(); ++t)
    titles.push_back({U32Key(topics.offsets[t]), doc.topics[t].title + '\0'});

  // Named in byte order, as the directory's search expects.
  std::vector<std::pair<std::string, std::string>> files = {
      {"|CONTEXT", BTree(contexts, "L4", 0x800, false)},
      {"|FONT", FontFile()},
      {"|SYSTEM", SystemFile(doc, gen_time, topics.offsets.front())},
      {"|TOPIC", std::move(topics.file)},
      {"|TTLBTREE", BTree(titles, "Lz", 0x800, false)},
  };

  Bytes body;
  std::vector<TreeEntry> directory;
  std::size_t at = 16;
  for (auto& [name, data] : files) {
    directory.push_back({name + '\0', U32Key(at + body.size())});
    InternalFile(body, data);
  }
  std::string dir = BTree(directory, "z4", 0x400, true);
  std::uint32_t dir_at = at + body.size();
  InternalFile(body, dir);

  Bytes out;
  out.U32(0x00035F3F).U32(dir_at).U32(kNone).U32(at + body.size());
  out.Str(body.Take());
  return out.Take();
}

namespace {

class TempFile {
 public:
  explicit TempFile(const std::string& target) : path_(target + ".XXXXXX") {
    fd_ = mkstemp(path_.data());
    if (fd_ < 0) throw std::runtime_error("cannot create " + path_ + ": " + std::strerror(errno));
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    if (fd_ >= 0) close(fd_);
    if (!committed_) unlink(path_.c_str());
  }

  void Write(const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
      ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) Fail("write");
      done += static_cast<std::size_t>(n);
    }
  }

  void CommitAs(const std::string& target) {
    // The file is readable as an ordinary output, not mkstemp's 0600.
    if (fchmod(fd_, 0644) != 0 || fsync(fd_) != 0) Fail("write");
    int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) Fail("write");
    if (rename(path_.c_str(), target.c_str()) != 0) Fail("rename");
    committed_ = true;
  }

 private:
  [[noreturn]] void Fail(const char* what) {
    throw std::runtime_error(std::string("cannot ") + what + " " + path_ + ": " +
                             std::strerror(errno));
  }

  std::string path_;
  int fd_ = -1;
  bool committed_ = false;
};

}  // namespace

void WriteFileAtomically(const std::string& path, const std::string& bytes) {
  TempFile temp(path);
  temp.Write(bytes);
  temp.CommitAs(path);
}

}  // namespace hlpc
