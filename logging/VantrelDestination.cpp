#include "VantrelDestination.h"

#include <shlobj.h>

#include <unordered_map>
#include <vector>

#include "VantrelGlobal.h"

// ---------------------------------------------------------------------------------------
// Published properties

void TBaseDestination::DeclarePublished(TPublisher<TBaseDestination>& P) {
  P.Property(L"Active", &TBaseDestination::Active, &TBaseDestination::SetActive).Default(false);
}

void TLogFileDestination::DeclarePublished(TPublisher<TLogFileDestination>& P) {
  using C = TLogFileDestination;
  P.Property(L"FilePath", &C::FilePath, &C::SetFilePath);
  P.Property(L"FileName", &C::FileName, &C::SetFileName);
  P.Property(L"MaxSize", &C::MaxSize, &C::SetMaxSize).Default(0);
  P.Property(L"MaxParts", &C::MaxParts, &C::SetMaxParts).Default(0);
  P.Property(L"LogByDate", &C::LogByDate, &C::SetLogByDate).Default(false);
  P.Property(L"LogByDateFormat", &C::LogByDateFormat, &C::SetLogByDateFormat);
}

void TNetworkDestination::DeclarePublished(TPublisher<TNetworkDestination>& P) {
  using C = TNetworkDestination;
  P.Property(L"Host", &C::Host, &C::SetHost);
  P.Property(L"Port", &C::Port, &C::SetPort);
  P.Property(L"RemoteDestinationString", &C::RemoteDestinationString, &C::SetRemoteDestinationString);
}

void THttpDestination::DeclarePublished(TPublisher<THttpDestination>& P) {
  using C = THttpDestination;
  P.Property(L"URL", &C::URL, &C::SetURL);
  P.Property(L"Alias", &C::Alias, &C::SetAlias);
  P.Property(L"ProxyServer", &C::ProxyServer, &C::SetProxyServer);
  P.Property(L"ProxyPort", &C::ProxyPort, &C::SetProxyPort).Default(0);
  P.Property(L"ProxyUsername", &C::ProxyUsername, &C::SetProxyUsername);
  P.Property(L"ProxyPassword", &C::ProxyPassword, &C::SetProxyPassword);
}

void TAliasDestination::DeclarePublished(TPublisher<TAliasDestination>& P) {
  P.Property(L"Name", &TAliasDestination::Name, &TAliasDestination::SetName);
}

void TVantrelDestination::DeclarePublished(TPublisher<TVantrelDestination>& P) {
  using C = TVantrelDestination;
  P.Property(L"About", [](C*) { return aiVantrel; }, [](C*, TVantrelAboutInfo) {});
  P.Property(L"Additional", &C::Additional, &C::SetAdditional);
  P.Property(L"Viewer", &C::Viewer, &C::SetViewer);
  P.Property(L"LogFile", &C::LogFile, &C::SetLogFile);
  P.Property(L"TCP", &C::TCP, &C::SetTCP);
  P.Property(L"UDP", &C::UDP, &C::SetUDP);
  P.Property(L"HTTP", &C::HTTP, &C::SetHTTP);
  P.Property(L"Alias", &C::Alias, &C::SetAlias);
}

// ---------------------------------------------------------------------------------------
// TBaseDestination

void TBaseDestination::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TBaseDestination*>(Source)) {
    SetActive(src->FActive);
    return;
  }
  TPersistent::Assign(Source);
}

void TBaseDestination::Changed() {
  if (FOwner) FOwner->Changed();
}

String TBaseDestination::AsString() const { return FActive ? FDestName : String(); }

void TBaseDestination::SetActive(bool Value) { Update(FActive, Value); }

void TBaseDestination::UnknownParamError(const String& Param) const {
  throw EVantrelInvalidDestination(L"Invalid %s Destination Option -- unknown %s parameter", {FDestName, Param});
}

void TBaseDestination::InvalidParamError(const String& Param) const {
  throw EVantrelInvalidDestination(L"Invalid %s Destination -- missing or incorrect %s parameter", {FDestName, Param});
}

