// The help compiler: the file it writes, read back, and what it refuses.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Document.h"
#include "HelpReader.h"
#include "Html.h"
#include "Writer.h"

namespace fs = std::filesystem;

namespace {

// Help sources are UTF-8; plain literals here are Shift-JIS at run time,
// as the text in the help file is.
std::string Utf8(std::u8string_view s) { return std::string(s.begin(), s.end()); }

hlpread::HelpFile Compile(std::u8string_view source) {
  return hlpread::HelpFile(hlpc::BuildHelpFile(hlpc::ParseSource(Utf8(source)), 0));
}

const char8_t kSource[] = u8R"(# a comment
.title テストのヘルプ
.topic contents 目次
.heading 使い方
[[attributes|属性の変更]] と
[[names|名前の変更]] を
読んでください。

Plain words
join with a space.

.topic attributes 属性の変更
ソフトを表示します。

..dot first

末尾はア
ABC と ABC

.topic names 名前の変更
"Sample%.2d.%2:s" で Sample00.txt
)";

class Compiled : public testing::Test {
 protected:
  hlpread::HelpFile help_ = Compile(kSource);
};

TEST_F(Compiled, TheDirectoryNamesTheInternalFilesInOrder) {
  std::vector<std::string> names = {"|CONTEXT", "|FONT", "|SYSTEM", "|TOPIC", "|TTLBTREE"};
  EXPECT_EQ(help_.FileNames(), names);
  for (const std::string& name : names) EXPECT_TRUE(help_.Has(name)) << name;
  EXPECT_FALSE(help_.Has("|Phrases"));
}

TEST_F(Compiled, SystemCarriesTitleContentsLanguageAndCharset) {
  auto records = help_.SystemRecords();
  EXPECT_EQ(records[1], std::string("テストのヘルプ") + '\0');
  ASSERT_EQ(records[3].size(), 4u);
  EXPECT_EQ(records[3], std::string(4, '\0'));  // the first topic
  ASSERT_EQ(records[9].size(), 10u);
  EXPECT_EQ(records[9].substr(8), std::string("\x11\x04", 2));
  EXPECT_EQ(static_cast<unsigned char>(records[11][0]), 128);
}

TEST_F(Compiled, FontsAreShiftJisFaces) {
  auto fonts = help_.Fonts();
  ASSERT_EQ(fonts.size(), 3u);
  EXPECT_EQ(fonts[0].face, "ＭＳ Ｐゴシック");
  EXPECT_EQ(fonts[0].face.size(), 15u);  // two bytes a full-width letter
  EXPECT_FALSE(fonts[0].bold);
  EXPECT_TRUE(fonts[1].bold);
  EXPECT_TRUE(fonts[2].bold);
}

TEST_F(Compiled, TopicsReadBackAsWritten) {
  auto topics = help_.Topics();
  ASSERT_EQ(topics.size(), 3u);
  EXPECT_EQ(topics[0].title, "目次");
  EXPECT_EQ(topics[1].title, "属性の変更");
  EXPECT_EQ(topics[2].title, "名前の変更");

  const auto& contents = topics[0].paragraphs;
  ASSERT_EQ(contents.size(), 4u);
  EXPECT_EQ(contents[0].text, "目次");  // the title opens the text
  EXPECT_EQ(contents[0].font, 2u);
  EXPECT_EQ(contents[1].text, "使い方");
  EXPECT_EQ(contents[1].font, 1u);
  EXPECT_EQ(contents[2].text, "属性の変更 と名前の変更 を読んでください。");
  EXPECT_EQ(contents[2].font, 0u);
  ASSERT_EQ(contents[2].links.size(), 2u);
  EXPECT_EQ(contents[2].links[0].hash, hlpc::ContextHash("attributes"));
  EXPECT_EQ(contents[2].links[0].text, "属性の変更");
  EXPECT_EQ(contents[2].links[1].hash, hlpc::ContextHash("names"));
  EXPECT_EQ(contents[3].text, "Plain words join with a space.");

  ASSERT_EQ(topics[1].paragraphs.size(), 4u);
  EXPECT_EQ(topics[1].paragraphs[1].text, "ソフトを表示します。");
  EXPECT_EQ(topics[1].paragraphs[2].text, ".dot first");
  // "ア" ends in the byte of "A": the join still sees Japanese.
  EXPECT_EQ(topics[1].paragraphs[3].text, "末尾はアABC と ABC");
  EXPECT_EQ(topics[2].paragraphs[1].text, "\"Sample%.2d.%2:s\" で Sample00.txt");
}

