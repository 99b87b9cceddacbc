// The stand-in GV viewer (tests/peers/gvserver.cpp) seen from a test: where
// it is, how it is set up, what it logged, and whether it is gone.
#pragma once

#include "framework/Sysutils.h"

#include <windows.h>

#include <vector>

// gvserver.exe beside the test program.
String GvServerExe();

// Sets up the stand-in for the servers started while it lives: its log
// file and its switches (GVSERVER_MODE), through the environment they
// inherit. Tells a stand-in still running from before to exit first.
class GvServerSetup {
public:
  explicit GvServerSetup(const String& logFile, const String& mode = "");
  ~GvServerSetup();
  GvServerSetup(const GvServerSetup&) = delete;
  GvServerSetup& operator=(const GvServerSetup&) = delete;

  // The log's lines so far.
  std::vector<String> Lines() const;
  // The lines beginning with prefix, without it.
  std::vector<String> Lines(const String& prefix) const;
  // The last server's process id as it logged it, 0 before one started.
  DWORD Pid() const;
  // Whether the last server logged has ended within ms (processing
  // messages meanwhile); true when none started.
  bool Gone(DWORD ms = 10000) const;

private:
  String log_;
};

// Any stand-in still registered is told to exit; true when none is left.
bool StopStrayGvServer();
