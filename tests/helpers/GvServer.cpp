#include "tests/helpers/GvServer.h"

#include "framework/DdeMan.h"
#include "framework/Forms.h"
#include "tests/helpers/TempDir.h"

#include <cstdlib>

String GvServerExe() {
  String exe = Application().ExeName();
  exe.resize(exe.rfind('\\') + 1);
  return exe + "gvserver.exe";
}

bool StopStrayGvServer() {
  for (int i = 0; i < 50; ++i) {
    TDdeClientConv conv(nullptr);
    conv.SetConnectMode(ddeManual);
    conv.SetLink("GV", "System");
    if (!conv.OpenLink()) return true;
    conv.ExecuteMacro("ExitGV()", false);
    conv.CloseLink();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    Application().ProcessMessages();
  }
  return false;
}

GvServerSetup::GvServerSetup(const String& logFile, const String& mode) : log_(logFile) {
  StopStrayGvServer();
  SetEnvironmentVariableA("GVSERVER_LOG", logFile.c_str());
  SetEnvironmentVariableA("GVSERVER_MODE", mode.c_str());
}

GvServerSetup::~GvServerSetup() {
  StopStrayGvServer();
  SetEnvironmentVariableA("GVSERVER_LOG", nullptr);
  SetEnvironmentVariableA("GVSERVER_MODE", nullptr);
}

std::vector<String> GvServerSetup::Lines() const {
  std::vector<String> lines;
  const String text = ReadWholeFile(log_);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == String::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::vector<String> GvServerSetup::Lines(const String& prefix) const {
  std::vector<String> found;
  for (const String& line : Lines())
    if (line.compare(0, prefix.size(), prefix) == 0) found.push_back(line.substr(prefix.size()));
  return found;
}

DWORD GvServerSetup::Pid() const {
  const std::vector<String> pids = Lines("pid ");
  return pids.empty() ? 0 : static_cast<DWORD>(std::strtoul(pids.back().c_str(), nullptr, 10));
}

bool GvServerSetup::Gone(DWORD ms) const {
  const DWORD pid = Pid();
  if (!pid) return true;
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (!process) return true;
  const DWORD start = GetTickCount();
  bool gone = false;
  while (!(gone = WaitForSingleObject(process, 0) == WAIT_OBJECT_0) && GetTickCount() - start < ms) {
    MsgWaitForMultipleObjects(1, &process, FALSE, 50, QS_ALLINPUT);
    Application().ProcessMessages();
  }
  CloseHandle(process);
  return gone;
}
