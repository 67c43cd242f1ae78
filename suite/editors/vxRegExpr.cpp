#include "vxRegExpr.h"

#include <algorithm>

#include "SysUtils.h"
#include "vxEditConsts.h"

namespace {

// Limits that keep every pattern's compile bounded in time and stack: groups nest at most
// kMaxGroupDepth deep, a count is at most kMaxCount, the parse tree holds at most
// kMaxSimpleItems character positions and is at most kMaxTreeHeight levels deep (an
// optional count chain nests one level per optional position).
constexpr Integer kMaxGroupDepth = 128;
constexpr Integer kMaxCount = 1000;
constexpr Integer kMaxSimpleItems = 4096;
constexpr Integer kMaxTreeHeight = 1100;
// Closures up to this many states are kept per state; larger ones are walked each time.
constexpr size_t kMaxKeptClosure = 64;

String Res(const TResStringRec& ARec) { return LoadResString(&ARec); }
String ResFmt(const TResStringRec& ARec, const String& AArg) { return Format(LoadResString(&ARec), {AArg}); }

bool IsSpaceChar(Char C) { return C == L' ' || C == 0 || C == 9 || C == 10 || C == 12 || C == 13; }

Char UpperChar(Char C) {
  wchar_t buf[2] = {C, 0};
  CharUpperBuffW(buf, 1);
  return buf[0];
}

// Counts the character positions of a subtree and measures its height, walking with an
// explicit stack.
void Measure(const TvxRegExprParserItem& AItem, Integer& ASimpleCount, Integer& AHeight) {
  ASimpleCount = 0;
  AHeight = 0;
  std::vector<std::pair<const TvxRegExprParserItem*, Integer>> stack{{&AItem, 1}};
  while (!stack.empty()) {
    auto [item, depth] = stack.back();
    stack.pop_back();
    AHeight = std::max(AHeight, depth);
    if (auto block = dynamic_cast<const TvxRegExprParserBlockItem*>(item)) {
      for (const auto& alt : block->Alts().Alts())
        for (const auto& child : alt->Items()) stack.push_back({child.get(), depth + 1});
    } else {
      ++ASimpleCount;
    }
  }
}

}  // namespace

// ---- Errors.

String TvxRegExprError::FullMessage() const {
  String r;
  if (FLine > 0) {
    r = Res(svxRegExprLine) + IntToStr(FLine);
    if (FChar > 0) r += L", " + Res(svxRegExprChar) + IntToStr(FChar);
    r += L": ";
  }
  return r + FMessage;
}

void TvxRegExprErrors::Add(Integer ALine, Integer AChar, const String& AMessage) {
  FItems.push_back(std::make_unique<TvxRegExprError>(ALine, AChar, AMessage));
}

std::unique_ptr<TvxRegExprErrors> TvxRegExprErrors::Clone() const {
  auto r = std::make_unique<TvxRegExprErrors>();
  for (const auto& e : FItems) r->FItems.push_back(e->Clone());
  return r;
}

namespace {
String JoinErrors(const TvxRegExprErrors& AErrors) {
  String r;
  for (Integer i = 0; i < AErrors.Count(); ++i) {
    if (i > 0) r += L"\r\n";
    r += AErrors[i].FullMessage();
  }
  return r;
}
}  // namespace

EvxRegExprError::EvxRegExprError(const TvxRegExprErrors& AErrors)
    : EvxEditError(JoinErrors(AErrors)), FErrors(AErrors.Clone()) {}

// ---- Character items.

bool TvxRegExprSymbol::Check(Char& AToken, bool ACaseInsensitive) const {
  if (AToken == FValue) return true;
  if (ACaseInsensitive && UpperChar(AToken) == UpperChar(FValue)) {
    AToken = FValue;
    return true;
  }
  return false;
}

bool TvxRegExprDateSeparator::Check(Char& AToken, bool) const { return AToken == FormatSettings.DateSeparator; }
Char TvxRegExprDateSeparator::SingleChar() const { return FormatSettings.DateSeparator; }
bool TvxRegExprTimeSeparator::Check(Char& AToken, bool) const { return AToken == FormatSettings.TimeSeparator; }
Char TvxRegExprTimeSeparator::SingleChar() const { return FormatSettings.TimeSeparator; }

bool TvxRegExprSubrange::Check(Char& AToken, bool) const {
  return AToken >= FStartValue && AToken <= FFinishValue;
}

std::unique_ptr<TvxRegExprItem> TvxRegExprUserEnumeration::Clone() const {
  auto r = std::make_unique<TvxRegExprUserEnumeration>();
  r->FInverse = FInverse;
  for (const auto& item : FItems) r->FItems.push_back(item->Clone());
  return r;
}

bool TvxRegExprUserEnumeration::Accepts(Char& AToken, bool ACaseInsensitive) const {
  for (const auto& item : FItems)
    if (item->Check(AToken, ACaseInsensitive)) return true;
  return false;
}

namespace {
template <class T>
std::unique_ptr<TvxRegExprItem> CloneEnum(const T& ASource) {
  auto r = std::make_unique<T>();
  r->FInverse = ASource.FInverse;
  return r;
}
}  // namespace