// ---------------------------------------------------------------------------------------
// File

void TLogFileDestination::Assign(TPersistent* Source) {
  TBaseDestination::Assign(Source);
  if (auto* src = dynamic_cast<TLogFileDestination*>(Source)) {
    SetFilePath(src->FFilePath);
    SetFileName(src->FFileName);
    SetMaxSize(src->FMaxSize);
    SetMaxParts(src->FMaxParts);
    SetLogByDate(src->FLogByDate);
    SetLogByDateFormat(src->FLogByDateFormat);
  }
}

void TLogFileDestination::Validate() {
  if (FActive && FFileName.empty()) InvalidParamError(L"FileName");
}

void TLogFileDestination::Clear() {
  TBaseDestination::Clear();
  FFilePath.clear();
  FFileName.clear();
  FMaxSize = 0;
  FMaxParts = 0;
  FLogByDate = false;
  FLogByDateFormat = L"yyyymmdd";
}

void TLogFileDestination::SetParam(const String& Name, const String& Value) {
  if (SameText(Name, L"Path")) {
    const String path = ExtractFilePath(Value);
    const String name = ExtractFileName(Value);
    // The item is written with the path expanded: a path whose written form would not
    // read back to itself (a macro left open, an expansion that holds another macro) is
    // refused here, and not kept, rather than changing on every round trip.
    const String written = ExpandFilePathMacros(path) + name;
    if (ExpandFilePathMacros(ExtractFilePath(written)) + ExtractFileName(written) != written)
      InvalidParamError(L"FilePath");
    FFilePath = path;
    FFileName = name;
  } else if (SameText(Name, L"MaxSize")) {
    FMaxSize = StrToIntDef(Value, 0);
  } else if (SameText(Name, L"MaxParts")) {
    FMaxParts = StrToIntDef(Value, 0);
  } else if (SameText(Name, L"LogByDate")) {
    FLogByDate = StrToBoolDef(Value, false);
  } else if (SameText(Name, L"LogByDateFormat")) {
    FLogByDateFormat = Value;
  } else {
    UnknownParamError(Name);
  }
}

String TLogFileDestination::AsString() const {
  if (!FActive) return String();
  String s = FDestName + L"[Path=" + ExpandFilePathMacros(FFilePath) + FFileName;
  if (FMaxSize > 0) {
    s += L";MaxSize=" + IntToStr(FMaxSize);
    if (FMaxParts > 0) s += L";MaxParts=" + IntToStr(FMaxParts);
  }
  if (FLogByDate) {
    s += L";LogByDate=true";
    if (UpperCase(FLogByDateFormat) != L"YYYYMMDD") s += L";LogByDateFormat=" + FLogByDateFormat;
  }
  return s + L"]";
}

// ---------------------------------------------------------------------------------------
// TCP and UDP

void TNetworkDestination::Assign(TPersistent* Source) {
  TBaseDestination::Assign(Source);
  if (auto* src = dynamic_cast<TNetworkDestination*>(Source)) {
    SetHost(src->FHost);
    SetPort(src->FPort);
    SetRemoteDestinationString(src->FRemoteDestinationString);
  }
}

void TNetworkDestination::Validate() {
  if (FActive && FHost.empty()) InvalidParamError(L"Host");
}

void TNetworkDestination::Clear() {
  TBaseDestination::Clear();
  FHost = VantrelLoopbackHost;
  FPort = FDefaultPort;
  FRemoteDestinationString = L"Viewer";
}

void TNetworkDestination::SetParam(const String& Name, const String& Value) {
  if (SameText(Name, L"Host"))
    FHost = Value;
  else if (SameText(Name, L"Port"))
    FPort = StrToIntDef(Value, 0);
  else if (SameText(Name, L"RemoteDestinationDetails"))
    FRemoteDestinationString = Value;
  else
    UnknownParamError(Name);
}

String TNetworkDestination::AsString() const {
  if (!FActive) return String();
  String s = FDestName + L"[Host=" + FHost + L";Port=" + IntToStr(FPort);
  if (!FRemoteDestinationString.empty()) s += L";RemoteDestinationDetails=" + FRemoteDestinationString;
  return s + L"]";
}

