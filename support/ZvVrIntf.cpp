#include "ZvVrIntf.h"

TZvVRObjectManager* VRObjectManager = nullptr;
TVantrelLogger* ZvGlobalLogger = nullptr;

TZvVRObjectManager::~TZvVRObjectManager() { FLogAppender.reset(); }

void TZvVRObjectManager::EnableAllObjects() {
  if (GlobalLogger) GlobalLogger->SetEnabled(true);
}

void TZvVRObjectManager::DisableAllObjects() {
  if (GlobalLogger) GlobalLogger->SetEnabled(false);
}

TZvTextAppender* TZvVRObjectManager::GetLogAppender() {
  TAcquireScope lock(FLogFileLock);
  if (!FLogAppender) FLogAppender = std::make_unique<TZvTextAppender>(TEncoding::UTF8(), 500);
  return FLogAppender.get();
}

String TZvVRObjectManager::LogLine(const TVantrelMsgData& MsgData) {
  const TDateTime time = TimeStampToDateTime(MsgData.TimeStamp);
  String line = Format(L"[%s][%d][%s][%d]", {FormatDateTime(L"yyyy/mm/dd hh:nn:ss.zzz", time), MsgData.MsgType,
                                              MsgData.ThreadName, static_cast<Int64>(MsgData.ProcessID)});
  line += L"\t" + MsgData.MsgText + L"\t";
  if (MsgData.Details)
    for (Integer i = 0; i < MsgData.Details->Count(); ++i) line += (*MsgData.Details)[i] + L"\r\n";
  return line;
}

void TZvVRObjectManager::WriteLogLine(const TVantrelMsgData& MsgData, const String& FilePath) {
  GetLogAppender()->Writetext(LogLine(MsgData), FilePath);
}

String TZvVRObjectManager::LogFileFor(const TVantrelMsgData& MsgData) const {
  const TDateTime time = TimeStampToDateTime(MsgData.TimeStamp);
  switch (FDestinationType) {
    case zvdtLogFile: return FLogFilePath;
    case zvdtLogFilePerHour:
      return FLogFolder.empty() ? String()
                                : IncludeTrailingPathDelimiter(FLogFolder) + FormatDateTime(L"yyyymmdd\"_\"hh", time) + L".log";
    case zvdtLogFilePerDate:
      return FLogFolder.empty() ? String() : IncludeTrailingPathDelimiter(FLogFolder) + FormatDateTime(L"yyyymmdd", time) + L".log";
    default: return String();
  }
}

void TZvVRObjectManager::VantrelSendMsg(TObject* Sender, const TVantrelMsgData& MsgData, bool& Handled) {
  const String file = LogFileFor(MsgData);
  Handled = !file.empty();
  if (Handled) WriteLogLine(MsgData, file);
  if (OnMessageSend) OnMessageSend(MsgData);
}

void ZvVrIntfInitialize() {
  VRObjectManager = new TZvVRObjectManager();
  ZvGlobalLogger = GlobalLogger;
  if (GlobalLogger)
    GlobalLogger->OnSendMsg = [](TObject* Sender, const TVantrelMsgData& MsgData, bool& Handled) {
      VRObjectManager->VantrelSendMsg(Sender, MsgData, Handled);
    };
}

void ZvVrIntfFinalize() {
  if (VRObjectManager) VRObjectManager->DisableAllObjects();
  // The hook goes before the manager behind it, so that no message reaches a freed one.
  if (GlobalLogger) GlobalLogger->OnSendMsg = nullptr;
  FreeAndNil(VRObjectManager);
  ZvGlobalLogger = nullptr;
}

const TUnitInfo ZvVrIntfUnit = {L"ZvVrIntf", ZvVrIntfInitialize, ZvVrIntfFinalize};
