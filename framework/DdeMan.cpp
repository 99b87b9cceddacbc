#include "framework/DdeMan.h"

#include "framework/Forms.h"
#include "framework/Handle.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// The application's one DDE instance; uninitialised when the program ends.
//
// Wine's DDE library keeps a conversation the partner ended, and refuses
// every new conversation with the same service and topic while it is
// kept, even after DdeDisconnect. stale tells that one may be kept; there
// the instance is then made afresh before the next connect, when no
// conversation of ours is open.
struct DdeInstanceHolder {
  DWORD id = 0;
  bool tried = false;
  bool stale = false;
  ~DdeInstanceHolder() {
    if (id) DdeUninitialize(id);
  }
};

DdeInstanceHolder& Instance() {
  static DdeInstanceHolder holder;
  return holder;
}

// The live conversations, for the callback to find by handle.
std::vector<TDdeClientConv*>& Conversations() {
  static std::vector<TDdeClientConv*> list;
  return list;
}

// Wine hands out its transaction identifiers shifted into the high word,
// and takes them back unshifted: both forms are given back.
void AbandonWineTransaction(HCONV conv, ULONG_PTR id) {
  DdeAbandonTransaction(Instance().id, conv, static_cast<DWORD>(id));
  if (LOWORD(id) == 0 && HIWORD(id) != 0) DdeAbandonTransaction(Instance().id, conv, HIWORD(id));
}

// A string handle freed when it goes out of scope.
class DdeString {
public:
  DdeString(DWORD instance, const String& text)
      : instance_(instance), hsz_(DdeCreateStringHandleA(instance, text.c_str(), CP_WINANSI)) {}
  ~DdeString() {
    if (hsz_) DdeFreeStringHandle(instance_, hsz_);
  }
  DdeString(const DdeString&) = delete;
  DdeString& operator=(const DdeString&) = delete;
  HSZ get() const { return hsz_; }

private:
  DWORD instance_;
  HSZ hsz_;
};

// Waits up to ms for a message or for the time to pass, then processes
// what came.
void PauseProcessing(DWORD ms) {
  MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
  Application().ProcessMessages();
}

}  // namespace

TDdeClientConv::TDdeClientConv(TComponent* owner) : TComponent(owner) {}

TDdeClientConv::~TDdeClientConv() {
  *alive_ = false;
  // No events from a half-destroyed object.
  OnClose = nullptr;
  CloseLink();
}

DWORD TDdeClientConv::DdeInstance() {
  DdeInstanceHolder& holder = Instance();
  if (!holder.tried) {
    holder.tried = true;
    DWORD id = 0;
    if (DdeInitializeA(&id, &TDdeClientConv::Callback, APPCMD_CLIENTONLY, 0) == DMLERR_NO_ERROR)
      holder.id = id;
  }
  return holder.id;
}

TDdeClientConv* TDdeClientConv::Find(HCONV conv) {
  if (!conv) return nullptr;
  for (TDdeClientConv* c : Conversations())
    if (c->conv_ == conv) return c;
  return nullptr;
}

HDDEDATA CALLBACK TDdeClientConv::Callback(UINT type, UINT, HCONV conv, HSZ, HSZ, HDDEDATA,
                                           ULONG_PTR data1, ULONG_PTR) {
  switch (type) {
    case XTYP_XACT_COMPLETE:
      if (TDdeClientConv* c = Find(conv)) {
        if (c->waitStat_ && data1 == c->waitTransaction_) {
          c->waitStat_ = false;
          c->waitTransaction_ = 0;
        }
      }
      // Wine's DDE library keeps a completed asynchronous transaction at
      // the head of the conversation's queue, where it swallows the
      // replies to every later one. It is done: drop it.
      if (OnWine()) AbandonWineTransaction(conv, data1);
      break;
    case XTYP_DISCONNECT:
      if (TDdeClientConv* c = Find(conv)) {
        Instance().stale = true;
        c->Closed();
      }
      break;
    default:
      break;
  }
  return nullptr;
}

bool TDdeClientConv::SetLink(const String& service, const String& topic) {
  CloseLink();
  service_ = service;
  topic_ = topic;
  if (connectMode_ == ddeAutomatic) return OpenLink();
  return true;
}