// ---------------------------------------------------------------------------------------
// HTTP

void THttpDestination::Assign(TPersistent* Source) {
  TBaseDestination::Assign(Source);
  if (auto* src = dynamic_cast<THttpDestination*>(Source)) {
    SetURL(src->FURL);
    SetAlias(src->FAlias);
    SetProxyServer(src->FProxyServer);
    SetProxyPort(src->FProxyPort);
    SetProxyUsername(src->FProxyUsername);
    SetProxyPassword(src->FProxyPassword);
  }
}

void THttpDestination::Validate() {
  if (!FActive) return;
  if (FURL.empty()) InvalidParamError(L"URL");
  if (FAlias.empty()) FAlias = L"Default";  // the dispatcher's default alias, set quietly
  if (!FProxyServer.empty() && FProxyPort == 0) InvalidParamError(L"ProxyPort");
}

void THttpDestination::Clear() {
  TBaseDestination::Clear();
  FURL.clear();
  FAlias.clear();
  FProxyServer.clear();
  FProxyPort = 0;
  FProxyUsername.clear();
  FProxyPassword.clear();
}

void THttpDestination::SetParam(const String& Name, const String& Value) {
  if (SameText(Name, L"URL"))
    FURL = Value;
  else if (SameText(Name, L"Alias"))
    FAlias = Value;
  else if (SameText(Name, L"ProxyServer"))
    FProxyServer = Value;
  else if (SameText(Name, L"ProxyPort"))
    FProxyPort = StrToIntDef(Value, 0);
  else if (SameText(Name, L"ProxyUsername"))
    FProxyUsername = Value;
  else if (SameText(Name, L"ProxyPassword"))
    FProxyPassword = Value;
  else
    UnknownParamError(Name);
}

String THttpDestination::AsString() const {
  if (!FActive) return String();
  String s = FDestName + L"[URL=" + FURL + L";Alias=" + FAlias;
  if (!FProxyServer.empty()) {
    s += L";ProxyServer=" + FProxyServer + L";ProxyPort=" + IntToStr(FProxyPort);
    if (!FProxyUsername.empty()) s += L";ProxyUsername=" + FProxyUsername;
    if (!FProxyPassword.empty()) s += L";ProxyPassword=" + FProxyPassword;
  }
  return s + L"]";
}

// ---------------------------------------------------------------------------------------
// Alias

void TAliasDestination::Assign(TPersistent* Source) {
  TBaseDestination::Assign(Source);
  if (auto* src = dynamic_cast<TAliasDestination*>(Source)) SetName(src->FName);
}

void TAliasDestination::Validate() {
  if (FActive && FName.empty()) InvalidParamError(L"Name");
}

void TAliasDestination::Clear() {
  TBaseDestination::Clear();
  FName.clear();
}

void TAliasDestination::SetParam(const String& Name, const String& Value) {
  if (SameText(Name, L"Name"))
    FName = Value;
  else
    UnknownParamError(Name);
}

String TAliasDestination::AsString() const {
  return FActive ? Format(L"%s[Name=%s]", {FDestName, FName}) : String();
}

// ---------------------------------------------------------------------------------------
// Destination strings

Integer DestinationHash(const String& Text) {
  std::uint32_t h = 0;
  const size_t len = Text.size();
  if (len < 16) {
    for (wchar_t c : Text) h = h * 37u + static_cast<std::uint16_t>(c);
  } else {
    const size_t step = len / 8;
    for (size_t i = 0; i < len; i += step) h = h * 39u + static_cast<std::uint16_t>(Text[i]);
  }
  return static_cast<Integer>(h);
}

