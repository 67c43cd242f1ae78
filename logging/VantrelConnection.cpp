#include "VantrelConnection.h"

#include <float.h>
#include <shellapi.h>

#include "Registry.h"
#include "VantrelDestination.h"
#include "VantrelGlobal.h"
#include "VantrelLogging.h"

namespace {
// A control message carrying the sender's identity. A connection may outlive the
// logging manager (one owned by a form freed after the logging units shut down): its
// releases then go out with the process ID alone.
void FillControlMessage(TVantrelMessage& Msg, Integer MsgType, const String& DispatchID, const String& Category) {
  Msg.MsgType = MsgType;
  Msg.DispatchID = UTF8Encode(DispatchID);
  Msg.Category = UTF8Encode(CutText(Category, 40));
  if (TVantrelManager* manager = GlobalLogManager) {
    Msg.AppName = UTF8Encode(CutText(manager->AppName(), 40));
    Msg.ComputerName = UTF8Encode(CutText(manager->ComputerName(), 15));
    Msg.ProcessID = manager->ProcessID();
  } else {
    Msg.ProcessID = GetCurrentProcessId();
  }
}
}  // namespace

// ---------------------------------------------------------------------------------------
// TVantrelConnection

TVantrelConnection::~TVantrelConnection() { ReleaseDispatchIDs(); }

void TVantrelConnection::ReleaseDispatchIDs() {
  TAcquireScope lock(FLock);
  if (FReleased) return;
  FReleased = true;
  for (const TEntry& e : FEntries) ReleaseDispatchID(e.ID, String());
}

std::vector<String> TVantrelConnection::DispatchIDs() {
  TAcquireScope lock(FLock);
  std::vector<String> ids;
  for (const TEntry& e : FEntries) ids.push_back(e.ID);
  return ids;
}

String TVantrelConnection::NewDispatchID() {
  GUID g;
  CreateGUID(g);
  return GUIDToString(g).substr(1, 36);
}

Integer TVantrelConnection::IndexOfID(const String& DispatchID) const {
  for (size_t i = 0; i < FEntries.size(); ++i)
    if (FEntries[i].ID == DispatchID) return static_cast<Integer>(i);
  return -1;
}

Integer TVantrelConnection::AddDispatchID(String& DispatchID, TDateTime& DispatchIDDate) {
  DispatchID = NewDispatchID();
  DispatchIDDate = Date();
  FEntries.push_back(TEntry{DispatchID, String(), false});
  return static_cast<Integer>(FEntries.size()) - 1;
}

Integer TVantrelConnection::SendVantrelMessage(TVantrelLogger* Logger, String& DispatchID,
                                               TDateTime& DispatchIDDate, TVantrelMessage* Msg) {
  if (!Connect()) return 0;
  {
    // Look-up, renewal and registration form one step: two loggers (or two threads of
    // one) never interleave them.
    TAcquireScope lock(FLock);
    Integer index = IndexOfID(DispatchID);
    if (DispatchID.empty() || index < 0 || Date() - 1 > DispatchIDDate) index = AddDispatchID(DispatchID, DispatchIDDate);
    TVantrelDestination* destination = Logger->Destination();
    if (!destination) destination = GlobalLogManager->DefaultDestination();
    // Validation may complete the destination (an HTTP alias); the string registered
    // is the one after it.
    destination->Validate();
    const String code = destination->AsString();
    if (!FEntries[index].HasRegistration || FEntries[index].Registered != code) {
      if (FEntries[index].HasRegistration) {
        ReleaseDispatchID(DispatchID, Logger->Category());
        index = AddDispatchID(DispatchID, DispatchIDDate);
      }
      if (!SendDestination(DispatchID, destination, Logger->Category())) return 0;
      FEntries[index].Registered = code;
      FEntries[index].HasRegistration = true;
    }
  }
  Msg->DispatchID = UTF8Encode(DispatchID);
  try {
    return SendPackedMessage(Msg);
  } catch (...) {
    // A transport failure of any kind is a failed delivery: the caller switches its
    // logger off rather than letting logging break the program.
    return 0;
  }
}

