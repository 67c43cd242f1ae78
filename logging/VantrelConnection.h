// Connections carry packed messages to the logging dispatcher. The base keeps the table
// of dispatch IDs it made and the destination string registered for each, renews IDs,
// registers and releases destinations with control messages; the copy-data connection
// finds the dispatcher's window (starting the dispatcher once when it is missing) and
// hands it each packet with WM_COPYDATA.
#pragma once

#include <vector>

#include "Classes.h"
#include "SyncObjs.h"
#include "VantrelMessage.h"

class TVantrelLogger;
class TVantrelDestination;

// Control message types: a destination registration and a dispatch-ID release.
constexpr Integer vrmRegisterDestination = 91;
constexpr Integer vrmReleaseDispatchID = 92;

// The dispatcher's window class and caption.
inline const String VantrelDispatcherClass = L"TFrmDispatcher";
inline const String VantrelDispatcherCaption = L"Vantrel Dispatcher";

class TVantrelConnection : public TObject {
  DECLARE_CLASS(TVantrelConnection, TObject)
 public:
  TVantrelConnection() = default;
  // Releases every dispatch ID made (derived transports release through themselves
  // first, see ReleaseDispatchIDs).
  ~TVantrelConnection() override;

  // Is the transport able to send now.
  virtual bool Connect() { return true; }
  // Packs and sends one message; non-zero means delivered.
  virtual Integer SendPackedMessage(TVantrelMessage* Msg) { return 0; }
  virtual void CloseDispatcher() {}

  // Sends Msg for Logger, renewing its dispatch ID and registering its destination as
  // needed; 0 on failure. EVantrelInvalidDestination for an invalid destination.
  Integer SendVantrelMessage(TVantrelLogger* Logger, String& DispatchID, TDateTime& DispatchIDDate,
                             TVantrelMessage* Msg);

  // The dispatch IDs made so far, in order.
  std::vector<String> DispatchIDs();

  // A new dispatch ID: a GUID as 36 characters of upper-case text without braces.
  static String NewDispatchID();

 protected:
  // Sends a release for every ID of the table, once; failures are ignored. A transport
  // calls it from its own destructor, while its SendPackedMessage still works.
  void ReleaseDispatchIDs();

 private:
  struct TEntry {
    String ID;
    String Registered;  // the destination string registered under the ID
    bool HasRegistration = false;
  };
  Integer AddDispatchID(String& DispatchID, TDateTime& DispatchIDDate);  // lock held
  Integer IndexOfID(const String& DispatchID) const;                     // lock held
  bool SendDestination(const String& DispatchID, TVantrelDestination* Destination, const String& Category);
  bool ReleaseDispatchID(const String& DispatchID, const String& Category);

  TCriticalSection FLock;  // guards the table and each send's look-up, renewal and registration
  std::vector<TEntry> FEntries;
  bool FReleased = false;
};

class TVantrelCopyDataConnection : public TVantrelConnection {
  DECLARE_CLASS(TVantrelCopyDataConnection, TVantrelConnection)
 public:
  TVantrelCopyDataConnection() = default;
  ~TVantrelCopyDataConnection() override;
  bool Connect() override;
  Integer SendPackedMessage(TVantrelMessage* Msg) override;
  void CloseDispatcher() override;
  HWND DispatcherHandle() const { return FDispatcherHandle; }

  // How long a just-started dispatcher is given to become ready, in milliseconds.
  static inline DWORD StartTimeout = 10000;
  // How long a send waits for the dispatcher's window to answer, in milliseconds. A
  // window that stops answering costs each send this long at most (less once the system
  // counts it as hung); the send then fails and the logger switches itself off, instead
  // of holding every logging thread for as long as the dispatcher hangs.
  static inline DWORD ReplyTimeout = 5000;

 private:
  bool StartDispatcher();
  HWND FDispatcherHandle = nullptr;
};

// The dispatcher program: the "Dispatcher" value of the product key (or of its policy
// key), else "VRDispatcher.exe".
String GetDispatcherPath();
