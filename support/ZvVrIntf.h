// Where the process's log messages go. At start-up the unit creates VRObjectManager and
// installs its handler as GlobalLogger's send hook: with the default destination every
// message goes on to the logging dispatcher, with a file destination it is written as
// one line to a log file through a text appender instead. The manager also switches the
// global logger on and off.
#pragma once

#include <functional>
#include <memory>

#include "SyncObjs.h"
#include "SysInit.h"
#include "VantrelLogging.h"
#include "ZvTextAppenderUnit.h"

enum TZvVantrelDestinationType : Byte {
  zvdtVantrel,         // let messages through to the dispatcher
  zvdtLogFile,         // one fixed file (LogFilePath)
  zvdtLogFilePerHour,  // LogFolder\yyyymmdd_hh.log
  zvdtLogFilePerDate,  // LogFolder\yyyymmdd.log
};

using TZvVRObjectManagerSendMsgEvent = std::function<void(const TVantrelMsgData& aMsgData)>;

class TZvVRObjectManager : public TObject {
  DECLARE_CLASS(TZvVRObjectManager, TObject)
 public:
  TZvVRObjectManager() = default;
  // Frees the appender (which lets its pending lines finish), then the lock.
  ~TZvVRObjectManager() override;

  TZvVantrelDestinationType DestinationType() const { return FDestinationType; }
  void SetDestinationType(TZvVantrelDestinationType Value) { FDestinationType = Value; }
  const String& LogFolder() const { return FLogFolder; }
  void SetLogFolder(const String& Value) { FLogFolder = Value; }
  const String& LogFilePath() const { return FLogFilePath; }
  void SetLogFilePath(const String& Value) { FLogFilePath = Value; }
  TZvVRObjectManagerSendMsgEvent OnMessageSend;

  // Switch GlobalLogger on / off.
  void EnableAllObjects();
  void DisableAllObjects();

  // The logger's send hook. With a file destination the message is written to its file
  // and kept from the dispatcher; when that file has no path (an empty LogFilePath or
  // LogFolder) the message goes on to the dispatcher rather than being lost. The
  // observer sees every message either way.
  void VantrelSendMsg(TObject* Sender, const TVantrelMsgData& MsgData, bool& Handled);
  // The appender (UTF-8 with byte-order mark, at most 500 pending lines), made on first
  // use.
  TZvTextAppender* GetLogAppender();
  // Hands the message's line to the appender for FilePath.
  void WriteLogLine(const TVantrelMsgData& MsgData, const String& FilePath);
  // "[yyyy/mm/dd hh:nn:ss.zzz][type][thread][process]", TAB, text, TAB, then every
  // details line followed by CR LF.
  static String LogLine(const TVantrelMsgData& MsgData);
  // The file a message goes to under the current destination; empty for the dispatcher
  // and for a file destination without a path.
  String LogFileFor(const TVantrelMsgData& MsgData) const;

 private:
  TZvVantrelDestinationType FDestinationType = zvdtVantrel;
  TCriticalSection FLogFileLock;
  std::unique_ptr<TZvTextAppender> FLogAppender;
  String FLogFolder;
  String FLogFilePath;
};

extern TZvVRObjectManager* VRObjectManager;
// The unit's own reference to GlobalLogger, set while the unit runs; the maker's
// exception class warns through it.
extern TVantrelLogger* ZvGlobalLogger;

// Start-up: creates VRObjectManager and installs its handler as GlobalLogger's send
// hook. Shut-down: switches GlobalLogger off, removes the hook, then frees the manager.
void ZvVrIntfInitialize();
void ZvVrIntfFinalize();
extern const TUnitInfo ZvVrIntfUnit;