TEST_F(Compiled, TopicsAreNumberedAndChainedForBrowsing) {
  auto topics = help_.Topics();
  ASSERT_EQ(topics.size(), 3u);
  for (std::uint32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(topics[i].number, i);
    EXPECT_EQ(topics[i].browse_back, i ? topics[i - 1].offset : 0xFFFFFFFF);
    EXPECT_EQ(topics[i].browse_forward, i < 2 ? topics[i + 1].offset : 0xFFFFFFFF);
  }
}

TEST_F(Compiled, ContextsAndTitlesLeadToTheirTopics) {
  auto topics = help_.Topics();
  const char* names[] = {"contents", "attributes", "names"};
  for (std::size_t i = 0; i < 3; ++i)
    EXPECT_EQ(help_.FindContext(hlpc::ContextHash(names[i])), topics[i].offset) << names[i];
  auto contexts = help_.Contexts();
  ASSERT_EQ(contexts.size(), 3u);
  for (std::size_t i = 1; i < contexts.size(); ++i)
    EXPECT_LT(contexts[i - 1].first, contexts[i].first);  // signed order
  auto titles = help_.Titles();
  ASSERT_EQ(titles.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(titles[i].first, topics[i].offset);
    EXPECT_EQ(titles[i].second, topics[i].title);
  }
}

TEST(HtmlHelp, TheSameTopicsAndLinksOnOnePage) {
  const std::string html = hlpc::BuildHtmlHelp(hlpc::ParseSource(Utf8(kSource)));
  EXPECT_NE(html.find("<meta charset=\"Shift_JIS\">"), std::string::npos);
  EXPECT_NE(html.find("<title>テストのヘルプ</title>"), std::string::npos);
  // Every topic an anchor, in the source's order, the contents first.
  const size_t contents = html.find("<section id=\"contents\">\r\n<h2>目次</h2>");
  const size_t attributes = html.find("<section id=\"attributes\">\r\n<h2>属性の変更</h2>");
  const size_t names = html.find("<section id=\"names\">");
  ASSERT_NE(contents, std::string::npos);
  EXPECT_LT(contents, attributes);
  EXPECT_LT(attributes, names);
  EXPECT_NE(names, std::string::npos);
  // The links lead to them; headings stay headings; markup is escaped.
  EXPECT_NE(html.find("<h3>使い方</h3>"), std::string::npos);
  EXPECT_NE(html.find("<a href=\"#attributes\">属性の変更</a>"), std::string::npos);
  EXPECT_NE(html.find("<a href=\"#names\">名前の変更</a>"), std::string::npos);
  EXPECT_NE(html.find("&quot;Sample%.2d.%2:s&quot;"), std::string::npos);
  // ソ and 表 end in the byte of "\": they come through whole.
  EXPECT_NE(html.find("ソフトを表示します。"), std::string::npos);
}

TEST(ContextHash, IsTheViewersHash) {
  EXPECT_EQ(hlpc::ContextHash("a"), 17);
  EXPECT_EQ(hlpc::ContextHash("ab"), 17 * 43 + 18);
  EXPECT_EQ(hlpc::ContextHash("A0._9"), (((17 * 43 + 10) * 43 + 12) * 43 + 13) * 43 + 9);
  EXPECT_EQ(hlpc::ContextHash("Names"), hlpc::ContextHash("names"));
  // Long names wrap at 32 bits.
  std::uint32_t h = 0;
  for (char c : std::string("zzzzzzzzzz")) h = h * 43 + (c - 'a' + 17);
  EXPECT_EQ(hlpc::ContextHash("zzzzzzzzzz"), static_cast<std::int32_t>(h));
}