std::unique_ptr<TvxRegExprItem> TvxRegExprDigit::Clone() const { return CloneEnum(*this); }
std::unique_ptr<TvxRegExprItem> TvxRegExprIdLetter::Clone() const { return CloneEnum(*this); }
std::unique_ptr<TvxRegExprItem> TvxRegExprSpace::Clone() const { return CloneEnum(*this); }
std::unique_ptr<TvxRegExprItem> TvxRegExprAll::Clone() const { return CloneEnum(*this); }

bool TvxRegExprIdLetter::Accepts(Char& AToken, bool) const {
  const Char c = AToken;
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_';
}

bool TvxRegExprSpace::Accepts(Char& AToken, bool) const { return IsSpaceChar(AToken); }

// ---- Parse tree.

std::unique_ptr<TvxRegExprParserItem> TvxRegExprParserSimpleItem::Clone() const {
  auto r = std::make_unique<TvxRegExprParserSimpleItem>(FValue->Clone());
  r->SetQuantifier(FQuantifier->Clone());
  return r;
}

String TvxRegExprParserSimpleItem::Print() const { return L"item --> " + FQuantifier->Print() + L"\r\n"; }

bool TvxRegExprParserAlt::CanEmpty() const {
  return std::all_of(FItems.begin(), FItems.end(), [](const auto& i) { return i->CanEmpty(); });
}

bool TvxRegExprParserAlt::CanMissing() const {
  return std::all_of(FItems.begin(), FItems.end(), [](const auto& i) { return i->CanMissing(); });
}

std::unique_ptr<TvxRegExprParserAlt> TvxRegExprParserAlt::Clone() const {
  auto r = std::make_unique<TvxRegExprParserAlt>();
  for (const auto& item : FItems) r->Add(item->Clone());
  return r;
}

String TvxRegExprParserAlt::Print() const {
  String r = L"<Start_Alt>\r\n";
  for (const auto& item : FItems) r += item->Print();
  return r + L"<Finish_Alt>\r\n";
}

TvxRegExprParserAlt* TvxRegExprParserAlts::AddAlt() {
  FAlts.push_back(std::make_unique<TvxRegExprParserAlt>());
  return FAlts.back().get();
}

bool TvxRegExprParserAlts::CanEmpty() const {
  return std::any_of(FAlts.begin(), FAlts.end(), [](const auto& a) { return a->CanEmpty(); });
}

bool TvxRegExprParserAlts::ThereIsEmptyAlt() const {
  return std::any_of(FAlts.begin(), FAlts.end(), [](const auto& a) { return a->CanMissing(); });
}

std::unique_ptr<TvxRegExprParserAlts> TvxRegExprParserAlts::Clone() const {
  auto r = std::make_unique<TvxRegExprParserAlts>();
  for (const auto& alt : FAlts) r->Add(alt->Clone());
  return r;
}

String TvxRegExprParserAlts::Print() const {
  String r;
  for (const auto& alt : FAlts) r += alt->Print();
  return r;
}

std::unique_ptr<TvxRegExprParserItem> TvxRegExprParserBlockItem::Clone() const {
  auto r = std::make_unique<TvxRegExprParserBlockItem>();
  r->FAlts = FAlts->Clone();
  r->SetQuantifier(FQuantifier->Clone());
  return r;
}

String TvxRegExprParserBlockItem::Print() const {
  return L"<Start_Block>\r\n" + FAlts->Print() + L"<Finish_Block> --> " + FQuantifier->Print() + L"\r\n";
}

// ---- The automaton's states.
//
// A simple state (Item set) is entered by accepting one character and then leads on
// through Next; a junction (Item nil) is silent. The start state is a simple state
// without an item that is never entered again.
struct TvxRegExpr::TNode {
  const TvxRegExprItem* Item = nullptr;
  bool Simple = false;
  std::vector<Integer> Next;
  // The simple states reachable from this one without a character, and whether the end of
  // the pattern is; kept once walked when small.
  std::vector<Integer> Closure;
  bool ClosureKnown = false;
  bool ClosureFinal = false;
};

// ---- Engine.

TvxRegExpr::TvxRegExpr() = default;
TvxRegExpr::~TvxRegExpr() = default;

void TvxRegExpr::Clear() {
  FSource.clear();
  FIndex = 0;
  FLine = 1;
  FChar = 0;
  FDepth = 0;
  FPattern.clear();
  FErrors.Clear();
  FLexems.Clear();
  FBlocks.clear();
  FExpr.reset();
  FNodes.clear();
  FStartNode = FAcceptNode = -1;
  FCurrent.clear();
  FHistory.clear();
  FHistoryStart.clear();
  FCompiled = false;
}

void TvxRegExpr::RaiseErrors() {
  FExpr.reset();
  FBlocks.clear();
  throw EvxRegExprError(FErrors);
}

void TvxRegExpr::CheckCompiled() const {
  if (!FCompiled) throw EvxEditError(Res(svxRegExprNotCompiled));
}

