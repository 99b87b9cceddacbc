#include "framework/Thread.h"

#include <mutex>

namespace {

constexpr UINT kSyncMessage = WM_APP + 0x3A1;

// One hand-over: the worker's stack holds it until done is set.
struct SyncJob {
  const std::function<void()>* work;
  HANDLE done;
  std::exception_ptr error;
};

HWND syncWindow = nullptr;
DWORD mainThreadId = 0;
std::once_flag syncOnce;

void RunJob(SyncJob& job) {
  try {
    (*job.work)();
  } catch (...) {
    job.error = std::current_exception();
  }
  SetEvent(job.done);
}

LRESULT CALLBACK SyncWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kSyncMessage) {
    RunJob(*reinterpret_cast<SyncJob*>(lParam));
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// A message-only window: never shown, never enumerated, but its posted
// messages are dispatched by every message loop of the main thread.
void MakeSyncWindow() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  wc.lpfnWndProc = SyncWndProc;
  wc.hInstance = instance;
  wc.lpszClassName = "VemtarThreadSync";
  RegisterClassA(&wc);
  mainThreadId = GetCurrentThreadId();
  syncWindow = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               instance, nullptr);
}

}  // namespace

TThread::TThread(bool createSuspended, unsigned stackSize) {
  std::call_once(syncOnce, MakeSyncWindow);
  DWORD flags = CREATE_SUSPENDED | (stackSize ? STACK_SIZE_PARAM_IS_A_RESERVATION : 0);
  handle_ = CreateThread(nullptr, stackSize, ThreadProc, this, flags, &threadId_);
  if (!handle_) throw EThread("スレッドを作成できません");
  autoStart_ = !createSuspended;
}

TThread::~TThread() {
  if (!handle_) return;
  if (GetCurrentThreadId() != threadId_) {
    if (!started_) {
      // Never ran: let it go without touching the object's body.
      skipExecute_ = true;
      started_ = true;
      ResumeThread(handle_);
    }
    Terminate();
    WaitFor();
  }
  CloseHandle(handle_);
}

void TThread::AfterConstruction() {
  if (autoStart_) Start();
}

void TThread::Start() {
  if (started_) return;
  started_ = true;
  ResumeThread(handle_);
}

void TThread::WaitFor() {
  if (GetCurrentThreadId() == threadId_ || !started_) return;
  if (!InMainThread()) {
    WaitForSingleObject(handle_, INFINITE);
    return;
  }
  // The thread may be waiting in Synchronize for us: keep running that
  // work, and only that, until it ends.
  for (;;) {
    DWORD r = MsgWaitForMultipleObjects(1, &handle_, FALSE, INFINITE, QS_POSTMESSAGE);
    if (r != WAIT_OBJECT_0 + 1) return;
    MSG msg;
    while (PeekMessageA(&msg, syncWindow, kSyncMessage, kSyncMessage, PM_REMOVE)) {
      DispatchMessageA(&msg);
    }
  }
}

int TThread::Priority() const { return GetThreadPriority(handle_); }

void TThread::SetPriority(int priority) { SetThreadPriority(handle_, priority); }

bool TThread::InMainThread() { return syncWindow && GetCurrentThreadId() == mainThreadId; }

void TThread::Synchronize(const std::function<void()>& work) {
  // Without the window no thread of ours exists to hand over from.
  if (!syncWindow || GetCurrentThreadId() == mainThreadId) {
    work();
    return;
  }
  SyncJob job{&work, CreateEventA(nullptr, TRUE, FALSE, nullptr), nullptr};
  if (!job.done) throw EThread("同期用イベントを作成できません");
  // A full queue empties as the main thread goes on.
  while (!PostMessageA(syncWindow, kSyncMessage, 0, reinterpret_cast<LPARAM>(&job))) Sleep(10);
  WaitForSingleObject(job.done, INFINITE);
  CloseHandle(job.done);
  if (job.error) std::rethrow_exception(job.error);
}

DWORD WINAPI TThread::ThreadProc(void* parameter) {
  auto* thread = static_cast<TThread*>(parameter);
  if (!thread->skipExecute_) {
    try {
      thread->Execute();
    } catch (...) {
      thread->fatal_ = std::current_exception();
    }
  }
  bool free = thread->freeOnTerminate_ && !thread->skipExecute_;
  thread->finished_ = true;
  // Past this point a thread that is not freed here may already be gone.
  if (free) delete thread;
  return 0;
}
