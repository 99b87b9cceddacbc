#include "framework/Thread.h"

#include "framework/Forms.h"
#include "framework/Handle.h"
#include "tests/helpers/Pump.h"

#include <gtest/gtest.h>

namespace {

class LambdaThread : public TThread {
public:
  explicit LambdaThread(std::function<void(LambdaThread&)> body)
      : TThread(true), body_(std::move(body)) {}

protected:
  void Execute() override { body_(*this); }

private:
  std::function<void(LambdaThread&)> body_;
};

}  // namespace

TEST(TThread, SynchronizeRunsOnTheMainThreadWhileTheWorkerWaits) {
  // Set by the worker once Synchronize has returned: a Synchronize that
  // did not wait would let it be set while the closure still runs.
  UniqueHandle returned(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(returned);
  std::atomic<DWORD> workerId{0}, closureId{0};
  std::atomic<DWORD> waitInClosure{WAIT_FAILED};
  std::atomic<bool> closureDone{false}, doneWhenReturned{false};
  LambdaThread thread([&](LambdaThread&) {
    workerId = GetCurrentThreadId();
    TThread::Synchronize([&] {
      closureId = GetCurrentThreadId();
      waitInClosure = WaitForSingleObject(returned.get(), 500);
      closureDone = true;
    });
    doneWhenReturned = closureDone.load();
    SetEvent(returned.get());
  });
  EXPECT_EQ(workerId, 0u);  // created suspended
  thread.Start();
  ASSERT_TRUE(PumpUntil([&] { return thread.Finished(); }));
  EXPECT_EQ(closureId, GetCurrentThreadId());
  EXPECT_EQ(workerId, thread.ThreadId());
  EXPECT_EQ(waitInClosure, static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_TRUE(doneWhenReturned);
  DWORD id = 0;
  TThread::Synchronize([&] { id = GetCurrentThreadId(); });  // on the main thread: at once
  EXPECT_EQ(id, GetCurrentThreadId());
}

TEST(TThread, TerminateIsSeenByExecuteAtItsPriority) {
  std::atomic<int> priority{12345};
  std::atomic<bool> running{false};
  LambdaThread thread([&](LambdaThread& self) {
    priority = GetThreadPriority(GetCurrentThread());
    running = true;
    while (!self.Terminated()) TThread::Synchronize([] {});
  });
  thread.SetPriority(THREAD_PRIORITY_IDLE);
  EXPECT_EQ(thread.Priority(), THREAD_PRIORITY_IDLE);
  thread.Start();
  ASSERT_TRUE(PumpUntil([&] { return running.load(); }));
  EXPECT_EQ(priority, THREAD_PRIORITY_IDLE);
  EXPECT_FALSE(thread.Finished());
  thread.Terminate();
  thread.WaitFor();  // runs the worker's hand-overs while it waits
  EXPECT_TRUE(thread.Finished());
}