void TvxRegExpr::Compile(TStream* AStream) {
  Clear();
  if (!AStream) {
    Error(0, 0, Res(svxRegExprNotAssignedSourceStream));
    RaiseErrors();
  }
  AStream->SetPosition(0);
  const Int64 size = AStream->Size();
  String text(static_cast<size_t>(size / 2), L'\0');
  if (!text.empty()) AStream->ReadBuffer(text.data(), static_cast<Integer>(text.size() * 2));
  Compile(text);
}

bool TvxRegExpr::CompileInto(TvxRegExpr& ATarget) const {
  if (!FCompiled) return false;
  ATarget.SetCaseInsensitive(FCaseInsensitive);
  ATarget.Compile(FPattern);
  return true;
}

// ---- Lexical pass.

Char TvxRegExpr::ReadChar() {
  const Char c = FSource[static_cast<size_t>(FIndex++)];
  if (c == 13)
    ++FLine;
  else if (c == 10)
    FChar = 0;
  else
    ++FChar;
  return c;
}

bool TvxRegExpr::SkipSpaces() {
  while (!AtEnd() && IsSpaceChar(PeekChar())) ReadChar();
  return !AtEnd();
}

void TvxRegExpr::AddLexem(Integer ACode, const String& AValue, Integer ALine, Integer AChar) {
  FLexems.Add(TvxLexem{AChar, ACode, ALine, AValue});
}

void TvxRegExpr::LexQuoted() {
  for (;;) {
    if (AtEnd()) {
      Error(FLine, FChar + 1, ResFmt(svxRegExprMissing, L"'"));
      return;
    }
    const Char c = ReadChar();
    if (c == L'\'') {
      if (AtEnd() || PeekChar() != L'\'') return;
      ReadChar();
    }
    AddLexem(vxlcSymbol, String(1, c), FLine, FChar);
  }
}

void TvxRegExpr::LexEscape(Integer ALine, Integer AChar) {
  if (AtEnd()) return;
  const Char c = ReadChar();
  switch (c) {
    case L'd': AddLexem(vxlcDigit, L"d", ALine, AChar); return;
    case L'D': AddLexem(vxlcNotDigit, L"D", ALine, AChar); return;
    case L'w': AddLexem(vxlcIdLetter, L"w", ALine, AChar); return;
    case L'W': AddLexem(vxlcNotIdLetter, L"W", ALine, AChar); return;
    case L's': AddLexem(vxlcSpace, L"s", ALine, AChar); return;
    case L'S': AddLexem(vxlcNotSpace, L"S", ALine, AChar); return;
    case L'a': AddLexem(vxlcSymbol, String(1, 7), ALine, AChar); return;
    case L'e': AddLexem(vxlcSymbol, String(1, 27), ALine, AChar); return;
    case L'f': AddLexem(vxlcSymbol, String(1, 12), ALine, AChar); return;
    case L'n': AddLexem(vxlcSymbol, String(1, 10), ALine, AChar); return;
    case L'r': AddLexem(vxlcSymbol, String(1, 13), ALine, AChar); return;
    case L't': AddLexem(vxlcSymbol, String(1, 9), ALine, AChar); return;
    case L'p': AddLexem(vxlcSymbol, String(1, FormatSettings.DecimalSeparator), ALine, AChar); return;
    case L'x': {
      Integer code = 0;
      for (int i = 0; i < 2; ++i) {
        if (AtEnd()) {
          Error(FLine, FChar + 1, Res(svxRegExprHexNumberExpected0));
          return;
        }
        const Char h = ReadChar();
        Integer v;
        if (h >= L'0' && h <= L'9')
          v = h - L'0';
        else if (h >= L'a' && h <= L'f')
          v = h - L'a' + 10;
        else if (h >= L'A' && h <= L'F')
          v = h - L'A' + 10;
        else {
          Error(FLine, FChar, ResFmt(svxRegExprHexNumberExpected, String(1, h)));
          return;
        }
        code = code * 16 + v;
      }
      AddLexem(vxlcSymbol, String(1, static_cast<Char>(code)), ALine, AChar);
      return;
    }
    default:
      break;
  }
  if (c >= L'1' && c <= L'9')
    AddLexem(vxlcReference, String(1, c), ALine, AChar);
  else if (IsSpaceChar(c))
    Error(FLine, FChar, Res(svxRegExprIncorrectSpace));
  else
    AddLexem(vxlcSymbol, String(1, c), ALine, AChar);
}

void TvxRegExpr::LexClass() {
  bool first = true;
  for (;;) {
    if (!SkipSpaces()) {
      Error(FLine, FChar + 1, ResFmt(svxRegExprMissing, L"]"));
      return;
    }
    const Char c = ReadChar();
    const Integer line = FLine, col = FChar;
    if (first && c == L'^') {
      AddLexem(vxlcOperator, L"^", line, col);
    } else if (c == L']') {
      AddLexem(vxlcOperator, L"]", line, col);
      return;
    } else if (c == L'\'') {
      LexQuoted();
    } else if (c == L'/') {
      AddLexem(vxlcDateSeparator, L"/", line, col);
    } else if (c == L':') {
      AddLexem(vxlcTimeSeparator, L":", line, col);
    } else if (c == L'\\') {
      LexEscape(line, col);
    } else if (c == L'-' && !first) {
      if (!SkipSpaces()) {
        AddLexem(vxlcOperator, L"-", line, col);
        Error(FLine, FChar + 1, ResFmt(svxRegExprMissing, L"]"));
        return;
      }
      AddLexem(PeekChar() == L']' ? vxlcSymbol : vxlcOperator, L"-", line, col);
    } else {
      AddLexem(vxlcSymbol, String(1, c), line, col);
    }
    first = false;
  }
}

