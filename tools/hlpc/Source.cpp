// The help source: UTF-8 lines.
//   # comment
//   .title <help file title>          once, before the first topic
//   .topic <context> <title>          starts a topic; the first is the contents
//   .heading <text>                   a bold heading line
//   text lines                        joined into a paragraph up to a blank line
//   [[context|text]]                  inside text: a jump to another topic
//   ..text                            a text line that starts with "."
#include "Document.h"

#include <iconv.h>

#include <cerrno>
#include <map>
#include <memory>
#include <set>

namespace hlpc {

SourceError::SourceError(int line, const std::string& what)
    : std::runtime_error("line " + std::to_string(line) + ": " + what), line_(line) {}

std::int32_t ContextHash(std::string_view context) {
  // Unsigned arithmetic: the viewer's hash wraps at 32 bits.
  std::uint32_t hash = 0;
  for (char c : context) {
    std::uint32_t x = 0;
    if (c >= 'A' && c <= 'Z') x = c - 'A' + 17;
    if (c >= 'a' && c <= 'z') x = c - 'a' + 17;
    if (c >= '1' && c <= '9') x = c - '0';
    if (c == '0') x = 10;
    if (c == '.') x = 12;
    if (c == '_') x = 13;
    if (x) hash = hash * 43 + x;
  }
  return static_cast<std::int32_t>(hash);
}

namespace {

struct IconvCloser {
  void operator()(iconv_t cd) const { iconv_close(cd); }
};
using Iconv = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

class ToCp932 {
 public:
  ToCp932() : cd_(iconv_open("CP932", "UTF-8")) {
    if (cd_.get() == reinterpret_cast<iconv_t>(-1)) {
      cd_.release();
      throw std::runtime_error("iconv cannot convert UTF-8 to CP932");
    }
  }

  // in is a piece of whole; an error names the character within whole.
  std::string operator()(std::string_view in, std::string_view whole, int line) const {
    std::string out(in.size() * 2 + 1, '\0');
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    char* dst = out.data();
    size_t dst_left = out.size();
    iconv(cd_.get(), nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd_.get(), &src, &src_left, &dst, &dst_left) == static_cast<size_t>(-1)) {
      if (errno == EILSEQ && IsUtf8(in))
        throw SourceError(line, "a character code page 932 cannot spell, at character " +
                                    std::to_string(Characters(whole.substr(0, src - whole.data())) + 1));
      throw SourceError(line, "not valid UTF-8");
    }
    out.resize(out.size() - dst_left);
    return out;
  }

 private:
  static std::size_t Characters(std::string_view utf8) {
    std::size_t n = 0;
    for (char c : utf8) n += (static_cast<unsigned char>(c) >> 6) != 2;
    return n;
  }

  // Tells a character missing from the code page from a malformed one.
  static bool IsUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
      unsigned char c = s[i];
      size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
      if (n == 0 || i + n > s.size()) return false;
      for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return false;
      i += n;
    }
    return true;
  }

  Iconv cd_;
};

