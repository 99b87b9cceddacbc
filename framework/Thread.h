// A worker thread with a body of its own (Execute) and a blocking hand-over
// of work to the main thread (Synchronize).
#pragma once

#include "framework/Classes.h"

#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>

class EThread : public Exception {
public:
  using Exception::Exception;
};

// Stopping is always by request (Terminate) and never by suspending: a
// suspended thread may hold a lock (the heap's, the runtime's) that the
// main thread needs next.
//
// The first TThread must be constructed on the main thread: that is where
// the window that runs Synchronize's work is made.
class TThread : public TObject {
public:
  // A thread created suspended runs from Start(). One that is not runs
  // from AfterConstruction(), once the most derived constructor is done
  // (Execute must not run on a half-built object). stackSize is the
  // stack's reserve in bytes, 0 for the program's default. Raises EThread
  // when the platform makes no thread.
  explicit TThread(bool createSuspended, unsigned stackSize = 0);
  // Asks the thread to end and waits for it, running its Synchronize work
  // meanwhile; a thread that never ran ends without running Execute. On
  // the thread itself (FreeOnTerminate) it does not wait.
  ~TThread() override;

  void AfterConstruction();
  // Lets a suspended thread run; once only, later calls do nothing.
  void Start();
  // Asks Execute to end; Execute looks at Terminated().
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }
  // Execute has returned (or the thread ended without running it).
  bool Finished() const { return finished_; }
  // Waits until the thread has ended, running Synchronize work meanwhile
  // when called on the main thread.
  void WaitFor();

  // THREAD_PRIORITY_* values.
  int Priority() const;
  void SetPriority(int priority);
  // Deletes the object on its own thread once Execute has returned; the
  // creator must not touch it after Start.
  bool FreeOnTerminate() const { return freeOnTerminate_; }
  void SetFreeOnTerminate(bool free) { freeOnTerminate_ = free; }
  // What escaped Execute, if anything.
  std::exception_ptr FatalException() const { return fatal_; }

  HANDLE Handle() const { return handle_; }
  DWORD ThreadId() const { return threadId_; }

  // Runs work on the main thread while the calling thread waits for it;
  // the main thread runs it when it dispatches messages (any message loop
  // will do). On the main thread it simply runs work. An exception from
  // work is raised again in the caller.
  static void Synchronize(const std::function<void()>& work);
  // Whether the calling thread is the one that runs Synchronize's work.
  static bool InMainThread();

protected:
  virtual void Execute() = 0;

private:
  static DWORD WINAPI ThreadProc(void* parameter);

  HANDLE handle_ = nullptr;
  DWORD threadId_ = 0;
  bool started_ = false;
  bool autoStart_ = false;
  bool freeOnTerminate_ = false;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> skipExecute_{false};
  std::exception_ptr fatal_;
};