void TvxRegExpr::LexCount() {
  for (;;) {
    if (!SkipSpaces()) {
      Error(FLine, FChar + 1, ResFmt(svxRegExprMissing, L"}"));
      return;
    }
    if (PeekChar() >= L'0' && PeekChar() <= L'9') {
      String digits(1, ReadChar());
      const Integer line = FLine, col = FChar;
      while (!AtEnd() && PeekChar() >= L'0' && PeekChar() <= L'9') digits += ReadChar();
      AddLexem(vxlcNumber, digits, line, col);
      continue;
    }
    const Char c = ReadChar();
    if (c == L',')
      AddLexem(vxlcOperator, L",", FLine, FChar);
    else if (c == L'}') {
      AddLexem(vxlcOperator, L"}", FLine, FChar);
      return;
    } else
      Error(FLine, FChar, ResFmt(svxRegExprIllegalSymbol, String(1, c)));
  }
}

void TvxRegExpr::LexAll() {
  while (SkipSpaces()) {
    const Char c = ReadChar();
    const Integer line = FLine, col = FChar;
    switch (c) {
      case L'\'':
        LexQuoted();
        break;
      case L'(':
        if (++FDepth > kMaxGroupDepth) {
          // Deeper nesting than any mask needs: refused before the parse.
          Error(line, col, ResFmt(svxRegExprIllegalSymbol, L"("));
          return;
        }
        AddLexem(vxlcOperator, L"(", line, col);
        break;
      case L')':
        --FDepth;
        AddLexem(vxlcOperator, L")", line, col);
        break;
      case L'*':
      case L'+':
      case L'?':
      case L'|':
        AddLexem(vxlcOperator, String(1, c), line, col);
        break;
      case L'.':
        AddLexem(vxlcAll, L".", line, col);
        break;
      case L'/':
        AddLexem(vxlcDateSeparator, L"/", line, col);
        break;
      case L':':
        AddLexem(vxlcTimeSeparator, L":", line, col);
        break;
      case L'[':
        AddLexem(vxlcOperator, L"[", line, col);
        LexClass();
        break;
      case L'{':
        AddLexem(vxlcOperator, L"{", line, col);
        LexCount();
        break;
      case L'\\':
        LexEscape(line, col);
        break;
      default:
        AddLexem(vxlcSymbol, String(1, c), line, col);
        break;
    }
  }
  if (FDepth > 0)
    Error(0, 0, ResFmt(svxRegExprMissing, L")"));
  else if (FDepth < 0)
    Error(0, 0, ResFmt(svxRegExprUnnecessary, L")"));
}

// ---- Parse.

class TvxRegExpr::TParser {
 public:
  explicit TParser(TvxRegExpr& AOwner) : FOwner(AOwner), FLexems(AOwner.FLexems) {}

  void Run() {
    FOwner.FExpr = std::make_unique<TvxRegExprParserAlts>();
    ReadAlts(*FOwner.FExpr, false);
    // The group list may name groups that were replaced while parsing; it served only the
    // back references.
    FOwner.FBlocks.clear();
  }

 private:
  bool AtEnd() const { return FIndex >= FLexems.Count(); }
  const TvxLexem& Cur() const { return FLexems[FIndex]; }
  bool IsOp(const TvxLexem& L, const wchar_t* AOp) const { return L.Code == vxlcOperator && L.Value == AOp; }
  bool CurIsOp(const wchar_t* AOp) const { return !AtEnd() && IsOp(Cur(), AOp); }

  // Reads alternatives into AAlts until the input ends or, in a group, its ")".
  void ReadAlts(TvxRegExprParserAlts& AAlts, bool AInGroup) {
    bool afterBar = false;
    for (;;) {
      if (AtEnd()) {
        if (afterBar) FOwner.Error(0, 0, Res(svxRegExprCantCreateEmptyAlt));
        return;
      }
      if (CurIsOp(L"|")) {
        FOwner.Error(Cur(), Res(svxRegExprCantCreateEmptyAlt));
        ++FIndex;
        afterBar = true;
        continue;
      }
      if (AInGroup && CurIsOp(L")")) {
        FOwner.Error(Cur(), Res(svxRegExprCantCreateEmptyBlock));
        ++FIndex;
        return;
      }
      TvxRegExprParserAlt* alt = AAlts.AddAlt();
      const Integer end = ReadAlt(*alt, AInGroup);
      if (end != 1) return;  // the input or the group ended
      afterBar = true;
    }
  }

