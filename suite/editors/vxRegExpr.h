// The pattern engine of the regular-expression masks. A pattern is compiled into a
// non-deterministic automaton; the engine then follows the user's typing one character at
// a time, forward (Next) and back (Prev), and can insert the characters the pattern
// forces (a literal that is the only possible continuation) and take them back again.
//
// Patterns and typed text are UTF-16: a Japanese literal in a pattern matches the same
// character typed. The automaton is simulated over sets of states without duplicates,
// so matching costs the same per character whatever the pattern's ambiguity ("(a|a)*b"
// included), and no pattern can make the expansion of silent states loop.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "Classes.h"
#include "vxCustomEdit.h"

// One lexem of a pattern: Code is its kind (vxlc* below), Line and Char its position.
struct TvxLexem {
  Integer Char = 0;
  Integer Code = 0;
  Integer Line = 0;
  String Value;
};

enum : Integer {
  vxlcSymbol = 0,
  vxlcOperator = 1,
  vxlcNumber = 2,
  vxlcAll = 3,
  vxlcIdLetter = 4,
  vxlcNotIdLetter = 5,
  vxlcDigit = 6,
  vxlcNotDigit = 7,
  vxlcSpace = 8,
  vxlcNotSpace = 9,
  vxlcReference = 10,
  vxlcDateSeparator = 11,
  vxlcTimeSeparator = 12,
};

class TvxLexems {
 public:
  void Add(const TvxLexem& ALexem) { FItems.push_back(ALexem); }
  void Clear() { FItems.clear(); }
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  const TvxLexem& operator[](Integer AIndex) const { return FItems[static_cast<size_t>(AIndex)]; }

 private:
  std::vector<TvxLexem> FItems;
};

// One error of a pattern, with its line (from 1; 0 for errors without a position) and
// column.
class TvxRegExprError {
 public:
  TvxRegExprError(Integer ALine, Integer AChar, const String& AMessage)
      : FChar(AChar), FLine(ALine), FMessage(AMessage) {}
  std::unique_ptr<TvxRegExprError> Clone() const { return std::make_unique<TvxRegExprError>(*this); }
  // "Line<n>, Char<c>: <message>", the position parts only where they are above 0.
  String FullMessage() const;

  Integer FChar;
  Integer FLine;
  String FMessage;
};

class TvxRegExprErrors {
 public:
  void Add(Integer ALine, Integer AChar, const String& AMessage);
  void Clear() { FItems.clear(); }
  std::unique_ptr<TvxRegExprErrors> Clone() const;
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  const TvxRegExprError& operator[](Integer AIndex) const { return *FItems[static_cast<size_t>(AIndex)]; }

 private:
  std::vector<std::unique_ptr<TvxRegExprError>> FItems;
};

// Raised by Compile. It carries its own copy of the errors, so it stays readable after
// the engine that raised it is gone; its message is every error's full message, one a line.
class EvxRegExprError : public EvxEditError {
  DECLARE_CLASS(EvxRegExprError, EvxEditError)
 public:
  explicit EvxRegExprError(const TvxRegExprErrors& AErrors);
  const TvxRegExprErrors& Errors() const { return *FErrors; }

 private:
  std::shared_ptr<const TvxRegExprErrors> FErrors;
};

// ---- Character items: what one position of the pattern accepts.

class TvxRegExprItem {
 public:
  virtual ~TvxRegExprItem() = default;
  // True when the item accepts AToken; a case-insensitive symbol replaces AToken with its
  // own character.
  virtual bool Check(Char& AToken, bool ACaseInsensitive) const = 0;
  virtual std::unique_ptr<TvxRegExprItem> Clone() const = 0;
  // The character this item stands for when it accepts exactly one (a symbol or a
  // separator), read now; 0 otherwise.
  virtual Char SingleChar() const { return 0; }
};

class TvxRegExprSymbol : public TvxRegExprItem {
 public:
  explicit TvxRegExprSymbol(Char AValue) : FValue(AValue) {}
  bool Check(Char& AToken, bool ACaseInsensitive) const override;
  std::unique_ptr<TvxRegExprItem> Clone() const override { return std::make_unique<TvxRegExprSymbol>(FValue); }
  Char SingleChar() const override { return FValue; }
  Char FValue;
};

class TvxRegExprDateSeparator : public TvxRegExprItem {
 public:
  bool Check(Char& AToken, bool ACaseInsensitive) const override;
  std::unique_ptr<TvxRegExprItem> Clone() const override { return std::make_unique<TvxRegExprDateSeparator>(); }
  Char SingleChar() const override;
};

