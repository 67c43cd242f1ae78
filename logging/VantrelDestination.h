// Destinations: where the dispatcher sends a sender's messages (its viewer, a log file,
// another dispatcher over TCP or UDP, an HTTP endpoint, a named alias), built, parsed and
// validated as a destination string.
#pragma once

#include <array>

#include "Classes.h"
#include "Persistent.h"
#include "TypInfo.h"

// The host name the logging client uses for the local machine.
inline const String VantrelLoopbackHost = L"127.0.0.1";

DECLARE_EXCEPTION(EVantrelInvalidDestination, Exception)

// The "About" property of the logging components: stored, never consulted.
enum TVantrelAboutInfo { aiVantrel };
ENUM_TYPEINFO(TVantrelAboutInfo, aiVantrel)

class TVantrelDestination;

// One kind of destination.
class TBaseDestination : public TPersistent {
  DECLARE_CLASS(TBaseDestination, TPersistent)
  PUBLISHED(TBaseDestination)
 public:
  TBaseDestination(TVantrelDestination* AOwner, const String& ADestName) : FOwner(AOwner), FDestName(ADestName) {}
  void Assign(TPersistent* Source) override;
  // Raises EVantrelInvalidDestination when an active kind misses a required value.
  virtual void Validate() {}
  virtual void Clear() { FActive = false; }
  // Tells the owner that a setting changed.
  virtual void Changed();
  // Applies one parameter of a destination string; unknown names raise.
  virtual void SetParam(const String& Name, const String& Value) {}
  // The item of this kind in a destination string; empty while inactive.
  virtual String AsString() const;

  bool Active() const { return FActive; }
  void SetActive(bool Value);
  const String& DestName() const { return FDestName; }

 protected:
  friend class TVantrelDestination;
  // Applies a parameter text ("name=value;..."); EVantrelInvalidDestination for an
  // unknown parameter or for brackets that never close.
  void ParseParams(const String& Params);
  // Refuses a parameter text whose brackets never close, as ParseParams does.
  void CheckParamText(const String& Params) const;
  [[noreturn]] void UnknownParamError(const String& Param) const;
  [[noreturn]] void InvalidParamError(const String& Param) const;
  // Stores Value in Field and reports the change when it differs.
  template <class T>
  void Update(T& Field, const T& Value) {
    if (Field == Value) return;
    Field = Value;
    Changed();
  }
  TVantrelDestination* FOwner;
  bool FActive = false;
  String FDestName;
};

class TViewerDestination : public TBaseDestination {
  DECLARE_CLASS(TViewerDestination, TBaseDestination)
 public:
  explicit TViewerDestination(TVantrelDestination* AOwner) : TBaseDestination(AOwner, L"Viewer") {}
};

class TLogFileDestination : public TBaseDestination {
  DECLARE_CLASS(TLogFileDestination, TBaseDestination)
  PUBLISHED(TLogFileDestination)
 public:
  explicit TLogFileDestination(TVantrelDestination* AOwner) : TBaseDestination(AOwner, L"File") { Clear(); }
  void Assign(TPersistent* Source) override;
  void Validate() override;
  void Clear() override;
  void SetParam(const String& Name, const String& Value) override;
  String AsString() const override;

  const String& FilePath() const { return FFilePath; }
  void SetFilePath(const String& V) { Update(FFilePath, V); }
  const String& FileName() const { return FFileName; }
  void SetFileName(const String& V) { Update(FFileName, V); }
  Integer MaxSize() const { return FMaxSize; }
  void SetMaxSize(Integer V) { Update(FMaxSize, V); }
  Integer MaxParts() const { return FMaxParts; }
  void SetMaxParts(Integer V) { Update(FMaxParts, V); }
  bool LogByDate() const { return FLogByDate; }
  void SetLogByDate(bool V) { Update(FLogByDate, V); }
  const String& LogByDateFormat() const { return FLogByDateFormat; }
  void SetLogByDateFormat(const String& V) { Update(FLogByDateFormat, V); }

 private:
  String FFilePath, FFileName;
  Integer FMaxSize = 0, FMaxParts = 0;
  bool FLogByDate = false;
  String FLogByDateFormat;
};

class TNetworkDestination : public TBaseDestination {
  DECLARE_CLASS(TNetworkDestination, TBaseDestination)
  PUBLISHED(TNetworkDestination)
 public:
  TNetworkDestination(TVantrelDestination* AOwner, const String& ADestName, Integer ADefaultPort)
      : TBaseDestination(AOwner, ADestName), FDefaultPort(ADefaultPort) {
    Clear();
  }
  void Assign(TPersistent* Source) override;
  void Validate() override;
  void Clear() override;
  void SetParam(const String& Name, const String& Value) override;
  String AsString() const override;

  const String& Host() const { return FHost; }
  void SetHost(const String& V) { Update(FHost, V); }
  Integer Port() const { return FPort; }
  void SetPort(Integer V) { Update(FPort, V); }
  const String& RemoteDestinationString() const { return FRemoteDestinationString; }
  void SetRemoteDestinationString(const String& V) { Update(FRemoteDestinationString, V); }

 private:
  Integer FDefaultPort;
  String FHost;
  Integer FPort = 0;
  String FRemoteDestinationString;
};