  // Reads one alternative; answers 1 when it ended at "|", 0 at the end of input or of
  // the group.
  Integer ReadAlt(TvxRegExprParserAlt& AAlt, bool AInGroup) {
    while (!AtEnd()) {
      const TvxLexem lex = Cur();
      ++FIndex;
      switch (lex.Code) {
        case vxlcOperator:
          if (lex.Value == L"|") return 1;
          if (lex.Value == L")") {
            if (AInGroup) return 0;
            FOwner.Error(lex, ResFmt(svxRegExprIllegalSymbol, L")"));
          } else if (lex.Value == L"(") {
            auto block = std::make_unique<TvxRegExprParserBlockItem>();
            FOwner.FBlocks.push_back(block.get());
            ReadAlts(block->Alts(), true);
            Append(AAlt, std::move(block), lex, false);
          } else if (lex.Value == L"?" || lex.Value == L"*" || lex.Value == L"+") {
            ApplyQuantifier(AAlt, lex);
          } else if (lex.Value == L"{") {
            ApplyCount(AAlt, lex);
          } else if (lex.Value == L"[") {
            ReadClass(AAlt, lex);
          } else if (lex.Value == L"}") {
            FOwner.Error(lex, ResFmt(svxRegExprIllegalSymbol, L"}"));
          }
          // A "," outside a count is ignored.
          break;
        case vxlcNumber:
          FOwner.Error(lex, Res(svxRegExprIllegalIntegerValue));
          break;
        case vxlcReference: {
          const size_t n = static_cast<size_t>(lex.Value[0] - L'0');
          if (n > FOwner.FBlocks.size())
            FOwner.Error(lex, Res(svxRegExprTooBigReferenceNumber));
          else
            Append(AAlt, FOwner.FBlocks[n - 1]->Clone(), lex, true);
          break;
        }
        default:
          Append(AAlt, std::make_unique<TvxRegExprParserSimpleItem>(ItemOf(lex)), lex, false);
          break;
      }
    }
    return 0;
  }

  // Adds AItem; a copy of a group (ACopy) must keep the whole tree within the size limit.
  void Append(TvxRegExprParserAlt& AAlt, std::unique_ptr<TvxRegExprParserItem> AItem, const TvxLexem& ALexem,
              bool ACopy) {
    Integer count, height;
    Measure(*AItem, count, height);
    if (ACopy && FSimpleItems + count > kMaxSimpleItems) {
      FOwner.Error(ALexem, Res(svxRegExprTooBigReferenceNumber));
      return;
    }
    FSimpleItems += count;
    AAlt.Add(std::move(AItem));
  }

  static std::unique_ptr<TvxRegExprItem> ItemOf(const TvxLexem& L) {
    std::unique_ptr<TvxRegExprEnumeration> e;
    switch (L.Code) {
      case vxlcAll: return std::make_unique<TvxRegExprAll>();
      case vxlcIdLetter:
      case vxlcNotIdLetter: e = std::make_unique<TvxRegExprIdLetter>(); break;
      case vxlcDigit:
      case vxlcNotDigit: e = std::make_unique<TvxRegExprDigit>(); break;
      case vxlcSpace:
      case vxlcNotSpace: e = std::make_unique<TvxRegExprSpace>(); break;
      case vxlcDateSeparator: return std::make_unique<TvxRegExprDateSeparator>();
      case vxlcTimeSeparator: return std::make_unique<TvxRegExprTimeSeparator>();
      default: return std::make_unique<TvxRegExprSymbol>(L.Value.empty() ? Char(0) : L.Value[0]);
    }
    e->FInverse = L.Code == vxlcNotIdLetter || L.Code == vxlcNotDigit || L.Code == vxlcNotSpace;
    return e;
  }

  static std::unique_ptr<TvxRegExprParserItem> Wrap(std::unique_ptr<TvxRegExprParserItem> AItem,
                                                    std::unique_ptr<TvxRegExprQuantifier> AQuantifier) {
    auto block = std::make_unique<TvxRegExprParserBlockItem>();
    block->AddAlt()->Add(std::move(AItem));
    block->SetQuantifier(std::move(AQuantifier));
    return block;
  }

  void ApplyQuantifier(TvxRegExprParserAlt& AAlt, const TvxLexem& ALexem) {
    TvxRegExprParserItem* item = AAlt.LastItem();
    if (!item) {
      FOwner.Error(ALexem, ResFmt(svxRegExprIllegalQuantifier, ALexem.Value));
      return;
    }
    std::unique_ptr<TvxRegExprQuantifier> q;
    if (ALexem.Value == L"?") {
      q = std::make_unique<TvxRegExprQuestionQuantifier>();
    } else {
      if (item->CanEmpty()) {
        FOwner.Error(ALexem, Res(ALexem.Value == L"*" ? svxRegExprCantUseStarQuantifier : svxRegExprCantUsePlusQuantifier));
        return;
      }
      if (ALexem.Value == L"*")
        q = std::make_unique<TvxRegExprStarQuantifier>();
      else
        q = std::make_unique<TvxRegExprPlusQuantifier>();
    }
    if (item->NotQuantifier())
      item->SetQuantifier(std::move(q));
    else
      AAlt.SetLastItem(Wrap(AAlt.LastItem()->Clone(), std::move(q)), &FRetired);
  }