class TvxRegExprTimeSeparator : public TvxRegExprItem {
 public:
  bool Check(Char& AToken, bool ACaseInsensitive) const override;
  std::unique_ptr<TvxRegExprItem> Clone() const override { return std::make_unique<TvxRegExprTimeSeparator>(); }
  Char SingleChar() const override;
};

class TvxRegExprSubrange : public TvxRegExprItem {
 public:
  TvxRegExprSubrange(Char AStart, Char AFinish) : FStartValue(AStart), FFinishValue(AFinish) {}
  bool Check(Char& AToken, bool ACaseInsensitive) const override;
  std::unique_ptr<TvxRegExprItem> Clone() const override {
    return std::make_unique<TvxRegExprSubrange>(FStartValue, FFinishValue);
  }
  Char FStartValue;
  Char FFinishValue;
};

class TvxRegExprEnumeration : public TvxRegExprItem {
 public:
  bool Check(Char& AToken, bool ACaseInsensitive) const final { return Accepts(AToken, ACaseInsensitive) != FInverse; }
  bool FInverse = false;

 protected:
  virtual bool Accepts(Char& AToken, bool ACaseInsensitive) const = 0;
};

class TvxRegExprUserEnumeration : public TvxRegExprEnumeration {
 public:
  std::unique_ptr<TvxRegExprItem> Clone() const override;
  void Add(std::unique_ptr<TvxRegExprItem> AItem) { FItems.push_back(std::move(AItem)); }
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  std::vector<std::unique_ptr<TvxRegExprItem>> FItems;

 protected:
  bool Accepts(Char& AToken, bool ACaseInsensitive) const override;
};

class TvxRegExprDigit : public TvxRegExprEnumeration {
 public:
  std::unique_ptr<TvxRegExprItem> Clone() const override;

 protected:
  bool Accepts(Char& AToken, bool) const override { return AToken >= L'0' && AToken <= L'9'; }
};

class TvxRegExprIdLetter : public TvxRegExprEnumeration {
 public:
  std::unique_ptr<TvxRegExprItem> Clone() const override;

 protected:
  bool Accepts(Char& AToken, bool) const override;
};

class TvxRegExprSpace : public TvxRegExprEnumeration {
 public:
  std::unique_ptr<TvxRegExprItem> Clone() const override;

 protected:
  bool Accepts(Char& AToken, bool) const override;
};

class TvxRegExprAll : public TvxRegExprEnumeration {
 public:
  std::unique_ptr<TvxRegExprItem> Clone() const override;

 protected:
  bool Accepts(Char&, bool) const override { return true; }
};

// ---- Quantifiers.

class TvxRegExprQuantifier {
 public:
  virtual ~TvxRegExprQuantifier() = default;
  virtual bool CanMissing() const = 0;
  virtual bool CanRepeat() const = 0;
  virtual std::unique_ptr<TvxRegExprQuantifier> Clone() const = 0;
  virtual String Print() const = 0;
};

class TvxRegExprSimpleQuantifier : public TvxRegExprQuantifier {
 public:
  bool CanMissing() const override { return false; }
  bool CanRepeat() const override { return false; }
  std::unique_ptr<TvxRegExprQuantifier> Clone() const override { return std::make_unique<TvxRegExprSimpleQuantifier>(); }
  String Print() const override { return L""; }
};

class TvxRegExprQuestionQuantifier : public TvxRegExprQuantifier {
 public:
  bool CanMissing() const override { return true; }
  bool CanRepeat() const override { return false; }
  std::unique_ptr<TvxRegExprQuantifier> Clone() const override { return std::make_unique<TvxRegExprQuestionQuantifier>(); }
  String Print() const override { return L"?"; }
};

class TvxRegExprStarQuantifier : public TvxRegExprQuantifier {
 public:
  bool CanMissing() const override { return true; }
  bool CanRepeat() const override { return true; }
  std::unique_ptr<TvxRegExprQuantifier> Clone() const override { return std::make_unique<TvxRegExprStarQuantifier>(); }
  String Print() const override { return L"*"; }
};

class TvxRegExprPlusQuantifier : public TvxRegExprQuantifier {
 public:
  bool CanMissing() const override { return false; }
  bool CanRepeat() const override { return true; }
  std::unique_ptr<TvxRegExprQuantifier> Clone() const override { return std::make_unique<TvxRegExprPlusQuantifier>(); }
  String Print() const override { return L"+"; }
};

// ---- Parse tree.

