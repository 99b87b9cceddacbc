// Watches one directory (optionally its whole subtree) and reports every
// change on disk to its owner on the main thread.
#pragma once

#include "framework/Classes.h"

#include <windows.h>

#include <memory>

class kxvDirNotifyChange : public TObject {
public:
  // A notifyFilter of 0 means directory names (0x02) when watching the
  // subtree, and everything (0x1F) otherwise. Nothing is watched before
  // Start.
  kxvDirNotifyChange(const String& directory, bool watchSubtree, DWORD notifyFilter);
  // Never waits for the worker, and is safe from inside OnNotify: no
  // OnNotify follows.
  ~kxvDirNotifyChange() override;

  const String& Directory() const { return directory_; }
  // Stops; a trailing "\" is dropped unless it is the only character or
  // follows a drive's ":".
  void SetDirectory(const String& directory);
  DWORD NotifyFilter() const { return notifyFilter_; }
  // Stops.
  void SetNotifyFilter(DWORD notifyFilter);
  bool WatchSubtree() const { return watchSubtree_; }
  // The open notification (owned by the worker), 0 while not watching.
  HANDLE ChangeHandle() const;

  // Watches Directory afresh; silent when it cannot be watched.
  void Start();
  // Ends the watch without waiting for the worker.
  void Stop();

  // On the main thread, once for every signalled change.
  TNotifyEvent OnNotify;

protected:
  virtual void DoNotify();

private:
  struct Session;
  class Worker;

  String directory_;
  DWORD notifyFilter_ = 0;
  bool watchSubtree_ = false;
  std::shared_ptr<Session> session_;
};