  // Reads a count's number; one too long to be a count reads as out of range.
  bool ReadNumber(Integer& AValue) {
    if (AtEnd() || Cur().Code != vxlcNumber) return false;
    const String& s = Cur().Value;
    AValue = s.size() > 6 ? kMaxCount + 1 : static_cast<Integer>(std::stol(s));
    ++FIndex;
    return true;
  }

  void ApplyCount(TvxRegExprParserAlt& AAlt, const TvxLexem& ABrace) {
    Integer n = 0, m = -1;
    bool ok = ReadNumber(n);
    if (ok) {
      if (CurIsOp(L"}")) {
        m = n;
        ++FIndex;
      } else if (CurIsOp(L",")) {
        ++FIndex;
        if (CurIsOp(L"}")) {
          ++FIndex;
        } else if (ReadNumber(m) && m >= n && CurIsOp(L"}")) {
          ++FIndex;
        } else {
          ok = false;
        }
      } else {
        ok = false;
      }
    }
    if (!ok) {
      // Report at the last lexem read and skip the rest of the count.
      FOwner.Error(FLexems[FIndex - 1], Res(svxRegExprIncorrectParameterQuantifier));
      while (!AtEnd() && (Cur().Code == vxlcNumber || IsOp(Cur(), L","))) ++FIndex;
      if (CurIsOp(L"}")) ++FIndex;
      return;
    }
    TvxRegExprParserItem* item = AAlt.LastItem();
    if (!item) {
      FOwner.Error(ABrace, Res(svxRegExprIncorrectParameterQuantifier));
      return;
    }
    if (item->CanMissing()) {  // "?" or "*"
      FOwner.Error(ABrace, Res(svxRegExprCantUseParameterQuantifier));
      return;
    }
    if (m < 0 && item->CanEmpty()) {
      // An open count ends in a star, which an item that can match nothing cannot carry
      // (its silent states would form a loop without a character).
      FOwner.Error(ABrace, Res(svxRegExprCantUseStarQuantifier));
      return;
    }
    Integer count, height;
    Measure(*item, count, height);
    const Integer copies = m < 0 ? n + 1 : m;
    const Integer chain = m < 0 ? 1 : m - n;
    if (n > kMaxCount || m > kMaxCount || FSimpleItems - count + static_cast<Int64>(count) * copies > kMaxSimpleItems ||
        height + chain + 1 > kMaxTreeHeight) {
      FOwner.Error(ABrace, Res(svxRegExprIncorrectParameterQuantifier));
      return;
    }
    FSimpleItems += count * (copies - 1);
    auto block = std::make_unique<TvxRegExprParserBlockItem>();
    TvxRegExprParserAlt* alt = block->AddAlt();
    for (Integer i = 0; i < n; ++i) alt->Add(item->Clone());
    if (m < 0) {
      auto star = item->Clone();
      star->SetQuantifier(std::make_unique<TvxRegExprStarQuantifier>());
      alt->Add(std::move(star));
    } else if (m > n) {
      // Built from the innermost position outwards: a{2,4} is aa(a(a)?)?.
      std::unique_ptr<TvxRegExprParserItem> chainItem = item->Clone();
      chainItem->SetQuantifier(std::make_unique<TvxRegExprQuestionQuantifier>());
      for (Integer p = m - 2; p >= n; --p) {
        auto outer = std::make_unique<TvxRegExprParserBlockItem>();
        TvxRegExprParserAlt* oalt = outer->AddAlt();
        oalt->Add(item->Clone());
        oalt->Add(std::move(chainItem));
        outer->SetQuantifier(std::make_unique<TvxRegExprQuestionQuantifier>());
        chainItem = std::move(outer);
      }
      alt->Add(std::move(chainItem));
    }
    AAlt.SetLastItem(std::move(block), &FRetired);
  }

  void ReadClass(TvxRegExprParserAlt& AAlt, const TvxLexem& ABracket) {
    auto e = std::make_unique<TvxRegExprUserEnumeration>();
    if (CurIsOp(L"^")) {
      e->FInverse = true;
      ++FIndex;
    }
    if (CurIsOp(L"]")) {
      FOwner.Error(Cur(), Res(svxRegExprCantCreateEmptyEnum));
      ++FIndex;
      return;
    }
    while (!AtEnd() && !CurIsOp(L"]")) {
      const TvxLexem start = Cur();
      ++FIndex;
      if (CurIsOp(L"-")) {
        ++FIndex;
        if (AtEnd()) break;
        const TvxLexem finish = Cur();
        ++FIndex;
        const Char a = start.Value.empty() ? Char(0) : start.Value[0];
        const Char b = finish.Value.empty() ? Char(0) : finish.Value[0];
        if (a < b)
          e->Add(std::make_unique<TvxRegExprSubrange>(a, b));
        else
          FOwner.Error(finish, Res(svxRegExprSubrangeOrder));
        while (CurIsOp(L"-")) {
          FOwner.Error(Cur(), ResFmt(svxRegExprIllegalSymbol, L"-"));
          ++FIndex;
        }
        continue;
      }
      if (start.Code == vxlcReference || start.Code == vxlcOperator)
        e->Add(std::make_unique<TvxRegExprSymbol>(start.Value[0]));
      else
        e->Add(ItemOf(start));
    }
    if (CurIsOp(L"]")) ++FIndex;
    if (e->Count() == 0) return;  // an error was reported for every element
    Append(AAlt, std::make_unique<TvxRegExprParserSimpleItem>(std::move(e)), ABracket, false);
  }