class TvxRegExprParserAlts;

class TvxRegExprParserItem {
 public:
  TvxRegExprParserItem() : FQuantifier(std::make_unique<TvxRegExprSimpleQuantifier>()) {}
  virtual ~TvxRegExprParserItem() = default;
  // True when the item can match the empty text.
  virtual bool CanEmpty() const = 0;
  virtual std::unique_ptr<TvxRegExprParserItem> Clone() const = 0;
  virtual String Print() const = 0;

  bool CanMissing() const { return FQuantifier->CanMissing(); }
  bool CanRepeat() const { return FQuantifier->CanRepeat(); }
  bool NotQuantifier() const { return !CanMissing() && !CanRepeat(); }
  void SetQuantifier(std::unique_ptr<TvxRegExprQuantifier> AQuantifier) {
    if (AQuantifier) FQuantifier = std::move(AQuantifier);
  }
  const TvxRegExprQuantifier& Quantifier() const { return *FQuantifier; }

 protected:
  std::unique_ptr<TvxRegExprQuantifier> FQuantifier;
};

class TvxRegExprParserSimpleItem : public TvxRegExprParserItem {
 public:
  explicit TvxRegExprParserSimpleItem(std::unique_ptr<TvxRegExprItem> AValue) : FValue(std::move(AValue)) {}
  bool CanEmpty() const override { return CanMissing(); }
  std::unique_ptr<TvxRegExprParserItem> Clone() const override;
  String Print() const override;
  const TvxRegExprItem& Value() const { return *FValue; }

 private:
  std::unique_ptr<TvxRegExprItem> FValue;
};

class TvxRegExprParserAlt {
 public:
  void Add(std::unique_ptr<TvxRegExprParserItem> AItem) { FItems.push_back(std::move(AItem)); }
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  TvxRegExprParserItem* FirstItem() const { return FItems.empty() ? nullptr : FItems.front().get(); }
  TvxRegExprParserItem* LastItem() const { return FItems.empty() ? nullptr : FItems.back().get(); }
  // Puts AItem in the last item's place; the old one is freed, or moved to ARetired.
  void SetLastItem(std::unique_ptr<TvxRegExprParserItem> AItem,
                   std::vector<std::unique_ptr<TvxRegExprParserItem>>* ARetired = nullptr) {
    if (ARetired) ARetired->push_back(std::move(FItems.back()));
    FItems.back() = std::move(AItem);
  }
  bool CanEmpty() const;
  bool CanMissing() const;
  std::unique_ptr<TvxRegExprParserAlt> Clone() const;
  String Print() const;
  const std::vector<std::unique_ptr<TvxRegExprParserItem>>& Items() const { return FItems; }

 private:
  std::vector<std::unique_ptr<TvxRegExprParserItem>> FItems;
};

class TvxRegExprParserAlts {
 public:
  void Add(std::unique_ptr<TvxRegExprParserAlt> AAlt) { FAlts.push_back(std::move(AAlt)); }
  TvxRegExprParserAlt* AddAlt();
  Integer Count() const { return static_cast<Integer>(FAlts.size()); }
  TvxRegExprParserAlt* LastAlt() const { return FAlts.empty() ? nullptr : FAlts.back().get(); }
  bool CanEmpty() const;
  bool ThereIsEmptyAlt() const;
  std::unique_ptr<TvxRegExprParserAlts> Clone() const;
  String Print() const;
  const std::vector<std::unique_ptr<TvxRegExprParserAlt>>& Alts() const { return FAlts; }

 private:
  std::vector<std::unique_ptr<TvxRegExprParserAlt>> FAlts;
};

class TvxRegExprParserBlockItem : public TvxRegExprParserItem {
 public:
  TvxRegExprParserBlockItem() : FAlts(std::make_unique<TvxRegExprParserAlts>()) {}
  bool CanEmpty() const override { return CanMissing() || FAlts->CanEmpty(); }
  std::unique_ptr<TvxRegExprParserItem> Clone() const override;
  String Print() const override;
  TvxRegExprParserAlt* AddAlt() { return FAlts->AddAlt(); }
  TvxRegExprParserAlts& Alts() const { return *FAlts; }

 private:
  std::unique_ptr<TvxRegExprParserAlts> FAlts;
};

// ---- The engine.

using TvxSymbolDeleteEvent = std::function<void()>;
using TvxSymbolUpdateEvent = std::function<void(Char ASymbol)>;