// Enough text for many blocks and trees of more than one level.
TEST(LargeHelp, EveryTopicIsFoundAcrossBlocksAndTreePages) {
  std::u8string source = u8".title 大きなヘルプ\n";
  const int kTopics = 400;
  for (int i = 0; i < kTopics; ++i) {
    std::string n = std::to_string(i);
    std::u8string name(n.begin(), n.end());
    source += u8".topic t" + name + u8" 題" + name + u8"\n";
    for (int k = 0; k < 3; ++k)
      source += u8"本文の行です。これは長い段落を作るための文です。" + name + u8"\n\n";
  }
  hlpread::HelpFile help = Compile(source);
  auto topics = help.Topics();
  ASSERT_EQ(topics.size(), static_cast<std::size_t>(kTopics));
  ASSERT_GT(help.File("|TOPIC").size(), 20u * 0x1000);
  ASSERT_EQ(help.File("|CONTEXT").size(), 38u + 3 * 0x800);  // two leaves and an index page
  auto titles = help.Titles();
  ASSERT_EQ(titles.size(), topics.size());
  for (int i = 0; i < kTopics; ++i) {
    std::string n = std::to_string(i);
    EXPECT_EQ(topics[i].title, "題" + n);
    EXPECT_EQ(help.FindContext(hlpc::ContextHash("t" + n)), topics[i].offset) << i;
    EXPECT_EQ(titles[i].first, topics[i].offset);
    ASSERT_EQ(topics[i].paragraphs.size(), 4u);
    EXPECT_EQ(topics[i].paragraphs[3].text, "本文の行です。これは長い段落を作るための文です。" + n);
  }
  EXPECT_EQ(help.Contexts().size(), static_cast<std::size_t>(kTopics));
}

struct Refusal {
  const char8_t* source;
  int line;
  const char* says;
};

class Refusals : public testing::TestWithParam<Refusal> {};