bool IsContextName(std::string_view name) {
  if (name.empty()) return false;
  for (char c : name) {
    bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
              c == '.' || c == '_';
    if (!ok) return false;
  }
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// Splits "<word> <rest>" at the first blank.
std::pair<std::string_view, std::string_view> SplitWord(std::string_view s) {
  size_t blank = s.find_first_of(" \t");
  if (blank == std::string_view::npos) return {s, {}};
  return {s.substr(0, blank), Trim(s.substr(blank))};
}

struct PendingLink {
  std::string target;
  int line;
};

class Parser {
 public:
  Document Run(std::string_view utf8) {
    int line = 0;
    while (!utf8.empty()) {
      ++line;
      size_t end = utf8.find('\n');
      std::string_view raw = utf8.substr(0, end);
      utf8.remove_prefix(end == std::string_view::npos ? utf8.size() : end + 1);
      line_text_ = raw;
      Line(Trim(raw), line);
    }
    EndParagraph();
    if (doc_.topics.empty()) throw SourceError(line, "the source has no topic");
    for (const PendingLink& link : links_)
      if (!contexts_.count(link.target))
        throw SourceError(link.line, "no topic has the context \"" + link.target + "\"");
    return std::move(doc_);
  }

 private:
  void Line(std::string_view text, int line) {
    if (text.empty()) return EndParagraph();
    if (text.front() == '#') return;
    if (text.front() == '.' && !text.starts_with("..")) return Directive(text, line);
    if (text.starts_with("..")) text.remove_prefix(1);
    if (doc_.topics.empty()) throw SourceError(line, "text before the first .topic");
    if (!open_) {
      doc_.topics.back().paragraphs.emplace_back();
      open_ = true;
    } else if (ascii_end_ && static_cast<unsigned char>(text.front()) < 0x80) {
      // Lines of a paragraph join; Japanese text joins without a space.
      AddText(doc_.topics.back().paragraphs.back(), " ");
    }
    AddInline(doc_.topics.back().paragraphs.back(), text, line);
    // Judged on the UTF-8 line: Shift-JIS trail bytes can look like ASCII.
    ascii_end_ = static_cast<unsigned char>(text.back()) < 0x80;
  }

  void Directive(std::string_view text, int line) {
    auto [word, rest] = SplitWord(text);
    EndParagraph();
    if (word == ".title") {
      if (!doc_.topics.empty()) throw SourceError(line, ".title after the first .topic");
      if (title_seen_) throw SourceError(line, "a second .title");
      if (rest.empty()) throw SourceError(line, ".title without a title");
      doc_.title = Convert(rest, line);
      title_seen_ = true;
    } else if (word == ".topic") {
      auto [context, title] = SplitWord(rest);
      if (!IsContextName(context))
        throw SourceError(line, "a context name is letters, digits, \".\" and \"_\"");
      if (title.empty()) throw SourceError(line, ".topic without a title");
      std::int32_t hash = ContextHash(context);
      if (contexts_.count(std::string(context)))
        throw SourceError(line, "the context \"" + std::string(context) + "\" again");
      if (auto it = hashes_.find(hash); it != hashes_.end())
        throw SourceError(line, "the context \"" + std::string(context) +
                                    "\" cannot be told from \"" + it->second + "\"");
      contexts_.insert(std::string(context));
      hashes_.emplace(hash, std::string(context));
      doc_.topics.push_back({std::string(context), Convert(title, line), {}});
    } else if (word == ".heading") {
      if (doc_.topics.empty()) throw SourceError(line, ".heading before the first .topic");
      if (rest.empty()) throw SourceError(line, ".heading without text");
      Paragraph& p = doc_.topics.back().paragraphs.emplace_back();
      p.heading = true;
      AddInline(p, rest, line);
    } else {
      throw SourceError(line, "unknown directive \"" + std::string(word) + "\"");
    }
  }

  void AddInline(Paragraph& p, std::string_view text, int line) {
    while (!text.empty()) {
      size_t open = text.find("[[");
      if (open == std::string_view::npos) {
        AddText(p, Convert(text, line));
        return;
      }
      AddText(p, Convert(text.substr(0, open), line));
      size_t close = text.find("]]", open);
      if (close == std::string_view::npos) throw SourceError(line, "\"[[\" without \"]]\"");
      std::string_view inner = text.substr(open + 2, close - open - 2);
      size_t bar = inner.find('|');
      if (bar == std::string_view::npos)
        throw SourceError(line, "a reference is [[context|text]]");
      std::string_view target = Trim(inner.substr(0, bar));
      std::string_view label = Trim(inner.substr(bar + 1));
      if (!IsContextName(target)) throw SourceError(line, "a reference without a context name");
      if (label.empty()) throw SourceError(line, "a reference without text");
      p.spans.push_back({Convert(label, line), std::string(target)});
      links_.push_back({std::string(target), line});
      text.remove_prefix(close + 2);
    }
  }

  std::string Convert(std::string_view piece, int line) const {
    return to_cp932_(piece, line_text_, line);
  }

  static void AddText(Paragraph& p, const std::string& text) {
    if (text.empty()) return;
    if (p.spans.empty() || !p.spans.back().target.empty()) p.spans.push_back({});
    p.spans.back().text += text;
  }

  void EndParagraph() { open_ = false; }

  ToCp932 to_cp932_;
  std::string_view line_text_;
  Document doc_;
  bool open_ = false;
  bool ascii_end_ = false;  // the paragraph's last line ends in ASCII
  bool title_seen_ = false;
  std::map<std::int32_t, std::string> hashes_;
  std::vector<PendingLink> links_;
  std::set<std::string> contexts_;
};

}  // namespace

Document ParseSource(std::string_view utf8) { return Parser().Run(utf8); }

}  // namespace hlpc
