#include "lib/browse/Fchange.h"

#include "framework/Forms.h"
#include "framework/Handle.h"
#include "framework/Thread.h"
#include "lib/core/File.h"

#include <atomic>

// What one watch shares between the watcher and its worker. The worker
// outlives the watch: it holds the session until it has seen it dead.
struct kxvDirNotifyChange::Session {
  std::atomic<bool> dead{false};
  // Set together with dead, so that the worker wakes at once.
  UniqueHandle stop;
  // Read and cleared on the main thread only.
  kxvDirNotifyChange* owner = nullptr;
  // For ChangeHandle(): the worker clears it before closing the handle.
  std::atomic<HANDLE> change{nullptr};
};

// One worker per Start. It frees itself, so that nobody ever waits for it.
class kxvDirNotifyChange::Worker : public TThread {
public:
  Worker(std::shared_ptr<Session> session, UniqueChangeHandle& change)
      : TThread(true, 64 * 1024), session_(std::move(session)), change_(std::move(change)) {
    SetFreeOnTerminate(true);
    SetPriority(THREAD_PRIORITY_IDLE);
  }

protected:
  void Execute() override {
    HANDLE handles[2] = {session_->stop.get(), change_.get()};
    while (!Over()) {
      DWORD r = WaitForMultipleObjects(2, handles, FALSE, 1000);
      if (r == WAIT_TIMEOUT) continue;
      if (r != WAIT_OBJECT_0 + 1 || Over()) break;
      std::shared_ptr<Session> session = session_;
      // The closure may find the watch over: a change queued before the
      // watcher went away must not reach it.
      Synchronize([session] {
        if (!session->dead && session->owner) session->owner->DoNotify();
      });
      if (Over() || !FindNextChangeNotification(change_.get())) break;
    }
    session_->change = nullptr;
    change_.reset();
  }

private:
  bool Over() const { return session_->dead || Terminated(); }

  std::shared_ptr<Session> session_;
  UniqueChangeHandle change_;
};

kxvDirNotifyChange::kxvDirNotifyChange(const String& directory, bool watchSubtree,
                                       DWORD notifyFilter)
    : watchSubtree_(watchSubtree) {
  if (notifyFilter == 0) notifyFilter = watchSubtree ? 0x02 : 0x1F;
  SetNotifyFilter(notifyFilter);
  SetDirectory(directory);
}

kxvDirNotifyChange::~kxvDirNotifyChange() { Stop(); }

void kxvDirNotifyChange::SetDirectory(const String& directory) {
  Stop();
  directory_ = directory;
  int last = static_cast<int>(directory_.size()) - 1;
  if (last > 0 && LastCharPos(directory_.c_str(), '\\') == last && directory_[last - 1] != ':') {
    directory_.pop_back();
  }
}

void kxvDirNotifyChange::SetNotifyFilter(DWORD notifyFilter) {
  Stop();
  notifyFilter_ = notifyFilter;
}

HANDLE kxvDirNotifyChange::ChangeHandle() const {
  return session_ ? session_->change.load() : nullptr;
}

void kxvDirNotifyChange::Start() {
  Stop();
  UniqueChangeHandle change(
      FindFirstChangeNotificationA(directory_.c_str(), watchSubtree_, notifyFilter_));
  if (!change) return;
  auto session = std::make_shared<Session>();
  session->stop.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!session->stop) return;
  session->owner = this;
  session->change = change.get();
  Worker* worker;
  try {
    worker = new Worker(session, change);
  } catch (const EThread&) {
    return;  // the handle is still ours and closes here
  }
  session_ = std::move(session);
  worker->Start();
}

void kxvDirNotifyChange::Stop() {
  if (!session_) return;
  session_->owner = nullptr;
  session_->dead = true;
  SetEvent(session_->stop.get());
  session_.reset();
}

void kxvDirNotifyChange::DoNotify() {
  // A copy: the handler may destroy this watcher, and with it OnNotify.
  TNotifyEvent handler = OnNotify;
  if (!handler) return;
  // Thrown back into the worker it would end the watch for good: shown,
  // and the watch goes on.
  try {
    handler(this);
  } catch (const std::exception& e) {
    Application().ShowException(e);
  }
}