TEST_P(Refusals, NameTheLine) {
  const Refusal& r = GetParam();
  try {
    hlpc::ParseSource(Utf8(r.source));
    FAIL() << "accepted";
  } catch (const hlpc::SourceError& e) {
    EXPECT_EQ(e.line(), r.line) << e.what();
    EXPECT_NE(std::string(e.what()).find(r.says), std::string::npos) << e.what();
    EXPECT_EQ(std::string(e.what()).rfind("line " + std::to_string(r.line) + ": ", 0), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Source, Refusals,
    testing::Values(
        Refusal{u8"text first\n.topic a A\n", 1, "before the first .topic"},
        Refusal{u8".topic a A\n.bogus x\n", 2, "unknown directive"},
        Refusal{u8"\n.topic a-b A\n", 2, "context name"},
        Refusal{u8".topic a A\n.topic b\n", 2, "without a title"},
        Refusal{u8".topic a A\n.topic a B\n", 2, "again"},
        Refusal{u8".topic names A\n.topic NAMES B\n", 2, "cannot be told from"},
        Refusal{u8".topic a A\n\n[[b|B]]\n.topic c C\n", 3, "no topic has the context \"b\""},
        Refusal{u8".topic a A\nsee [[a|A]\n", 2, "without \"]]\""},
        Refusal{u8".topic a A\nsee [[a]]\n", 2, "[[context|text]]"},
        Refusal{u8".topic a A\nsee [[a| ]]\n", 2, "without text"},
        Refusal{u8".topic a A\nok\n顔 😀\n", 3, "code page 932 cannot spell, at character 3"},
        Refusal{u8".topic a A\n見て [[a|顔 😀]]\n", 2, "code page 932 cannot spell, at character 10"},
        Refusal{u8".topic a A\n.title T\n", 2, ".title after"},
        Refusal{u8".title T\n.title U\n", 2, "a second .title"},
        Refusal{u8".heading H\n", 1, ".heading before"},
        Refusal{u8"# only a comment\n\n", 2, "no topic"}));

TEST(Refusal, MalformedUtf8) {
  try {
    hlpc::ParseSource(".topic a A\nbad \xFF byte\n");
    FAIL() << "accepted";
  } catch (const hlpc::SourceError& e) {
    EXPECT_EQ(e.line(), 2);
    EXPECT_NE(std::string(e.what()).find("not valid UTF-8"), std::string::npos);
  }
}

// A directory of its own, removed with what is in it.
class ScratchDir {
 public:
  ScratchDir() {
    std::string t = (fs::temp_directory_path() / "hlpc-test-XXXXXX").string();
    if (!mkdtemp(t.data())) throw std::runtime_error("mkdtemp");
    path_ = t;
  }
  ~ScratchDir() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void Spit(const fs::path& p, std::string_view bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

TEST(WriteFileAtomically, ReplacesTheFileAndLeavesNothingElse) {
  ScratchDir dir;
  fs::path out = dir.path() / "OUT.HLP";
  Spit(out, "old");
  hlpc::WriteFileAtomically(out.string(), "new bytes");
  EXPECT_EQ(Slurp(out), "new bytes");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(WriteFileAtomically, AFailedWriteLeavesNoTemporaryFile) {
  ScratchDir dir;
  fs::path out = dir.path() / "taken";
  fs::create_directory(out / "" );
  Spit(out / "inside", "x");  // a non-empty directory cannot be renamed over
  EXPECT_THROW(hlpc::WriteFileAtomically(out.string(), "bytes"), std::runtime_error);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
  EXPECT_TRUE(fs::is_directory(out));
}

// The program itself: a refused source leaves the previous file untouched.
TEST(Program, RefusesAMalformedSourceAndKeepsTheGoodFile) {
  ScratchDir dir;
  fs::path src = dir.path() / "help.txt", out = dir.path() / "HELP.HLP";
  fs::path err = dir.path() / "err.txt";
  Spit(src, Utf8(kSource));
  std::string run = std::string(HLPC_PATH) + " " + src.string() + " " + out.string() + " 2>" +
                    err.string();
  ASSERT_EQ(std::system(run.c_str()), 0);
  std::string good = Slurp(out);
  EXPECT_EQ(hlpread::HelpFile(good).Topics().size(), 3u);

  Spit(src, Utf8(u8".topic a A\n\n.topic a B\n"));
  int status = std::system(run.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_NE(Slurp(err).find("help.txt: line 3: "), std::string::npos) << Slurp(err);
  EXPECT_EQ(Slurp(out), good);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3);
}

}  // namespace

namespace {

// The program's own help: it compiles, opens on its contents, and covers
// what the program refuses.
TEST(ProgramHelp, CompilesWithItsContentsFirst) {
  hlpread::HelpFile help(hlpc::BuildHelpFile(hlpc::ParseSource(Slurp(VEMTAR_HELP_SOURCE)), 0));
  auto topics = help.Topics();
  ASSERT_GE(topics.size(), 5u);
  EXPECT_EQ(topics[0].title, "目次");
  EXPECT_EQ(help.FindContext(hlpc::ContextHash("contents")), topics[0].offset);
  std::string all;
  for (const auto& t : topics)
    for (const auto& p : t.paragraphs) all += p.text + "\n";
  for (const char* needle : {"\"Sample%.2d.%2:s\"", "Sample00.txt", "システム属性を外",
                             "システム属性を戻", "コード ページで書けない", "空白で終わる",
                             "「はい」と見なすことはありません"})
    EXPECT_NE(all.find(needle), std::string::npos) << needle;
}

}  // namespace