class TTcpDestination : public TNetworkDestination {
  DECLARE_CLASS(TTcpDestination, TNetworkDestination)
 public:
  explicit TTcpDestination(TVantrelDestination* AOwner) : TNetworkDestination(AOwner, L"TCP", 3434) {}
};

class TUdpDestination : public TNetworkDestination {
  DECLARE_CLASS(TUdpDestination, TNetworkDestination)
 public:
  explicit TUdpDestination(TVantrelDestination* AOwner) : TNetworkDestination(AOwner, L"UDP", 3435) {}
};

class THttpDestination : public TBaseDestination {
  DECLARE_CLASS(THttpDestination, TBaseDestination)
  PUBLISHED(THttpDestination)
 public:
  explicit THttpDestination(TVantrelDestination* AOwner) : TBaseDestination(AOwner, L"HTTP") { Clear(); }
  void Assign(TPersistent* Source) override;
  void Validate() override;
  void Clear() override;
  void SetParam(const String& Name, const String& Value) override;
  String AsString() const override;

  const String& URL() const { return FURL; }
  void SetURL(const String& V) { Update(FURL, V); }
  const String& Alias() const { return FAlias; }
  void SetAlias(const String& V) { Update(FAlias, V); }
  const String& ProxyServer() const { return FProxyServer; }
  void SetProxyServer(const String& V) { Update(FProxyServer, V); }
  Integer ProxyPort() const { return FProxyPort; }
  void SetProxyPort(Integer V) { Update(FProxyPort, V); }
  const String& ProxyUsername() const { return FProxyUsername; }
  void SetProxyUsername(const String& V) { Update(FProxyUsername, V); }
  const String& ProxyPassword() const { return FProxyPassword; }
  void SetProxyPassword(const String& V) { Update(FProxyPassword, V); }

 private:
  String FURL, FAlias, FProxyServer;
  Integer FProxyPort = 0;
  String FProxyUsername, FProxyPassword;
};

class TAliasDestination : public TBaseDestination {
  DECLARE_CLASS(TAliasDestination, TBaseDestination)
  PUBLISHED(TAliasDestination)
 public:
  explicit TAliasDestination(TVantrelDestination* AOwner) : TBaseDestination(AOwner, L"Alias") {}
  void Assign(TPersistent* Source) override;
  void Validate() override;
  void Clear() override;
  void SetParam(const String& Name, const String& Value) override;
  String AsString() const override;

  const String& Name() const { return FName; }
  void SetName(const String& V) { Update(FName, V); }

 private:
  String FName;
};

// A set of destinations: one object per kind plus further items kept verbatim.
class TVantrelDestination : public TComponent {
  DECLARE_CLASS(TVantrelDestination, TComponent)
  PUBLISHED(TVantrelDestination)
 public:
  explicit TVantrelDestination(TComponent* AOwner);
  ~TVantrelDestination() override;
  void Assign(TPersistent* Source) override;

  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  // Recomputes the destination code (outside an update).
  void Changed();
  // Clears every kind and the additional items.
  void Clear();
  // Validates the kinds in the order Viewer, File, TCP, UDP, HTTP, Alias.
  void Validate();

  // The destination string: the active kinds' items, then the additional items.
  String AsString() const;
  // Parses a destination string; EVantrelInvalidDestination for an unknown kind or
  // parameter (the items before it stay set).
  void SetAsString(const String& Value);
  Integer DestinationCode() const { return FDestinationCode; }

  const String& Additional() const { return FAdditional; }
  void SetAdditional(const String& Value);
  TViewerDestination* Viewer() const { return FViewer; }
  TLogFileDestination* LogFile() const { return FLogFile; }
  TTcpDestination* TCP() const { return FTcp; }
  TUdpDestination* UDP() const { return FUdp; }
  THttpDestination* HTTP() const { return FHttp; }
  TAliasDestination* Alias() const { return FAlias; }
  void SetViewer(TViewerDestination* V) { FViewer->Assign(V); }
  void SetLogFile(TLogFileDestination* V) { FLogFile->Assign(V); }
  void SetTCP(TTcpDestination* V) { FTcp->Assign(V); }
  void SetUDP(TUdpDestination* V) { FUdp->Assign(V); }
  void SetHTTP(THttpDestination* V) { FHttp->Assign(V); }
  void SetAlias(TAliasDestination* V) { FAlias->Assign(V); }

 private:
  std::array<TBaseDestination*, 6> Kinds() const { return {FViewer, FLogFile, FTcp, FUdp, FHttp, FAlias}; }
  TViewerDestination* FViewer;
  TLogFileDestination* FLogFile;
  TTcpDestination* FTcp;
  TUdpDestination* FUdp;
  THttpDestination* FHttp;
  TAliasDestination* FAlias;
  String FAdditional;
  Integer FUpdateCount = 0;
  Integer FDestinationCode = 0;
};

// The 32-bit code of a destination string (wrapping arithmetic over its UTF-16 units).
Integer DestinationHash(const String& Text);
// A path with its leading macro ($(MyDocs), $(AppExeDir) or $(%VAR%)) expanded and a
// trailing path delimiter.
String ExpandFilePathMacros(const String& Path);
// Splits the first item off Text: its name and its bracketed parameter text.
void SplitDestinationItem(String& Text, String& Params, String& Name);