  TvxRegExpr& FOwner;
  const TvxLexems& FLexems;
  Integer FIndex = 0;
  Integer FSimpleItems = 0;
  // Items replaced while parsing, kept until the parse ends: a back reference to a group
  // that a quantifier or count replaced copies the group as it was written.
  std::vector<std::unique_ptr<TvxRegExprParserItem>> FRetired;
};

void TvxRegExpr::Compile(const String& APattern) {
  Clear();
  FSource = APattern;
  if (std::all_of(FSource.begin(), FSource.end(), IsSpaceChar)) {
    Error(0, 0, Res(svxRegExprEmptySourceStream));
    RaiseErrors();
  }
  LexAll();
  if (FErrors.Count() > 0) RaiseErrors();
  TParser parser(*this);
  parser.Run();
  if (FErrors.Count() > 0) RaiseErrors();
  BuildAutomaton();
  FPattern = APattern;
  FCompiled = true;
  Reset();
  if (FUpdateOn) Update();
}

// ---- Automaton construction: each item becomes an entry and an exit junction with its
// content between them; "?" adds a silent way from entry to exit, "*" and "+" one back.

namespace {

struct TFragment {
  Integer Entry;
  Integer Exit;
};

}  // namespace

void TvxRegExpr::BuildAutomaton() {
  FNodes.clear();
  auto newNode = [this](const TvxRegExprItem* AItem, bool ASimple) {
    FNodes.push_back(TNode{});
    FNodes.back().Item = AItem;
    FNodes.back().Simple = ASimple;
    return static_cast<Integer>(FNodes.size() - 1);
  };
  auto link = [this](Integer A, Integer B) { FNodes[static_cast<size_t>(A)].Next.push_back(B); };

  // Builds the alternatives of a group between two junctions. The tree's height is
  // bounded at parse time, so this recursion is too.
  std::function<void(const TvxRegExprParserAlts&, Integer, Integer)> buildAlts;
  std::function<TFragment(const TvxRegExprParserItem&)> buildItem = [&](const TvxRegExprParserItem& AItem) {
    const Integer entry = newNode(nullptr, false);
    const Integer exit = newNode(nullptr, false);
    if (auto simple = dynamic_cast<const TvxRegExprParserSimpleItem*>(&AItem)) {
      const Integer s = newNode(&simple->Value(), true);
      link(entry, s);
      link(s, exit);
    } else {
      buildAlts(static_cast<const TvxRegExprParserBlockItem&>(AItem).Alts(), entry, exit);
    }
    if (AItem.CanMissing()) link(entry, exit);
    if (AItem.CanRepeat()) link(exit, entry);
    return TFragment{entry, exit};
  };
  buildAlts = [&](const TvxRegExprParserAlts& AAlts, Integer AEntry, Integer AExit) {
    for (const auto& alt : AAlts.Alts()) {
      Integer cur = AEntry;
      for (const auto& item : alt->Items()) {
        const TFragment f = buildItem(*item);
        link(cur, f.Entry);
        cur = f.Exit;
      }
      link(cur, AExit);
    }
  };

  FStartNode = newNode(nullptr, true);
  FAcceptNode = newNode(nullptr, false);
  const Integer entry = newNode(nullptr, false);
  link(FStartNode, entry);
  buildAlts(*FExpr, entry, FAcceptNode);
  FMark.assign(FNodes.size(), 0);
  FStamp = 0;
}

const std::vector<Integer>& TvxRegExpr::Closure(Integer ANode) const {
  const TNode& node = FNodes[static_cast<size_t>(ANode)];
  if (node.ClosureKnown) return node.Closure;
  if (++FStamp == 0) {
    std::fill(FMark.begin(), FMark.end(), 0);
    FStamp = 1;
  }
  FScratch.clear();
  FStack.clear();
  bool final = false;
  for (auto it = node.Next.rbegin(); it != node.Next.rend(); ++it) FStack.push_back(*it);
  while (!FStack.empty()) {
    const Integer n = FStack.back();
    FStack.pop_back();
    if (FMark[static_cast<size_t>(n)] == FStamp) continue;
    FMark[static_cast<size_t>(n)] = FStamp;
    const TNode& m = FNodes[static_cast<size_t>(n)];
    if (m.Simple) {
      FScratch.push_back(n);
      continue;
    }
    if (n == FAcceptNode) final = true;
    for (auto it = m.Next.rbegin(); it != m.Next.rend(); ++it)
      if (FMark[static_cast<size_t>(*it)] != FStamp) FStack.push_back(*it);
  }
  TNode& mutableNode = const_cast<TNode&>(node);
  mutableNode.ClosureFinal = final;
  if (FScratch.size() <= kMaxKeptClosure) {
    mutableNode.Closure = FScratch;
    mutableNode.ClosureKnown = true;
    return node.Closure;
  }
  return FScratch;
}