bool TDdeClientConv::OnWine() {
  static const bool wine = [] {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  return wine;
}

HCONV TDdeClientConv::Connect() {
  DdeInstanceHolder& holder = Instance();
  if (holder.stale && holder.id && Conversations().empty() && OnWine()) {
    DdeUninitialize(holder.id);
    holder.id = 0;
    holder.tried = false;
    holder.stale = false;
  }
  const DWORD instance = DdeInstance();
  if (!instance) return nullptr;
  DdeString service(instance, service_);
  DdeString topic(instance, topic_);
  if (!service.get() || !topic.get()) return nullptr;
  return DdeConnect(instance, service.get(), topic.get(), nullptr);
}

HCONV TDdeClientConv::StartAndConnect() {
  std::vector<char> commandLine(serviceApplication_.begin(), serviceApplication_.end());
  commandLine.push_back(0);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWMINNOACTIVE;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return nullptr;
  CloseHandle(process.hThread);
  UniqueHandle program(process.hProcess);
  const DWORD start = GetTickCount();
  const DWORD limit = Within(startTimeout_);
  const std::shared_ptr<const bool> alive = alive_;
  // A server registers its service before it waits for input: waited for
  // in slices, the window answering between them.
  while (GetTickCount() - start < limit && WaitForInputIdle(program.get(), 50) == WAIT_TIMEOUT) {
    PauseProcessing(0);
    if (!*alive || conv_) return nullptr;  // gone, or opened meanwhile by a handler
  }
  HCONV conv = Connect();
  // Some servers register later; give them the rest of the time, but not
  // once the program has ended.
  while (!conv && GetTickCount() - start < limit &&
         WaitForSingleObject(program.get(), 0) == WAIT_TIMEOUT) {
    PauseProcessing(50);
    if (!*alive || conv_) return nullptr;
    conv = Connect();
  }
  return conv;
}

DWORD TDdeClientConv::Within(DWORD ms) const {
  if (!hasDeadline_) return ms;
  const DWORD now = GetTickCount();
  const DWORD left = static_cast<int32_t>(deadline_ - now) > 0 ? deadline_ - now : 1;
  return std::max<DWORD>(std::min(ms, left), 1);
}

bool TDdeClientConv::OpenLink() {
  if (Connected()) return true;
  if (service_.empty()) return false;
  HCONV conv = Connect();
  if (!conv && !serviceApplication_.empty()) {
    const std::shared_ptr<const bool> alive = alive_;
    conv = StartAndConnect();
    if (!*alive) return false;
  }
  if (conv_) {
    // A handler run while starting opened it already.
    if (conv && conv != conv_) DdeDisconnect(conv);
    return true;
  }
  if (!conv) return false;
  conv_ = conv;
  waitStat_ = false;
  Conversations().push_back(this);
  if (OnOpen) OnOpen(this);
  return true;
}

void TDdeClientConv::CloseLink() {
  if (!conv_) return;
  HCONV conv = conv_;
  if (!DdeDisconnect(conv)) Instance().stale = true;
  // DdeDisconnect does not call back for our own hanging up.
  if (conv_ == conv) Closed();
}

bool TDdeClientConv::Connected() {
  if (!conv_) return false;
  CONVINFO info = {};
  info.cb = sizeof info;
  // Not every DDE library calls back when the partner hangs up: ask.
  if (DdeQueryConvInfo(conv_, QID_SYNC, &info) && (info.wStatus & ST_CONNECTED)) return true;
  CloseLink();
  return false;
}

void TDdeClientConv::Closed() {
  auto& list = Conversations();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  conv_ = nullptr;
  waitStat_ = false;
  waitTransaction_ = 0;
  if (OnClose) OnClose(this);
}

void TDdeClientConv::CancelWait() {
  if (!waitStat_) return;
  if (conv_ && waitTransaction_) {
    if (OnWine()) {
      AbandonWineTransaction(conv_, waitTransaction_);
    } else {
      DdeAbandonTransaction(DdeInstance(), conv_, waitTransaction_);
    }
  }
  waitStat_ = false;
  waitTransaction_ = 0;
}

bool TDdeClientConv::ExecuteMacro(const char* cmd, bool waitFlg) {
  if (!Connected() || waitStat_ || !cmd) return false;
  const DWORD instance = DdeInstance();
  HDDEDATA data = DdeCreateDataHandle(instance, reinterpret_cast<BYTE*>(const_cast<char*>(cmd)),
                                      static_cast<DWORD>(std::strlen(cmd) + 1), 0, nullptr, DdeFmt(), 0);
  if (!data) return false;
  DWORD transaction = 0;
  // The data handle passes to the platform with the transaction.
  if (!DdeClientTransaction(reinterpret_cast<BYTE*>(data), static_cast<DWORD>(-1), conv_, nullptr,
                            DdeFmt(), XTYP_EXECUTE, TIMEOUT_ASYNC, &transaction))
    return false;
  if (waitFlg) {
    waitStat_ = true;
    waitTransaction_ = transaction;
  }
  return true;
}

char* TDdeClientConv::RequestData(const String& item, UINT format) {
  if (!Connected() || waitStat_) return nullptr;
  const DWORD instance = DdeInstance();
  HDDEDATA data;
  {
    DdeString name(instance, item);
    if (!name.get()) return nullptr;
    data = DdeClientTransaction(nullptr, 0, conv_, name.get(), format, XTYP_REQUEST, Within(requestTimeout_),
                                nullptr);
  }
  if (!data) return nullptr;
  char* buffer = nullptr;
  DWORD size = 0;
  if (BYTE* bytes = DdeAccessData(data, &size)) {
    try {
      buffer = StrAlloc(size_t{size} + 1);
      std::memcpy(buffer, bytes, size);
      buffer[size] = 0;
    } catch (...) {
      StrDispose(buffer);
      buffer = nullptr;
    }
    DdeUnaccessData(data);
  }
  DdeFreeDataHandle(data);
  return buffer;
}