class TvxRegExpr {
 public:
  TvxRegExpr();
  ~TvxRegExpr();
  TvxRegExpr(const TvxRegExpr&) = delete;
  TvxRegExpr& operator=(const TvxRegExpr&) = delete;

  // Compiles APattern; raises EvxRegExprError with every error of the failing phase.
  void Compile(const String& APattern);
  // Compiles the UTF-16 text of AStream from its start; nil is "The source stream is not
  // assigned".
  void Compile(TStream* AStream);
  // Compiles ATarget from this engine's pattern (same case sensitivity); False when this
  // engine holds no compiled pattern.
  bool CompileInto(TvxRegExpr& ATarget) const;
  bool IsCompiled() const { return FCompiled; }

  bool Next(Char& AToken);
  String NextEx(const String& AString);
  bool Prev();
  void Reset();
  bool IsFinal() const;
  bool IsStart() const;
  // The character the pattern forces next (the current set is not final and every
  // continuation is that one character); False when there is none.
  bool ForcedChar(Char& AChar) const;
  String Print() const;

  bool CaseInsensitive() const { return FCaseInsensitive; }
  void SetCaseInsensitive(bool AValue) { FCaseInsensitive = AValue; }
  bool UpdateOn() const { return FUpdateOn; }
  void SetUpdateOn(bool AValue);
  // The pattern last compiled successfully ("" when not compiled).
  const String& Pattern() const { return FPattern; }
  const TvxRegExprErrors& Errors() const { return FErrors; }
  const TvxLexems& Lexems() const { return FLexems; }

  TvxSymbolDeleteEvent OnSymbolDelete;
  TvxSymbolUpdateEvent OnSymbolUpdate;

 private:
  struct TNode;
  class TParser;
  friend class TParser;

  void Clear();
  void RaiseErrors();
  void CheckCompiled() const;
  void Error(Integer ALine, Integer AChar, const String& AMessage) { FErrors.Add(ALine, AChar, AMessage); }
  void Error(const TvxLexem& ALexem, const String& AMessage) { Error(ALexem.Line, ALexem.Char, AMessage); }

  // Lexical pass.
  bool AtEnd() const { return FIndex >= static_cast<Integer>(FSource.size()); }
  Char ReadChar();
  Char PeekChar() const { return FSource[static_cast<size_t>(FIndex)]; }
  bool SkipSpaces();
  void AddLexem(Integer ACode, const String& AValue, Integer ALine, Integer AChar);
  void LexAll();
  void LexQuoted();
  void LexEscape(Integer ALine, Integer AChar);
  void LexClass();
  void LexCount();

  // Automaton.
  void BuildAutomaton();
  const std::vector<Integer>& Closure(Integer ANode) const;
  void CollectSuccessors(const std::vector<Integer>& ASet, std::vector<Integer>& AResult) const;
  bool SetIsFinal(const std::vector<Integer>& ASet) const;
  bool Equ(const std::vector<Integer>& ASet, Char& AChar) const;
  void PushHistory();
  bool PopHistory(std::vector<Integer>& ASet);
  void Update();
  void ReUpdate();

  // The pattern as read and its read position.
  String FSource;
  Integer FIndex = 0;
  Integer FLine = 1;
  Integer FChar = 0;
  Integer FDepth = 0;

  String FPattern;
  bool FCaseInsensitive = false;
  bool FCompiled = false;
  bool FUpdateOn = false;
  TvxRegExprErrors FErrors;
  TvxLexems FLexems;
  std::unique_ptr<TvxRegExprParserAlts> FExpr;
  // The groups in the order of their opening parenthesis (owned by the parse tree).
  std::vector<TvxRegExprParserBlockItem*> FBlocks;

  std::vector<TNode> FNodes;
  Integer FStartNode = -1;
  Integer FAcceptNode = -1;
  // The current set: simple states (and the start state) without duplicates.
  std::vector<Integer> FCurrent;
  // Earlier sets, oldest first, stored end to end: set k is FHistory[FHistoryStart[k] ..
  // FHistoryStart[k+1]).
  std::vector<Integer> FHistory;
  std::vector<size_t> FHistoryStart;
  // Scratch for the silent-state walks (mutable: the walks do not change the match).
  mutable std::vector<unsigned> FMark;
  mutable unsigned FStamp = 0;
  mutable std::vector<Integer> FStack;
  mutable std::vector<Integer> FScratch;
  mutable std::vector<unsigned> FSeen;
  std::vector<Integer> FNextSet;
  std::vector<Integer> FSuccessorSet;
  mutable unsigned FSeenStamp = 0;
};