void TvxRegExpr::CollectSuccessors(const std::vector<Integer>& ASet, std::vector<Integer>& AResult) const {
  AResult.clear();
  if (FSeen.size() != FNodes.size()) FSeen.assign(FNodes.size(), 0);
  if (++FSeenStamp == 0) {
    std::fill(FSeen.begin(), FSeen.end(), 0);
    FSeenStamp = 1;
  }
  // Union in order, each state once: duplicates would double with every ambiguous step.
  for (Integer s : ASet)
    for (Integer n : Closure(s))
      if (FSeen[static_cast<size_t>(n)] != FSeenStamp) {
        FSeen[static_cast<size_t>(n)] = FSeenStamp;
        AResult.push_back(n);
      }
}

bool TvxRegExpr::SetIsFinal(const std::vector<Integer>& ASet) const {
  for (Integer s : ASet) {
    Closure(s);
    if (FNodes[static_cast<size_t>(s)].ClosureFinal) return true;
  }
  return false;
}

bool TvxRegExpr::Equ(const std::vector<Integer>& ASet, Char& AChar) const {
  if (ASet.empty()) return false;
  Char c = 0;
  for (Integer s : ASet) {
    const TvxRegExprItem* item = FNodes[static_cast<size_t>(s)].Item;
    const Char v = item ? item->SingleChar() : Char(0);
    if (v == 0 || (c != 0 && v != c)) return false;
    c = v;
  }
  AChar = c;
  return true;
}

void TvxRegExpr::PushHistory() {
  FHistoryStart.push_back(FHistory.size());
  FHistory.insert(FHistory.end(), FCurrent.begin(), FCurrent.end());
}

bool TvxRegExpr::PopHistory(std::vector<Integer>& ASet) {
  if (FHistoryStart.empty()) return false;
  const size_t start = FHistoryStart.back();
  ASet.assign(FHistory.begin() + static_cast<std::ptrdiff_t>(start), FHistory.end());
  FHistory.resize(start);
  FHistoryStart.pop_back();
  return true;
}

bool TvxRegExpr::Next(Char& AToken) {
  CheckCompiled();
  std::vector<Integer>& next = FNextSet;
  next.clear();
  // Each state's successors in order; a case-insensitive symbol's own character is what
  // the states tested after it see.
  const std::vector<Integer>* successors;
  if (FCurrent.size() == 1) {
    successors = &Closure(FCurrent[0]);
  } else {
    CollectSuccessors(FCurrent, FSuccessorSet);
    successors = &FSuccessorSet;
  }
  for (Integer n : *successors)
    if (FNodes[static_cast<size_t>(n)].Item->Check(AToken, FCaseInsensitive)) next.push_back(n);
  if (next.empty()) return false;
  PushHistory();
  FCurrent.swap(next);
  if (FUpdateOn && !IsFinal()) Update();
  return true;
}

String TvxRegExpr::NextEx(const String& AString) {
  CheckCompiled();
  TValueScope<bool> noUpdate(FUpdateOn, false);
  String r;
  for (Char c : AString) {
    Char t = c;
    if (Next(t)) r += c;
  }
  return r;
}

bool TvxRegExpr::Prev() {
  CheckCompiled();
  if (FUpdateOn) ReUpdate();
  return PopHistory(FCurrent);
}

void TvxRegExpr::Reset() {
  CheckCompiled();
  FHistory.clear();
  FHistoryStart.clear();
  FCurrent.assign(1, FStartNode);
}

bool TvxRegExpr::IsFinal() const {
  CheckCompiled();
  return SetIsFinal(FCurrent);
}

bool TvxRegExpr::IsStart() const {
  CheckCompiled();
  return !FCurrent.empty() && FCurrent.front() == FStartNode;
}

bool TvxRegExpr::ForcedChar(Char& AChar) const {
  CheckCompiled();
  if (SetIsFinal(FCurrent)) return false;
  std::vector<Integer> next;
  CollectSuccessors(FCurrent, next);
  return Equ(next, AChar);
}

void TvxRegExpr::SetUpdateOn(bool AValue) {
  FUpdateOn = AValue;
  if (AValue && FCompiled) Update();
}

void TvxRegExpr::Update() {
  std::vector<Integer> next;
  // A forced run never passes the same set twice, so it is at most as long as the
  // automaton has states.
  for (size_t guard = 0; guard <= FNodes.size() && !SetIsFinal(FCurrent); ++guard) {
    CollectSuccessors(FCurrent, next);
    Char c;
    if (!Equ(next, c) || next == FCurrent) return;
    if (OnSymbolUpdate) OnSymbolUpdate(c);
    PushHistory();
    FCurrent = next;
  }
}

void TvxRegExpr::ReUpdate() {
  std::vector<Integer> prev, successors;
  Char c;
  while (Equ(FCurrent, c)) {
    if (!PopHistory(prev)) return;
    CollectSuccessors(prev, successors);
    if (!Equ(successors, c) || SetIsFinal(prev)) {
      FCurrent.swap(prev);
      PushHistory();
      FCurrent.swap(prev);
      return;
    }
    if (OnSymbolDelete) OnSymbolDelete();
    FCurrent = std::move(prev);
  }
}

String TvxRegExpr::Print() const {
  if (!FExpr) return L"";
  return FExpr->Print();
}