String ExpandFilePathMacros(const String& Path) {
  String result = Path;
  const size_t start = Path.find(L"$(");
  if (start != String::npos) {
    const size_t close = Path.find(L')');
    if (close == String::npos) throw EVantrelInvalidDestination(
        L"Invalid %s Destination -- missing or incorrect %s parameter", {String(L"File"), String(L"FilePath")});
    // Only a leading macro is expanded; anything else is left as written.
    if (start == 0 && close > 2) {
      const String macro = Path.substr(2, close - 2);
      // The text after the macro is kept whole; one separator right after ")" is
      // optional ("$(AppExeDir)logs" and "$(AppExeDir)\logs" mean the same).
      String rest = Path.substr(close + 1);
      if (!rest.empty() && (rest[0] == L'\\' || rest[0] == L'/')) rest.erase(0, 1);
      bool expanded = true;
      String value;
      if (SameText(macro, L"MyDocs")) {
        wchar_t buf[261] = {};
        expanded = SHGetSpecialFolderPathProc && SHGetSpecialFolderPathProc(nullptr, buf, CSIDL_PERSONAL, FALSE);
        value = buf;
      } else if (SameText(macro, L"AppExeDir")) {
        wchar_t buf[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, buf, MAX_PATH);
        value = ExtractFilePath(buf);
      } else if (macro.size() >= 2 && macro.front() == L'%' && macro.back() == L'%') {
        const String name = macro.substr(1, macro.size() - 2);
        const DWORD n = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
        if (n > 0) {
          value.resize(n);
          value.resize(GetEnvironmentVariableW(name.c_str(), value.data(), n));
        }
      } else {
        expanded = false;  // an unknown macro stays in the path as written
      }
      if (expanded) {
        result = value;
        if (!rest.empty()) result = IncludeTrailingPathDelimiter(result) + rest;
      }
    }
  }
  return IncludeTrailingPathDelimiter(result);
}

namespace {

// Splits the item that starts at Pos off Text (see SplitDestinationItem) and moves Pos
// past it and its comma. Costs the length of the item, so a whole string is read in one
// pass however many items it holds.
void SplitItemAt(const String& Text, size_t& Pos, String& Params, String& Name) {
  Params.clear();
  Name.clear();
  Integer depth = 0;
  size_t i = Pos;
  for (; i < Text.size(); ++i) {
    const wchar_t c = Text[i];
    if (c == L',' && depth <= 0) break;
    if (c == L']') --depth;
    else if (c == L'[') ++depth;
    if (depth <= 0) Name += c;
    else Params += c;
  }
  Pos = i < Text.size() ? i + 1 : i;
  if (!Params.empty()) Params.erase(0, 1);
  if (!Name.empty() && Name.back() == L']') Name.pop_back();
  Name = Trim(Name);
}

// Cuts a parameter text into its "name=value" lines at each ";" outside brackets. The
// first character of a line is only tested for ";"; brackets count from the second on.
// Returns the index of a line whose brackets never close (it swallowed the ";" that ends
// the text and cannot be written back as read), or -1.
Integer SplitParamLines(const String& Params, std::vector<String>& Lines) {
  const String text = Params + L";";
  size_t start = 0;
  while (start < text.size()) {
    Integer depth = 0;
    size_t i = start;
    for (; i < text.size(); ++i) {
      const wchar_t c = text[i];
      if (c == L';' && depth <= 0) break;
      if (i > start) {
        if (c == L'[') ++depth;
        else if (c == L']') --depth;
      }
    }
    Lines.push_back(text.substr(start, i - start));
    if (i == text.size()) return static_cast<Integer>(Lines.size()) - 1;
    start = i + 1;
  }
  return -1;
}

String ParamName(const String& Line) { return Line.substr(0, Line.find(L'=')); }

}  // namespace

void SplitDestinationItem(String& Text, String& Params, String& Name) {
  size_t pos = 0;
  SplitItemAt(Text, pos, Params, Name);
  Text.erase(0, pos);
}

namespace {

enum TDestinationType { dtViewer, dtFile, dtTcp, dtUdp, dtHttp, dtAlias, dtUnknown };

TDestinationType DestinationTypeOf(const String& Name) {
  static const wchar_t* const Names[] = {L"Viewer", L"File", L"Tcp", L"Udp", L"Http", L"Alias"};
  for (int i = 0; i < 6; ++i)
    if (SameText(Name, Names[i])) return static_cast<TDestinationType>(i);
  return dtUnknown;
}

}  // namespace

