// DDE conversations with a real server process: the stand-in viewer.
#include "framework/DdeMan.h"

#include "framework/Forms.h"
#include "tests/helpers/GvServer.h"
#include "tests/helpers/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

template <class F>
bool PumpUntil(F done, DWORD ms = 10000) {
  for (DWORD start = GetTickCount(); !done();) {
    if (GetTickCount() - start > ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    Application().ProcessMessages();
  }
  return true;
}

String Quoted(const String& path) { return "\"" + path + "\""; }

bool Contains(const std::vector<String>& lines, const String& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace

TEST(DdeClientConv, WinesLibraryIsRecognisedSoItsWaysRoundStayOn) {
  // The tests run under Wine; on Windows the same answer is false and the
  // conversations below run without the ways round Wine's DDE library.
  EXPECT_TRUE(TDdeClientConv::OnWine());
}

TEST(DdeClientConv, NoServerAndNoApplicationOpensNothing) {
  TempDir dir;
  GvServerSetup server(dir / "log.txt");
  TDdeClientConv conv(nullptr);
  EXPECT_EQ(conv.ConnectMode(), ddeAutomatic);
  EXPECT_NE(TDdeClientConv::DdeInstance(), 0u);
  EXPECT_FALSE(conv.SetLink("GV", "System"));
  EXPECT_EQ(conv.Conv(), nullptr);
  EXPECT_EQ(conv.DdeService(), "GV");
  EXPECT_EQ(conv.DdeTopic(), "System");
  EXPECT_FALSE(conv.ExecuteMacro("ViewDraft()", false));
  EXPECT_EQ(conv.RequestData("WindowRect"), nullptr);
  EXPECT_FALSE(Exists(dir / "log.txt"));
}

TEST(DdeClientConv, AMissingApplicationFailsAtOnce) {
  TDdeClientConv conv(nullptr);
  conv.SetServiceApplication("C:\\no\\such\\viewer.exe /DDE");
  const DWORD start = GetTickCount();
  EXPECT_FALSE(conv.SetLink("GV", "System"));
  EXPECT_LT(GetTickCount() - start, 3000u);
}

TEST(DdeClientConv, StartsTheApplicationMinimisedWithoutActivationAndConnects) {
  TempDir dir;
  GvServerSetup server(dir / "log.txt");
  TDdeClientConv conv(nullptr);
  int opened = 0, closed = 0;
  conv.OnOpen = [&](TObject*) { ++opened; };
  conv.OnClose = [&](TObject*) { ++closed; };
  conv.SetServiceApplication(Quoted(GvServerExe()) + " /DDE");
  // Manual mode: naming the partner does not connect.
  conv.SetConnectMode(ddeManual);
  EXPECT_TRUE(conv.SetLink("GV", "System"));
  EXPECT_EQ(conv.Conv(), nullptr);
  ASSERT_TRUE(conv.OpenLink());
  EXPECT_NE(conv.Conv(), nullptr);
  EXPECT_EQ(opened, 1);
  EXPECT_TRUE(conv.OpenLink());  // already open
  EXPECT_EQ(opened, 1);
  const std::vector<String> starts = server.Lines("start ");
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_NE(starts[0].find(" /DDE"), String::npos);
  EXPECT_EQ(server.Lines("show "), std::vector<String>{std::to_string(SW_SHOWMINNOACTIVE)});
  EXPECT_TRUE(PumpUntil([&] { return Contains(server.Lines(), "connect"); }));
  conv.CloseLink();
  EXPECT_EQ(conv.Conv(), nullptr);
  EXPECT_EQ(closed, 1);
  EXPECT_TRUE(PumpUntil([&] { return Contains(server.Lines(), "disconnect"); }));
  // A second conversation finds the running server: no second start.
  ASSERT_TRUE(conv.OpenLink());
  EXPECT_EQ(server.Lines("start ").size(), 1u);
  EXPECT_TRUE(conv.ExecuteMacro("ExitGV()", false));
  EXPECT_TRUE(server.Gone());
}

TEST(DdeClientConv, CommandsArriveAsTextWithTheirNul) {
  TempDir dir;
  GvServerSetup server(dir / "log.txt");
  TDdeClientConv conv(nullptr);
  conv.SetServiceApplication(Quoted(GvServerExe()) + " /DDE");
  ASSERT_TRUE(conv.SetLink("GV", "System"));
  EXPECT_EQ(conv.DdeFmt(), static_cast<UINT>(CF_TEXT));
  EXPECT_TRUE(conv.ExecuteMacro("ZoomRate(150)", false));
  EXPECT_TRUE(conv.ExecuteMacro("FileOpen(C:\\表示\\a.bmp)", false));
  EXPECT_TRUE(PumpUntil([&] { return server.Lines("exec ").size() == 2; }));
  EXPECT_EQ(server.Lines("exec "), (std::vector<String>{"ZoomRate(150)", "FileOpen(C:\\表示\\a.bmp)"}));
  EXPECT_TRUE(server.Lines("exec-unterminated").empty());
  EXPECT_TRUE(conv.ExecuteMacro("ExitGV()", false));
  EXPECT_TRUE(server.Gone());
}

TEST(DdeClientConv, AWaitedCommandHoldsTheConversationUntilCompleted) {
  TempDir dir;
  GvServerSetup server(dir / "log.txt", "execdelay=800");
  TDdeClientConv conv(nullptr);
  conv.SetServiceApplication(Quoted(GvServerExe()) + " /DDE");
  ASSERT_TRUE(conv.SetLink("GV", "System"));
  const DWORD start = GetTickCount();
  ASSERT_TRUE(conv.ExecuteMacro("FileClose()", true));
  EXPECT_TRUE(conv.WaitStat());
  // Refused while waiting: commands and requests alike.
  EXPECT_FALSE(conv.ExecuteMacro("ViewDraft()", false));
  EXPECT_EQ(conv.RequestData("WindowRect"), nullptr);
  ASSERT_TRUE(PumpUntil([&] { return !conv.WaitStat(); }));
  EXPECT_GE(GetTickCount() - start, 600u);
  EXPECT_TRUE(conv.ExecuteMacro("ViewDraft()", false));
  EXPECT_TRUE(PumpUntil([&] { return server.Lines("exec ").size() == 2; }));
  EXPECT_EQ(server.Lines("exec "), (std::vector<String>{"FileClose()", "ViewDraft()"}));
  EXPECT_TRUE(conv.ExecuteMacro("ExitGV()", false));
  EXPECT_TRUE(server.Gone());
}

TEST(DdeClientConv, CancelWaitAcceptsCommandsAgain) {
  TempDir dir;
  GvServerSetup server(dir / "log.txt", "execdelay=1500");
  TDdeClientConv conv(nullptr);
  conv.SetServiceApplication(Quoted(GvServerExe()) + " /DDE");
  ASSERT_TRUE(conv.SetLink("GV", "System"));
  ASSERT_TRUE(conv.ExecuteMacro("FileClose()", true));
  EXPECT_FALSE(conv.ExecuteMacro("ExitGV()", false));
  conv.CancelWait();
  EXPECT_FALSE(conv.WaitStat());
  EXPECT_TRUE(conv.ExecuteMacro("ExitGV()", false));
  conv.CloseLink();
  EXPECT_TRUE(server.Gone());
  EXPECT_EQ(server.Lines("exec "), (std::vector<String>{"FileClose()", "ExitGV()"}));
}

TEST(DdeClientConv, RequestsGiveTheDataAndANulOrNothing) {
  TempDir dir;
  GvServerSetup server(dir / "log.txt", "rect=1,2,3,4,5");
  TDdeClientConv conv(nullptr);
  conv.SetServiceApplication(Quoted(GvServerExe()) + " /DDE");
  ASSERT_TRUE(conv.SetLink("GV", "System"));
  char* text = conv.RequestData("WindowRect");
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "1,2,3,4,5");
  // The server's 10 bytes (its NUL included) and ours.
  EXPECT_EQ(StrBufSize(text), 11u);
  StrDispose(text);
  EXPECT_EQ(conv.RequestData("NoSuchItem"), nullptr);
  // Not ready yet: the stand-in has no picture to give.
  EXPECT_EQ(conv.RequestData("DIB", 18), nullptr);
  EXPECT_TRUE(PumpUntil([&] { return server.Lines("request ").size() == 3; }));
  EXPECT_EQ(server.Lines("request "),
            (std::vector<String>{"WindowRect 1", "NoSuchItem 1", "DIB 18"}));
  EXPECT_TRUE(conv.ExecuteMacro("ExitGV()", false));
  EXPECT_TRUE(server.Gone());
}

TEST(DdeClientConv, TheServerHangingUpClosesTheConversation) {
  TempDir dir;
  GvServerSetup server(dir / "log.txt");
  TDdeClientConv conv(nullptr);
  int closed = 0;
  conv.OnClose = [&](TObject*) { ++closed; };
  conv.SetServiceApplication(Quoted(GvServerExe()) + " /DDE");
  ASSERT_TRUE(conv.SetLink("GV", "System"));
  EXPECT_TRUE(conv.ExecuteMacro("ExitGV()", false));
  EXPECT_TRUE(PumpUntil([&] { return !conv.Connected(); }));
  EXPECT_EQ(conv.Conv(), nullptr);
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(conv.ExecuteMacro("ViewDraft()", false));
  EXPECT_TRUE(server.Gone());
}

TEST(DdeClientConv, AnotherTopicIsRefusedByTheServer) {
  TempDir dir;
  GvServerSetup server(dir / "log.txt");
  TDdeClientConv conv(nullptr);
  conv.SetServiceApplication(Quoted(GvServerExe()) + " /DDE");
  conv.SetStartTimeout(1500);
  const DWORD start = GetTickCount();
  EXPECT_FALSE(conv.SetLink("GV", "Other"));
  EXPECT_LT(GetTickCount() - start, 6000u);
  EXPECT_EQ(server.Lines("start ").size(), 1u);
  // The server started stays until told otherwise.
  EXPECT_TRUE(StopStrayGvServer());
  EXPECT_TRUE(server.Gone());
}