bool TVantrelConnection::SendDestination(const String& DispatchID, TVantrelDestination* Destination,
                                         const String& Category) {
  Destination->Validate();
  TVantrelMessage msg;
  FillControlMessage(msg, vrmRegisterDestination, DispatchID, Category);
  msg.MsgText = UTF8Encode(Destination->AsString());
  try {
    return SendPackedMessage(&msg) != 0;
  } catch (...) {
    // As for any send: a transport failure is a refused registration.
    return false;
  }
}

bool TVantrelConnection::ReleaseDispatchID(const String& DispatchID, const String& Category) {
  TVantrelMessage msg;
  FillControlMessage(msg, vrmReleaseDispatchID, DispatchID, Category);
  try {
    return SendPackedMessage(&msg) != 0;
  } catch (...) {
    // Releases are courtesy notices; a failing one changes nothing here.
    return false;
  }
}

// ---------------------------------------------------------------------------------------
// TVantrelCopyDataConnection

TVantrelCopyDataConnection::~TVantrelCopyDataConnection() { ReleaseDispatchIDs(); }

bool TVantrelCopyDataConnection::Connect() {
  HWND h = FindWindowW(VantrelDispatcherClass.c_str(), VantrelDispatcherCaption.c_str());
  if (!h) {
    StartDispatcher();
    h = FindWindowW(VantrelDispatcherClass.c_str(), VantrelDispatcherCaption.c_str());
  }
  if (h && h == FDispatcherHandle) return true;
  FDispatcherHandle = h;
  return h != nullptr;
}

bool TVantrelCopyDataConnection::StartDispatcher() {
  const String path = GetDispatcherPath();
  if (path.empty()) return false;
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"open";
  info.lpFile = path.c_str();
  info.nShow = SW_HIDE;
  // The shell may load code that changes the floating-point control word.
  const unsigned int controlWord = _control87(0, 0);
  const BOOL started = ShellExecuteExW(&info);
  _control87(controlWord, _MCW_EM | _MCW_RC);
  if (!started) return false;
  if (info.hProcess) {
    // Bounded: a dispatcher that never becomes idle must not hang the sender.
    WaitForInputIdle(info.hProcess, StartTimeout);
    CloseHandle(info.hProcess);
  }
  return true;
}

Integer TVantrelCopyDataConnection::SendPackedMessage(TVantrelMessage* Msg) {
  if (!FDispatcherHandle || !IsWindow(FDispatcherHandle)) return 0;
  std::vector<Byte> packet = PackMessage(*Msg);
  COPYDATASTRUCT cds{};
  cds.dwData = VantrelPacketSignature;
  cds.cbData = static_cast<DWORD>(packet.size());
  cds.lpData = packet.data();
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(FDispatcherHandle, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds),
                           SMTO_BLOCK | SMTO_ABORTIFHUNG, ReplyTimeout, &result))
    return 0;  // no answer in time, or the window went away
  return static_cast<Integer>(result);
}

void TVantrelCopyDataConnection::CloseDispatcher() {
  // Bounded like every send: a hung dispatcher does not hold the caller.
  DWORD_PTR result = 0;
  if (FDispatcherHandle && IsWindow(FDispatcherHandle))
    SendMessageTimeoutW(FDispatcherHandle, WM_CLOSE, 0, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG, ReplyTimeout, &result);
}

String GetDispatcherPath() {
  String path;
  TRegistry reg(KEY_READ);
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  if (reg.OpenKeyReadOnly(VantrelRegistryKey) ||
      reg.OpenKeyReadOnly(L"\\Software\\Policies\\Quillon\\Vantrel\\4.0")) {
    if (reg.ValueExists(L"Dispatcher")) path = reg.ReadString(L"Dispatcher");
  }
  return path.empty() ? String(L"VRDispatcher.exe") : path;
}
