// The client side of DDE conversations over the platform's DDE management
// library: one DDE instance for the whole application, and conversation
// components that connect to a service and topic (starting the service's
// program when nobody answers), send commands and request data items.
//
// Everything runs on the thread that made the first conversation: the DDE
// instance belongs to it, and the completions of asynchronous commands and
// the partner's hanging up arrive through its message queue.
#pragma once

#include "framework/Classes.h"

#include <windows.h>

#include <ddeml.h>

#include <memory>

// How a conversation is opened: by SetLink (and OpenLink), or only by
// OpenLink.
enum TDataMode { ddeAutomatic, ddeManual };

class TDdeClientConv : public TComponent {
public:
  explicit TDdeClientConv(TComponent* owner);
  // Closes the conversation.
  ~TDdeClientConv() override;

  // The application's DDE instance, initialised on first use as a client;
  // 0 when the platform refused it.
  static DWORD DdeInstance();
  // Whether the DDE library is Wine's (its ntdll exports
  // wine_get_version), asked once. The ways round that library's habits
  // are taken only there: elsewhere they could drop a live transaction.
  static bool OnWine();

  TDataMode ConnectMode() const { return connectMode_; }
  void SetConnectMode(TDataMode mode) { connectMode_ = mode; }
  // The command line started when no server answers OpenLink: a program
  // path, possibly with arguments.
  const String& ServiceApplication() const { return serviceApplication_; }
  void SetServiceApplication(const String& commandLine) { serviceApplication_ = commandLine; }
  // How long a started service application has to register its service
  // before OpenLink gives up (milliseconds, 10,000 unless set).
  DWORD StartTimeout() const { return startTimeout_; }
  void SetStartTimeout(DWORD ms) { startTimeout_ = ms; }
  // How long a data request may take (milliseconds, 10,000 unless set).
  DWORD RequestTimeout() const { return requestTimeout_; }
  void SetRequestTimeout(DWORD ms) { requestTimeout_ = ms; }

  const String& DdeService() const { return service_; }
  const String& DdeTopic() const { return topic_; }
  // Closes the open conversation and names the new partner; in automatic
  // mode the new conversation is opened at once and the result is
  // OpenLink's, in manual mode true.
  bool SetLink(const String& service, const String& topic);
  // Connects to DdeService and DdeTopic. When no server answers and a
  // ServiceApplication is set, it is started minimised without
  // activation and connecting is tried again once it is ready for input,
  // and until it registered, it ended or StartTimeout passed (messages
  // are processed meanwhile). True when a conversation is open.
  bool OpenLink();
  void CloseLink();

  // The open conversation; null when there is none.
  HCONV Conv() const { return conv_; }
  // Whether the conversation is open and the partner still in it; one the
  // partner ended is closed here (OnClose). Commands, requests and OpenLink
  // ask this first.
  bool Connected();
  // True from a command sent with the wait flag until the server has
  // completed it.
  bool WaitStat() const { return waitStat_; }
  // Gives up waiting for the command sent with the wait flag: its
  // transaction is abandoned, and commands are accepted again.
  void CancelWait();
  // The clipboard format of commands (CF_TEXT).
  UINT DdeFmt() const { return CF_TEXT; }

  // Sends the command text (its NUL included) as an asynchronous execute
  // transaction. Refused (false) while no conversation is open, while a
  // command sent with the wait flag is still running, or when the
  // transaction cannot be started. With waitFlg, WaitStat holds until the
  // server completes this one.
  bool ExecuteMacro(const char* cmd, bool waitFlg);
  // The item's data in the given clipboard format by a synchronous
  // request of up to RequestTimeout: a new buffer of the data's size plus
  // a NUL (StrAlloc; the caller frees it with StrDispose), or null when
  // refused like a command, on any DDE failure, or on time-out.
  char* RequestData(const String& item, UINT format = CF_TEXT);

  // After a conversation opened and after it closed (by either side; the
  // partner's hanging up may only be noticed by Connected).
  TNotifyEvent OnOpen;
  TNotifyEvent OnClose;

  // A wait that processes messages runs handlers, which may destroy the
  // conversation: it holds this and touches nothing once it reads false.
  std::shared_ptr<const bool> Alive() const { return alive_; }
  // Until ClearDeadline, every wait (the start, the requests) ends by the
  // platform tick count deadline too: one limit for work of many steps.
  void SetDeadline(DWORD tick) { deadline_ = tick, hasDeadline_ = true; }
  void ClearDeadline() { hasDeadline_ = false; }
  // ms, or less when the deadline comes first; 1 at the least (the
  // platform's requests take no time of 0).
  DWORD Within(DWORD ms) const;

private:
  static HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2,
                                    HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);
  static TDdeClientConv* Find(HCONV conv);
  HCONV Connect();
  // Runs ServiceApplication and connects as OpenLink says.
  HCONV StartAndConnect();
  // The partner hung up, or we did.
  void Closed();


  TDataMode connectMode_ = ddeAutomatic;
  String serviceApplication_;
  String service_;
  String topic_;
  DWORD startTimeout_ = 10000;
  DWORD requestTimeout_ = 10000;
  HCONV conv_ = nullptr;
  bool waitStat_ = false;
  DWORD waitTransaction_ = 0;
  DWORD deadline_ = 0;
  bool hasDeadline_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