void TBaseDestination::CheckParamText(const String& Params) const {
  std::vector<String> lines;
  const Integer open = SplitParamLines(Params, lines);
  if (open >= 0) InvalidParamError(ParamName(lines[static_cast<size_t>(open)]));
}

void TBaseDestination::ParseParams(const String& Params) {
  std::vector<String> lines;
  const Integer open = SplitParamLines(Params, lines);
  if (open >= 0) InvalidParamError(ParamName(lines[static_cast<size_t>(open)]));
  // A parameter given twice takes its first value: one look-up per line.
  std::unordered_map<String, String> first;
  for (const String& line : lines) {
    const size_t eq = line.find(L'=');
    first.emplace(UpperCase(line.substr(0, eq)), eq == String::npos ? String() : line.substr(eq + 1));
  }
  for (const String& line : lines) {
    const String name = ParamName(line);
    SetParam(name, first[UpperCase(name)]);
  }
}

// ---------------------------------------------------------------------------------------
// TVantrelDestination

TVantrelDestination::TVantrelDestination(TComponent* AOwner)
    : TComponent(AOwner),
      FViewer(new TViewerDestination(this)),
      FLogFile(new TLogFileDestination(this)),
      FTcp(new TTcpDestination(this)),
      FUdp(new TUdpDestination(this)),
      FHttp(new THttpDestination(this)),
      FAlias(new TAliasDestination(this)) {}

TVantrelDestination::~TVantrelDestination() {
  for (TBaseDestination* k : Kinds()) delete k;
}

void TVantrelDestination::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TVantrelDestination*>(Source);
  if (!src) {
    TComponent::Assign(Source);
    return;
  }
  TUpdateScope<TVantrelDestination> update(this);
  FAdditional = src->FAdditional;
  const auto mine = Kinds();
  const auto theirs = src->Kinds();
  for (size_t i = 0; i < mine.size(); ++i) mine[i]->Assign(theirs[i]);
}

void TVantrelDestination::EndUpdate() {
  if (FUpdateCount > 0) --FUpdateCount;
  Changed();
}

void TVantrelDestination::Changed() {
  if (FUpdateCount == 0) FDestinationCode = DestinationHash(AsString());
}

void TVantrelDestination::Clear() {
  for (TBaseDestination* k : Kinds()) k->Clear();
  FAdditional.clear();
}

void TVantrelDestination::Validate() {
  for (TBaseDestination* k : Kinds()) k->Validate();
}

void TVantrelDestination::SetAdditional(const String& Value) {
  if (Value == FAdditional) return;
  FAdditional = Value;
  Changed();
}

String TVantrelDestination::AsString() const {
  String s;
  auto add = [&s](const String& item) {
    if (item.empty()) return;
    if (!s.empty()) s += L",";
    s += item;
  };
  for (TBaseDestination* k : Kinds()) add(k->AsString());
  add(FAdditional);
  return s;
}

void TVantrelDestination::SetAsString(const String& Value) {
  Clear();
  // The code is recomputed once at the end, also when an item is refused (the items
  // before it stay set).
  TUpdateScope<TVantrelDestination> update(this);
  size_t pos = 0;
  while (pos < Value.size()) {
    String params, name;
    SplitItemAt(Value, pos, params, name);
    const TDestinationType type = DestinationTypeOf(name);
    if (type == dtUnknown)
      throw EVantrelInvalidDestination(L"Invalid Destination Type -- %s is not recognized", {name});
    TBaseDestination* kind = Kinds()[type];
    if (type == dtViewer) {
      kind->FActive = true;
    } else if (!kind->FActive) {
      kind->FActive = true;
      kind->ParseParams(params);
    } else {
      // Kept verbatim, so it must read back as it was read.
      kind->CheckParamText(params);
      if (!FAdditional.empty()) FAdditional += L",";
      FAdditional += name + L"[" + params + L"]";
    }
  }
}
