#include "Classes.h"

#include "Streaming.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <unordered_map>


namespace {

// Stable bottom-up merge sort; Less(a, b) is a strict order. Safe with inconsistent
// comparisons: it never reads outside the range.
template <class T, class LessFn>
void MergeSort(std::vector<T>& v, LessFn Less) {
  const size_t n = v.size();
  if (n < 2) return;
  std::vector<T> tmp(n);
  for (size_t width = 1; width < n; width *= 2) {
    for (size_t lo = 0; lo < n; lo += 2 * width) {
      size_t mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
      size_t i = lo, j = mid, k = lo;
      while (i < mid && j < hi) tmp[k++] = Less(v[j], v[i]) ? std::move(v[j++]) : std::move(v[i++]);
      while (i < mid) tmp[k++] = std::move(v[i++]);
      while (j < hi) tmp[k++] = std::move(v[j++]);
    }
    v.swap(tmp);
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TList

TList::~TList() { Clear(); }

void TList::Error(const String& Msg, NativeInt Data) {
  throw EListError(Msg, {static_cast<long long>(Data)});
}

Integer TList::Add(Pointer Item) {
  Integer Result = Count();
  if (Result == FCapacity) Grow();
  FList.push_back(Item);
  if (Item) Notify(Item, lnAdded);
  return Result;
}

void TList::Clear() {
  SetCount(0);
  SetCapacity(0);
}

void TList::Delete(Integer Index) {
  if (Index < 0 || Index >= Count()) Error(L"List index out of bounds (%d)", Index);
  Pointer Temp = FList[static_cast<size_t>(Index)];
  FList.erase(FList.begin() + Index);
  if (Temp) Notify(Temp, lnDeleted);
}

void TList::Exchange(Integer Index1, Integer Index2) {
  if (Index1 < 0 || Index1 >= Count()) Error(L"List index out of bounds (%d)", Index1);
  if (Index2 < 0 || Index2 >= Count()) Error(L"List index out of bounds (%d)", Index2);
  std::swap(FList[static_cast<size_t>(Index1)], FList[static_cast<size_t>(Index2)]);
}

TList* TList::Expand() {
  if (Count() == FCapacity) Grow();
  return this;
}

Pointer TList::Extract(Pointer Item) {
  Integer I = IndexOf(Item);
  if (I < 0) return nullptr;
  Pointer Result = FList[static_cast<size_t>(I)];
  FList.erase(FList.begin() + I);
  if (Result) Notify(Result, lnExtracted);
  return Result;
}

Pointer TList::First() const { return Get(0); }
Pointer TList::Last() const { return Get(Count() - 1); }

Pointer TList::Get(Integer Index) const {
  if (Index < 0 || Index >= Count()) Error(L"List index out of bounds (%d)", Index);
  return FList[static_cast<size_t>(Index)];
}

void TList::Grow() {
  Integer Delta = FCapacity > 64 ? FCapacity / 4 : (FCapacity > 8 ? 16 : 4);
  SetCapacity(FCapacity + Delta);
}

Integer TList::IndexOf(Pointer Item) const {
  auto it = std::find(FList.begin(), FList.end(), Item);
  return it == FList.end() ? -1 : static_cast<Integer>(it - FList.begin());
}

void TList::Insert(Integer Index, Pointer Item) {
  if (Index < 0 || Index > Count()) Error(L"List index out of bounds (%d)", Index);
  if (Count() == FCapacity) Grow();
  FList.insert(FList.begin() + Index, Item);
  if (Item) Notify(Item, lnAdded);
}

void TList::Move(Integer CurIndex, Integer NewIndex) {
  if (CurIndex == NewIndex) return;
  if (NewIndex < 0 || NewIndex >= Count()) Error(L"List index out of bounds (%d)", NewIndex);
  Pointer Item = Get(CurIndex);
  FList.erase(FList.begin() + CurIndex);
  FList.insert(FList.begin() + NewIndex, Item);
}

void TList::Put(Integer Index, Pointer Item) {
  if (Index < 0 || Index >= Count()) Error(L"List index out of bounds (%d)", Index);
  Pointer Temp = FList[static_cast<size_t>(Index)];
  if (Item == Temp) return;
  FList[static_cast<size_t>(Index)] = Item;
  if (Temp) Notify(Temp, lnDeleted);
  if (Item) Notify(Item, lnAdded);
}

Integer TList::Remove(Pointer Item) {
  Integer Result = IndexOf(Item);
  if (Result >= 0) Delete(Result);
  return Result;
}

void TList::Pack() {
  for (Integer I = Count() - 1; I >= 0; --I)
    if (!FList[static_cast<size_t>(I)]) FList.erase(FList.begin() + I);
}

void TList::SetCapacity(Integer NewCapacity) {
  if (NewCapacity < Count()) Error(L"List capacity out of bounds (%d)", NewCapacity);
  if (NewCapacity == FCapacity) return;
  if (NewCapacity > FCapacity) FList.reserve(static_cast<size_t>(NewCapacity));
  else if (NewCapacity == 0) std::vector<Pointer>().swap(FList);
  FCapacity = NewCapacity;
}

void TList::SetCount(Integer NewCount) {
  if (NewCount < 0) Error(L"List count out of bounds (%d)", NewCount);
  if (NewCount > FCapacity) SetCapacity(NewCount);
  if (NewCount > Count()) {
    FList.resize(static_cast<size_t>(NewCount), nullptr);
  } else {
    // Items leave from the last one, each announced as it goes.
    for (Integer I = Count() - 1; I >= NewCount; --I) Delete(I);
  }
}

void TList::Sort(const TListSortCompare& Compare) {
  if (Count() < 2 || !Compare) return;
  MergeSort(FList, [&](Pointer a, Pointer b) { return Compare(a, b) < 0; });
}

void TList::Notify(Pointer, TListNotification) {}

void TList::Assign(TList* ListA, TListAssignOp AOperator, TList* ListB) {
  TList* LSource;
  if (ListB) {
    LSource = ListB;
    Assign(ListA);
  } else {
    LSource = ListA;
  }
  if (!LSource) return;
  // Work on a snapshot so that a list combined with itself behaves.
  std::vector<Pointer> Src(LSource->FList);
  auto InSrc = [&](Pointer p) { return std::find(Src.begin(), Src.end(), p) != Src.end(); };
  switch (AOperator) {
    case laCopy:
      Clear();
      SetCapacity(static_cast<Integer>(Src.size()));
      for (Pointer p : Src) Add(p);
      break;
    case laAnd:
      for (Integer I = Count() - 1; I >= 0; --I)
        if (!InSrc(FList[static_cast<size_t>(I)])) Delete(I);
      break;
    case laOr:
      for (Pointer p : Src)
        if (IndexOf(p) < 0) Add(p);
      break;
    case laXor: {
      std::vector<Pointer> Temp;
      for (Pointer p : Src)
        if (IndexOf(p) < 0) Temp.push_back(p);
      for (Integer I = Count() - 1; I >= 0; --I)
        if (InSrc(FList[static_cast<size_t>(I)])) Delete(I);
      for (Pointer p : Temp) Add(p);
      break;
    }
    case laSrcUnique:
      for (Integer I = Count() - 1; I >= 0; --I)
        if (InSrc(FList[static_cast<size_t>(I)])) Delete(I);
      break;
    case laDestUnique: {
      std::vector<Pointer> Mine(FList);
      Clear();
      for (Pointer p : Src)
        if (std::find(Mine.begin(), Mine.end(), p) == Mine.end()) Add(p);
      break;
    }
  }
}

// ---------------------------------------------------------------------------------------
// TThreadList

TThreadList::TThreadList() { InitializeCriticalSection(&FLock); }

TThreadList::~TThreadList() {
  LockList();
  FList.Clear();
  UnlockList();
  DeleteCriticalSection(&FLock);
}

void TThreadList::Add(Pointer Item) {
  LockList();
  TScopeExit unlock([this] { UnlockList(); });
  if (FDuplicates == dupAccept || FList.IndexOf(Item) < 0)
    FList.Add(Item);
  else if (FDuplicates == dupError)
    TList::Error(L"List does not allow duplicates ($0%x)", reinterpret_cast<NativeInt>(Item));
}

void TThreadList::Clear() {
  LockList();
  FList.Clear();
  UnlockList();
}

TList* TThreadList::LockList() {
  EnterCriticalSection(&FLock);
  return &FList;
}

void TThreadList::Remove(Pointer Item) {
  LockList();
  FList.Remove(Item);
  UnlockList();
}

void TThreadList::UnlockList() { LeaveCriticalSection(&FLock); }

// ---------------------------------------------------------------------------------------
// TStrings

TStrings::~TStrings() = default;

Integer TStrings::Add(const String& S) {
  Integer Result = GetCount();
  Insert(Result, S);
  return Result;
}

Integer TStrings::AddObject(const String& S, TObject* AObject) {
  Integer Result = Add(S);
  PutObject(Result, AObject);
  return Result;
}

void TStrings::AddStrings(TStrings* Strings) {
  if (!Strings) return;
  TUpdateScope<TStrings> update(this);
  for (Integer I = 0, N = Strings->Count(); I < N; ++I) AddObject(Strings->Get(I), Strings->GetObject(I));
}

void TStrings::Assign(TPersistent* Source) {
  auto* Src = dynamic_cast<TStrings*>(Source);
  if (!Src) {
    inherited::Assign(Source);
    return;
  }
  if (Src == this) return;
  TUpdateScope<TStrings> update(this);
  Clear();
  FNameValueSeparator = Src->FNameValueSeparator;
  FQuoteChar = Src->FQuoteChar;
  FDelimiter = Src->FDelimiter;
  FLineBreak = Src->FLineBreak;
  FStrictDelimiter = Src->FStrictDelimiter;
  FDefaultEncoding = Src->FDefaultEncoding;
  FWriteBOM = Src->FWriteBOM;
  AddStrings(Src);
}

void TStrings::BeginUpdate() {
  if (FUpdateCount == 0) SetUpdateState(true);
  ++FUpdateCount;
}

void TStrings::EndUpdate() {
  if (FUpdateCount <= 0) return;
  --FUpdateCount;
  if (FUpdateCount == 0) SetUpdateState(false);
}

bool TStrings::Equals(TStrings* Strings) const {
  if (!Strings) return false;
  Integer N = GetCount();
  if (N != Strings->GetCount()) return false;
  for (Integer I = 0; I < N; ++I)
    if (Get(I) != Strings->Get(I)) return false;
  return true;
}

void TStrings::Error(const String& Msg, NativeInt Data) const {
  throw EStringListError(Msg, {static_cast<long long>(Data)});
}

void TStrings::Exchange(Integer Index1, Integer Index2) {
  TUpdateScope<TStrings> update(this);
  TObject* TempObject = GetObject(Index1);
  String TempString = Get(Index1);
  Put(Index1, Get(Index2));
  PutObject(Index1, GetObject(Index2));
  Put(Index2, TempString);
  PutObject(Index2, TempObject);
}

String TStrings::ExtractName(const String& S) const {
  size_t P = S.find(FNameValueSeparator);
  return P == String::npos ? String() : S.substr(0, P);
}

TObject* TStrings::GetObject(Integer) const { return nullptr; }

Integer TStrings::IndexOf(const String& S) const {
  for (Integer I = 0, N = GetCount(); I < N; ++I)
    if (CompareStrings(Get(I), S) == 0) return I;
  return -1;
}

Integer TStrings::IndexOfName(const String& Name) const {
  for (Integer I = 0, N = GetCount(); I < N; ++I) {
    String S = Get(I);
    size_t P = S.find(FNameValueSeparator);
    if (P != String::npos && CompareStrings(S.substr(0, P), Name) == 0) return I;
  }
  return -1;
}

Integer TStrings::IndexOfObject(TObject* AObject) const {
  for (Integer I = 0, N = GetCount(); I < N; ++I)
    if (GetObject(I) == AObject) return I;
  return -1;
}

void TStrings::InsertObject(Integer Index, const String& S, TObject* AObject) {
  Insert(Index, S);
  PutObject(Index, AObject);
}

void TStrings::Move(Integer CurIndex, Integer NewIndex) {
  if (CurIndex == NewIndex) return;
  TUpdateScope<TStrings> update(this);
  String TempString = Get(CurIndex);
  TObject* TempObject = GetObject(CurIndex);
  PutObject(CurIndex, nullptr);  // so that an owning list does not free it
  Delete(CurIndex);
  InsertObject(NewIndex, TempString, TempObject);
}

void TStrings::Put(Integer Index, const String& S) {
  TObject* TempObject = GetObject(Index);
  Delete(Index);
  InsertObject(Index, S, TempObject);
}

void TStrings::PutObject(Integer, TObject*) {}

void TStrings::SetCapacity(Integer) {}

void TStrings::SetUpdateState(bool) {}

Integer TStrings::CompareStrings(const String& S1, const String& S2) const {
  return AnsiCompareText(S1, S2);
}

String TStrings::Names(Integer Index) const { return ExtractName(Get(Index)); }

String TStrings::Values(const String& Name) const {
  Integer I = IndexOfName(Name);
  return I >= 0 ? ValueFromIndex(I) : String();
}

void TStrings::SetValues(const String& Name, const String& Value) {
  Integer I = IndexOfName(Name);
  if (!Value.empty()) {
    if (I < 0) I = Add(String());
    Put(I, Name + FNameValueSeparator + Value);
  } else if (I >= 0) {
    Delete(I);
  }
}

String TStrings::ValueFromIndex(Integer Index) const {
  if (Index < 0) return String();
  String S = Get(Index);
  size_t P = S.find(FNameValueSeparator);
  return P == String::npos ? String() : S.substr(P + 1);
}

void TStrings::SetValueFromIndex(Integer Index, const String& Value) {
  if (!Value.empty()) {
    if (Index < 0) Index = Add(String());
    Put(Index, Names(Index) + FNameValueSeparator + Value);
  } else if (Index >= 0) {
    Delete(Index);
  }
}

String TStrings::CommaText() const {
  // Comma text always uses the comma, the double quote and space separation.
  auto* Self = const_cast<TStrings*>(this);
  Char D = FDelimiter, Q = FQuoteChar;
  bool Strict = FStrictDelimiter;
  Self->FDelimiter = L',';
  Self->FQuoteChar = L'"';
  Self->FStrictDelimiter = false;
  String Result = DelimitedText();
  Self->FDelimiter = D;
  Self->FQuoteChar = Q;
  Self->FStrictDelimiter = Strict;
  return Result;
}

void TStrings::SetCommaText(const String& Value) {
  TValueScope<Char> delimiter(FDelimiter, L',');
  TValueScope<Char> quote(FQuoteChar, L'"');
  TValueScope<bool> strict(FStrictDelimiter, false);
  SetDelimitedText(Value);
}

String TStrings::DelimitedText() const {
  Integer N = GetCount();
  if (N == 1 && Get(0).empty()) return String(2, FQuoteChar);
  String Result;
  for (Integer I = 0; I < N; ++I) {
    String S = Get(I);
    bool NeedsQuotes = false;
    for (Char c : S) {
      if (c == FQuoteChar || c == FDelimiter || (!FStrictDelimiter && c <= L' ')) {
        NeedsQuotes = true;
        break;
      }
    }
    // With a blank as the delimiter, blanks between items are skipped on reading, so an
    // empty item survives only quoted.
    if (S.empty() && !FStrictDelimiter && FDelimiter <= L' ') NeedsQuotes = true;
    if (I > 0) Result += FDelimiter;
    Result += NeedsQuotes ? AnsiQuotedStr(S, FQuoteChar) : S;
  }
  return Result;
}

void TStrings::SetDelimitedText(const String& Value) {
  // NUL counts as a blank, so that every character is consumed.
  auto IsSpace = [&](Char c) { return !FStrictDelimiter && c <= L' '; };
  const size_t N = Value.size();
  TUpdateScope<TStrings> update(this);
  Clear();
  size_t P = 0;
  while (P < N && IsSpace(Value[P])) ++P;
  while (P < N) {
    String S;
    if (Value[P] == FQuoteChar) {
      // A quoted item: doubled quotes stand for one; an unterminated quote runs to
      // the end of the text.
      ++P;
      while (P < N) {
        if (Value[P] == FQuoteChar) {
          if (P + 1 < N && Value[P + 1] == FQuoteChar) {
            S += FQuoteChar;
            P += 2;
            continue;
          }
          ++P;
          break;
        }
        S += Value[P++];
      }
    } else {
      size_t P1 = P;
      while (P < N && Value[P] != FDelimiter && (FStrictDelimiter || Value[P] > L' ')) ++P;
      S = Value.substr(P1, P - P1);
    }
    Add(S);
    while (P < N && IsSpace(Value[P])) ++P;
    if (P < N && Value[P] == FDelimiter) {
      if (P + 1 == N) Add(String());  // a trailing delimiter ends with an empty item
      do {
        ++P;
      } while (P < N && IsSpace(Value[P]));
    }
  }
}

String TStrings::GetTextStr() const {
  String Result;
  for (Integer I = 0, N = GetCount(); I < N; ++I) {
    Result += Get(I);
    Result += FLineBreak;
  }
  return Result;
}

void TStrings::SetTextStr(const String& Value) {
  TUpdateScope<TStrings> update(this);
  Clear();
  const size_t N = Value.size();
  size_t P = 0;
  if (FLineBreak == sLineBreak || FLineBreak.empty()) {
    while (P < N) {
      size_t Start = P;
      while (P < N && Value[P] != L'\r' && Value[P] != L'\n') ++P;
      Add(Value.substr(Start, P - Start));
      if (P < N && Value[P] == L'\r') ++P;
      if (P < N && Value[P] == L'\n') ++P;
    }
  } else {
    while (P < N) {
      size_t E = Value.find(FLineBreak, P);
      if (E == String::npos) {
        Add(Value.substr(P));
        break;
      }
      Add(Value.substr(P, E - P));
      P = E + FLineBreak.size();
    }
  }
}

void TStrings::DefineProperties(TFiler* Filer) {
  bool HasData;
  if (auto* A = dynamic_cast<TStrings*>(Filer->Ancestor()))
    HasData = !Equals(A);
  else
    HasData = Filer->Ancestor() != nullptr || GetCount() > 0;
  Filer->DefineProperty(
      L"Strings",
      [this](TReader* Reader) {
        Reader->ReadListBegin();
        TUpdateScope<TStrings> update(this);
        Clear();
        while (!Reader->EndOfList()) Add(Reader->ReadString());
        Reader->ReadListEnd();
      },
      [this](TWriter* Writer) {
        Writer->WriteListBegin();
        for (Integer I = 0, N = GetCount(); I < N; ++I) Writer->WriteString(Get(I));
        Writer->WriteListEnd();
      },
      HasData);
}

std::vector<String> TStrings::ToStringArray() const {
  std::vector<String> r;
  for (Integer I = 0, N = GetCount(); I < N; ++I) r.push_back(Get(I));
  return r;
}

void TStrings::LoadFromFile(const String& FileName, TEncoding* Encoding) {
  TFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&Stream, Encoding);
}

void TStrings::SaveToFile(const String& FileName, TEncoding* Encoding) {
  TFileStream Stream(FileName, fmCreate);
  SaveToStream(&Stream, Encoding);
}

void TStrings::LoadFromStream(TStream* Stream, TEncoding* Encoding) {
  TUpdateScope<TStrings> update(this);
  Int64 Size = Stream->Size() - Stream->Position();
  TBytes Buffer(static_cast<size_t>(std::max<Int64>(Size, 0)));
  if (!Buffer.empty()) Stream->ReadBuffer(Buffer.data(), static_cast<Integer>(Buffer.size()));
  const TEncoding* Enc = Encoding;
  TEncoding* Default = FDefaultEncoding ? FDefaultEncoding : TEncoding::Default();
  Integer Pre = TEncoding::GetBufferEncoding(Buffer, Enc, Default);
  if (!Enc) Enc = Default;
  // Only the shared encodings are remembered: an encoding the caller owns may be
  // freed before the next save.
  FEncoding = TEncoding::IsStandardEncoding(Enc) ? const_cast<TEncoding*>(Enc) : nullptr;
  SetTextStr(Enc->GetString(Buffer, Pre, static_cast<Integer>(Buffer.size()) - Pre));
}

void TStrings::SaveToStream(TStream* Stream, TEncoding* Encoding) {
  TEncoding* Enc = Encoding ? Encoding : (FEncoding ? FEncoding : FDefaultEncoding);
  if (!Enc) Enc = TEncoding::Default();
  if (FWriteBOM) {
    TBytes Preamble = Enc->GetPreamble();
    if (!Preamble.empty()) Stream->WriteBuffer(Preamble.data(), static_cast<Integer>(Preamble.size()));
  }
  TBytes Buffer = Enc->GetBytes(GetTextStr());
  if (!Buffer.empty()) Stream->WriteBuffer(Buffer.data(), static_cast<Integer>(Buffer.size()));
}


// ---------------------------------------------------------------------------------------
// TStringList

TStringList::TStringList(TDuplicates ADuplicates, bool ASorted, bool ACaseSensitive)
    : FDuplicates(ADuplicates), FSorted(ASorted), FCaseSensitive(ACaseSensitive) {}

TStringList::~TStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
  if (FOwnsObjects)
    for (auto& Item : FList) delete Item.FObject;
  FList.clear();
}

void TStringList::CheckIndex(Integer Index) const {
  if (Index < 0 || Index >= GetCount()) Error(L"List index out of bounds (%d)", Index);
}

Integer TStringList::Add(const String& S) { return AddObject(S, nullptr); }

Integer TStringList::AddObject(const String& S, TObject* AObject) {
  Integer Result;
  if (!FSorted) {
    Result = GetCount();
  } else if (Find(S, Result)) {
    switch (FDuplicates) {
      case dupIgnore: return Result;
      case dupError: Error(L"String list does not allow duplicates", 0);
      case dupAccept: break;
    }
  }
  InsertItem(Result, S, AObject);
  return Result;
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::Clear() {
  if (FList.empty()) return;
  Changing();
  std::vector<TStringItem> Old;
  Old.swap(FList);
  if (FOwnsObjects)
    for (auto& Item : Old) delete Item.FObject;
  Changed();
}

void TStringList::Delete(Integer Index) {
  CheckIndex(Index);
  Changing();
  TObject* Obj = FList[static_cast<size_t>(Index)].FObject;
  FList.erase(FList.begin() + Index);
  if (FOwnsObjects) delete Obj;
  Changed();
}

void TStringList::Exchange(Integer Index1, Integer Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  Changing();
  std::swap(FList[static_cast<size_t>(Index1)], FList[static_cast<size_t>(Index2)]);
  Changed();
}

bool TStringList::Find(const String& S, Integer& Index) const {
  bool Result = false;
  Integer L = 0, H = GetCount() - 1;
  while (L <= H) {
    Integer I = (L + H) / 2;
    Integer C = CompareStrings(FList[static_cast<size_t>(I)].FString, S);
    if (C < 0) {
      L = I + 1;
    } else {
      H = I - 1;
      if (C == 0) {
        Result = true;
        if (FDuplicates != dupAccept) L = I;
      }
    }
  }
  Index = L;
  return Result;
}

String TStringList::Get(Integer Index) const {
  CheckIndex(Index);
  return FList[static_cast<size_t>(Index)].FString;
}

TObject* TStringList::GetObject(Integer Index) const {
  CheckIndex(Index);
  return FList[static_cast<size_t>(Index)].FObject;
}

Integer TStringList::IndexOf(const String& S) const {
  if (!FSorted) return TStrings::IndexOf(S);
  Integer Result;
  return Find(S, Result) ? Result : -1;
}

void TStringList::Insert(Integer Index, const String& S) { InsertObject(Index, S, nullptr); }

void TStringList::InsertObject(Integer Index, const String& S, TObject* AObject) {
  if (FSorted) Error(L"Operation not allowed on sorted list", 0);
  if (Index < 0 || Index > GetCount()) Error(L"List index out of bounds (%d)", Index);
  InsertItem(Index, S, AObject);
}

void TStringList::InsertItem(Integer Index, const String& S, TObject* AObject) {
  Changing();
  FList.insert(FList.begin() + Index, TStringItem{S, AObject});
  Changed();
}

void TStringList::Put(Integer Index, const String& S) {
  if (FSorted) Error(L"Operation not allowed on sorted list", 0);
  CheckIndex(Index);
  Changing();
  FList[static_cast<size_t>(Index)].FString = S;
  Changed();
}

void TStringList::PutObject(Integer Index, TObject* AObject) {
  CheckIndex(Index);
  Changing();
  FList[static_cast<size_t>(Index)].FObject = AObject;
  Changed();
}

void TStringList::SetCapacity(Integer NewCapacity) {
  if (NewCapacity < GetCount()) Error(L"List capacity out of bounds (%d)", NewCapacity);
  FList.reserve(static_cast<size_t>(NewCapacity));
}

void TStringList::SetSorted(bool Value) {
  if (FSorted == Value) return;
  if (Value) Sort();
  FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (FCaseSensitive == Value) return;
  FCaseSensitive = Value;
  if (FSorted) {
    // Sort does nothing on a sorted list: drop the flag for a moment.
    FSorted = false;
    Sort();
    FSorted = true;
  }
}

void TStringList::SetUpdateState(bool Updating) {
  if (Updating) Changing();
  else Changed();
}

Integer TStringList::CompareStrings(const String& S1, const String& S2) const {
  return FCaseSensitive ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2);
}

void TStringList::Sort() {
  CustomSort([](TStringList* List, Integer Index1, Integer Index2) {
    return List->CompareStrings(List->FList[static_cast<size_t>(Index1)].FString,
                                List->FList[static_cast<size_t>(Index2)].FString);
  });
}

void TStringList::CustomSort(const TStringListSortCompare& Compare) {
  if (FSorted || GetCount() < 2 || !Compare) return;
  Changing();
  // Sort positions while the list stays as it is, so that Compare sees stable indexes.
  std::vector<Integer> Order(FList.size());
  for (size_t I = 0; I < Order.size(); ++I) Order[I] = static_cast<Integer>(I);
  MergeSort(Order, [&](Integer a, Integer b) { return Compare(this, a, b) < 0; });
  std::vector<TStringItem> Sorted;
  Sorted.reserve(FList.size());
  for (Integer I : Order) Sorted.push_back(std::move(FList[static_cast<size_t>(I)]));
  FList.swap(Sorted);
  Changed();
}

// ---------------------------------------------------------------------------------------
// THashedStringList

THashedStringList::~THashedStringList() = default;

String THashedStringList::Key(const String& S) const { return CaseSensitive() ? S : AnsiUpperCase(S); }

void THashedStringList::Changed() {
  TStringList::Changed();
  if (FHashes) {
    FHashes->ValueValid = false;
    FHashes->NameValid = false;
  }
}

Integer THashedStringList::IndexOf(const String& S) const {
  if (!FHashes) FHashes = std::make_unique<THashes>();
  THashes& H = *FHashes;
  if (!H.ValueValid || H.CaseSensitive != CaseSensitive()) {
    H.Values.clear();
    H.CaseSensitive = CaseSensitive();
    H.NameValid = false;
    for (Integer I = 0, N = GetCount(); I < N; ++I) H.Values.emplace(Key(Get(I)), I);  // first one wins
    H.ValueValid = true;
  }
  auto it = H.Values.find(Key(S));
  return it == H.Values.end() ? -1 : it->second;
}

void THashedStringList::InsertItem(Integer Index, const String& S, TObject* AObject) {
  // An appended string joins the tables that are valid instead of invalidating them, so
  // that filling the list while looking strings up stays linear.
  const bool Append = Index == GetCount() && FHashes;
  const bool Values = Append && FHashes->ValueValid && FHashes->CaseSensitive == CaseSensitive();
  const bool Names = Append && FHashes->NameValid && FHashes->CaseSensitive == CaseSensitive() &&
                     FHashes->Separator == NameValueSeparator();
  TStringList::InsertItem(Index, S, AObject);
  // A change handler may have changed the list again: then the tables stay invalid.
  if (!FHashes || GetCount() != Index + 1 || Get(Index) != S) return;
  if (Values) {
    FHashes->Values.emplace(Key(S), Index);
    FHashes->ValueValid = true;
  }
  if (Names) {
    size_t P = S.find(FHashes->Separator);
    if (P != String::npos) FHashes->Names.emplace(Key(S.substr(0, P)), Index);
    FHashes->NameValid = true;
  }
}

Integer THashedStringList::IndexOfName(const String& Name) const {
  if (!FHashes) FHashes = std::make_unique<THashes>();
  THashes& H = *FHashes;
  if (!H.NameValid || H.CaseSensitive != CaseSensitive() || H.Separator != NameValueSeparator()) {
    H.Names.clear();
    H.CaseSensitive = CaseSensitive();
    H.ValueValid = false;
    H.Separator = NameValueSeparator();
    for (Integer I = 0, N = GetCount(); I < N; ++I) {
      String S = Get(I);
      size_t P = S.find(H.Separator);
      if (P != String::npos) H.Names.emplace(Key(S.substr(0, P)), I);
    }
    H.NameValid = true;
  }
  auto it = H.Names.find(Key(Name));
  return it == H.Names.end() ? -1 : it->second;
}

// ---------------------------------------------------------------------------------------
// TStream

TStream::~TStream() = default;

Integer TStream::Read(TBytes& Buffer, Integer Offset, Integer Count) {
  if (Offset < 0 || Count < 0 || static_cast<size_t>(Offset) + static_cast<size_t>(Count) > Buffer.size())
    return 0;
  return Read(Buffer.data() + Offset, Count);
}

Integer TStream::Write(const TBytes& Buffer, Integer Offset, Integer Count) {
  if (Offset < 0 || Count < 0 || static_cast<size_t>(Offset) + static_cast<size_t>(Count) > Buffer.size())
    return 0;
  return Write(Buffer.data() + Offset, Count);
}

void TStream::ReadBuffer(void* Buffer, Integer Count) {
  if (Count != 0 && Read(Buffer, Count) != Count) throw EReadError(L"Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, Integer Count) {
  if (Count != 0 && Write(Buffer, Count) != Count) throw EWriteError(L"Stream write error");
}

void TStream::ReadBuffer(TBytes& Buffer, Integer Count) {
  if (Count < 0 || static_cast<size_t>(Count) > Buffer.size()) throw EReadError(L"Stream read error");
  ReadBuffer(Buffer.data(), Count);
}

void TStream::WriteBuffer(const TBytes& Buffer, Integer Count) {
  if (Count < 0 || static_cast<size_t>(Count) > Buffer.size()) throw EWriteError(L"Stream write error");
  WriteBuffer(Buffer.data(), Count);
}

Int64 TStream::CopyFrom(TStream* Source, Int64 Count) {
  if (Count <= 0) {
    Source->SetPosition(0);
    Count = Source->Size();
  }
  const Int64 Result = Count;
  const Integer MaxBufSize = 0xF000;
  std::vector<Byte> Buffer(static_cast<size_t>(std::min<Int64>(Count, MaxBufSize)));
  while (Count != 0) {
    Integer N = static_cast<Integer>(std::min<Int64>(Count, MaxBufSize));
    Source->ReadBuffer(Buffer.data(), N);
    WriteBuffer(Buffer.data(), N);
    Count -= N;
  }
  return Result;
}

Int64 TStream::GetSize() {
  Int64 Pos = Seek(0, soCurrent);
  Int64 Result = Seek(0, soEnd);
  Seek(Pos, soBeginning);
  return Result;
}

void TStream::SetSize(Int64) {}

// ---------------------------------------------------------------------------------------
// THandleStream / TFileStream

Integer THandleStream::Read(void* Buffer, Integer Count) {
  DWORD Done = 0;
  if (Count <= 0 || !ReadFile(FHandle, Buffer, static_cast<DWORD>(Count), &Done, nullptr)) return 0;
  return static_cast<Integer>(Done);
}

Integer THandleStream::Write(const void* Buffer, Integer Count) {
  DWORD Done = 0;
  if (Count <= 0 || !WriteFile(FHandle, Buffer, static_cast<DWORD>(Count), &Done, nullptr)) return 0;
  return static_cast<Integer>(Done);
}

Int64 THandleStream::Seek(Int64 Offset, TSeekOrigin Origin) {
  LARGE_INTEGER Dist, NewPos;
  Dist.QuadPart = Offset;
  DWORD Method = Origin == soBeginning ? FILE_BEGIN : (Origin == soCurrent ? FILE_CURRENT : FILE_END);
  if (!SetFilePointerEx(FHandle, Dist, &NewPos, Method)) return -1;
  return NewPos.QuadPart;
}

void THandleStream::SetSize(Int64 NewSize) {
  Seek(NewSize, soBeginning);
  if (!SetEndOfFile(FHandle)) RaiseLastOSError();
}

namespace {
const DWORD kShareModes[5] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};
}

TFileStream::TFileStream(const String& AFileName, Word Mode) : TFileStream(AFileName, Mode, 0) {}

TFileStream::TFileStream(const String& AFileName, Word Mode, Cardinal)
    : THandleStream(INVALID_HANDLE_VALUE), FFileName(AFileName) {
  if ((Mode & fmCreate) == fmCreate) {
    Word Share = Mode & 0xFF;
    if (Share == 0xFF) Share = fmShareExclusive;
    DWORD Disposition = (Share & fmExclusive) ? CREATE_NEW : CREATE_ALWAYS;
    Share &= 0xF0;
    if (Share <= fmShareDenyNone)
      FHandle = CreateFileW(AFileName.c_str(), GENERIC_READ | GENERIC_WRITE, kShareModes[Share >> 4], nullptr,
                            Disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    else
      SetLastError(ERROR_INVALID_PARAMETER);
    if (FHandle == INVALID_HANDLE_VALUE) {
      DWORD Code = GetLastError();
      throw EFCreateError(L"Cannot create file \"%s\". %s", {ExpandFileName(AFileName), SysErrorMessage(Code)});
    }
  } else {
    static const DWORD Access[3] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
    if ((Mode & 3) <= fmOpenReadWrite && (Mode & 0xF0) <= fmShareDenyNone)
      FHandle = CreateFileW(AFileName.c_str(), Access[Mode & 3], kShareModes[(Mode & 0xF0) >> 4], nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    else
      SetLastError(ERROR_INVALID_PARAMETER);
    if (FHandle == INVALID_HANDLE_VALUE) {
      DWORD Code = GetLastError();
      throw EFOpenError(L"Cannot open file \"%s\". %s", {ExpandFileName(AFileName), SysErrorMessage(Code)});
    }
  }
}

TFileStream::~TFileStream() {
  if (FHandle != INVALID_HANDLE_VALUE && FHandle != nullptr) CloseHandle(FHandle);
}

// ---------------------------------------------------------------------------------------
// Memory streams

Integer TCustomMemoryStream::Read(void* Buffer, Integer Count) {
  if (FPosition < 0 || Count <= 0) return 0;
  NativeInt N = FSize - FPosition;
  if (N <= 0) return 0;
  if (N > Count) N = Count;
  std::memcpy(Buffer, static_cast<Byte*>(FMemory) + FPosition, static_cast<size_t>(N));
  FPosition += N;
  return static_cast<Integer>(N);
}

Int64 TCustomMemoryStream::Seek(Int64 Offset, TSeekOrigin Origin) {
  switch (Origin) {
    case soBeginning: FPosition = static_cast<NativeInt>(Offset); break;
    case soCurrent: FPosition += static_cast<NativeInt>(Offset); break;
    case soEnd: FPosition = FSize + static_cast<NativeInt>(Offset); break;
  }
  return FPosition;
}

void TCustomMemoryStream::SaveToStream(TStream* Stream) {
  if (FSize != 0) Stream->WriteBuffer(FMemory, static_cast<Integer>(FSize));
}

void TCustomMemoryStream::SaveToFile(const String& FileName) {
  TFileStream Stream(FileName, fmCreate);
  SaveToStream(&Stream);
}

void TCustomMemoryStream::SetPointer(Pointer Ptr, NativeInt ASize) {
  FMemory = Ptr;
  FSize = ASize;
}

TMemoryStream::~TMemoryStream() { Clear(); }

void TMemoryStream::Clear() {
  SetCapacity(0);
  FSize = 0;
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream* Stream) {
  Stream->SetPosition(0);
  Int64 Count = Stream->Size();
  SetSize(Count);
  if (Count != 0) Stream->ReadBuffer(FMemory, static_cast<Integer>(Count));
}

void TMemoryStream::LoadFromFile(const String& FileName) {
  TFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&Stream);
}

void TMemoryStream::SetCapacity(NativeInt NewCapacity) {
  if (NewCapacity < 0) NewCapacity = 0;
  SetPointer(Realloc(NewCapacity), FSize);
  FCapacity = NewCapacity;
  // Shrinking below the size cuts the data: the size follows, so that nothing reads or
  // copies past the storage.
  if (FSize > FCapacity) FSize = FCapacity;
}

void TMemoryStream::SetSize(Int64 NewSize) {
  NativeInt OldPosition = FPosition;
  NativeInt N = static_cast<NativeInt>(NewSize);
  if (N < 0) N = 0;
  if (N > FCapacity) SetCapacity(N);
  if (N > FSize) std::memset(static_cast<Byte*>(FMemory) + FSize, 0, static_cast<size_t>(N - FSize));
  FSize = N;
  if (OldPosition > N) Seek(0, soEnd);
}

Pointer TMemoryStream::Realloc(NativeInt& NewCapacity) {
  const NativeInt MemoryDelta = 0x2000;  // storage grows in 8 KB steps
  if (NewCapacity > 0 && NewCapacity != FSize)
    NewCapacity = (NewCapacity + (MemoryDelta - 1)) & ~(MemoryDelta - 1);
  Pointer Result = FMemory;
  if (NewCapacity != FCapacity) {
    if (NewCapacity <= 0) {
      std::free(FMemory);
      Result = nullptr;
      NewCapacity = 0;
    } else {
      Result = std::realloc(FMemory, static_cast<size_t>(NewCapacity));
      if (!Result) throw EOutOfMemory(L"Out of memory while expanding memory stream");
    }
  }
  return Result;
}

Integer TMemoryStream::Write(const void* Buffer, Integer Count) {
  if (FPosition < 0 || Count <= 0) return 0;
  NativeInt Pos = FPosition + Count;
  if (Pos > FSize) {
    // Writes past the storage at least double it, so that many small writes cost time in
    // proportion to what they write.
    if (Pos > FCapacity) SetCapacity(std::max<NativeInt>(Pos, FCapacity * 2));
    // A write past the end leaves zeros in the gap.
    if (FPosition > FSize) std::memset(static_cast<Byte*>(FMemory) + FSize, 0, static_cast<size_t>(FPosition - FSize));
    FSize = Pos;
  }
  std::memcpy(static_cast<Byte*>(FMemory) + FPosition, Buffer, static_cast<size_t>(Count));
  FPosition = Pos;
  return Count;
}

TBytesStream::TBytesStream(const TBytes& ABytes) : FBytes(ABytes) {
  SetPointer(FBytes.empty() ? nullptr : FBytes.data(), static_cast<NativeInt>(FBytes.size()));
  // The array is the storage: Capacity is its length.
  NativeInt Cap = static_cast<NativeInt>(FBytes.size());
  TMemoryStream::SetCapacity(Cap);
}

TBytesStream::~TBytesStream() {
  // Release through our Realloc while FBytes still exists.
  Clear();
}

Pointer TBytesStream::Realloc(NativeInt& NewCapacity) {
  if (NewCapacity < 0) NewCapacity = 0;
  if (static_cast<size_t>(NewCapacity) != FBytes.size()) {
    if (NewCapacity > static_cast<NativeInt>(FBytes.size())) {
      // Grow geometrically so that many small writes stay cheap.
      NativeInt Grown = static_cast<NativeInt>(FBytes.size()) + static_cast<NativeInt>(FBytes.size()) / 4;
      if (Grown > NewCapacity) NewCapacity = Grown;
    }
    FBytes.resize(static_cast<size_t>(NewCapacity));
  }
  return FBytes.empty() ? nullptr : FBytes.data();
}

// ---------------------------------------------------------------------------------------
// TStringStream

TStringStream::TStringStream() : FEncoding(TEncoding::Default()) {}

TStringStream::TStringStream(const String& AString, TEncoding* AEncoding, bool AOwnsEncoding)
    : TBytesStream(AEncoding ? AEncoding->GetBytes(AString) : TEncoding::Default()->GetBytes(AString)),
      FEncoding(AEncoding ? AEncoding : TEncoding::Default()),
      FOwnsEncoding(AEncoding && AOwnsEncoding && !TEncoding::IsStandardEncoding(AEncoding)) {}

TStringStream::TStringStream(const TBytes& ABytes) : TBytesStream(ABytes), FEncoding(TEncoding::Default()) {}

TStringStream::~TStringStream() {
  if (FOwnsEncoding) delete FEncoding;
}

String TStringStream::DataString() const {
  if (FSize <= 0) return String();
  return FEncoding->GetString(static_cast<const Byte*>(FMemory), static_cast<Integer>(FSize));
}

String TStringStream::ReadString(Integer Count) {
  if (FPosition < 0 || FPosition >= FSize || Count <= 0) return String();
  NativeInt N = std::min<NativeInt>(Count, FSize - FPosition);
  String Result = FEncoding->GetString(static_cast<const Byte*>(FMemory) + FPosition, static_cast<Integer>(N));
  FPosition += N;
  return Result;
}

void TStringStream::WriteString(const String& AString) {
  TBytes B = FEncoding->GetBytes(AString);
  if (!B.empty()) WriteBuffer(B.data(), static_cast<Integer>(B.size()));
}

// ---------------------------------------------------------------------------------------
// TResourceStream

TResourceStream::TResourceStream(HINSTANCE Instance, const String& ResName, const wchar_t* ResType) {
  Initialize(Instance, ResName.c_str(), ResType, ResName);
}

TResourceStream::TResourceStream(HINSTANCE Instance, Integer ResID, const wchar_t* ResType) {
  Initialize(Instance, MAKEINTRESOURCEW(ResID), ResType, std::to_wstring(ResID));
}

TResourceStream::~TResourceStream() = default;  // resource memory is never freed

void TResourceStream::Initialize(HINSTANCE Instance, const wchar_t* Name, const wchar_t* ResType,
                                 const String& Shown) {
  HRSRC Res = FindResourceW(Instance, Name, ResType);
  HGLOBAL Global = Res ? LoadResource(Instance, Res) : nullptr;
  void* Data = Global ? LockResource(Global) : nullptr;
  if (!Data) throw EResNotFound(L"Resource %s not found", {Shown});
  SetPointer(Data, static_cast<NativeInt>(SizeofResource(Instance, Res)));
}

Integer TResourceStream::Write(const void*, Integer) {
  throw EStreamError(L"Can't write to a read-only resource stream");
}

// ---------------------------------------------------------------------------------------
// Threads and the main-thread call queue

DWORD MainThreadID = GetCurrentThreadId();  // the loader runs this on the main thread
TNotifyEvent WakeMainThread;

namespace {

struct TSyncItem {
  TThread* Thread;
  TThreadMethod Method;
  HANDLE Done;  // signalled when a Synchronize call has run; nullptr for Queue calls
  std::exception_ptr Error;
};

std::mutex g_SyncLock;
std::deque<TSyncItem*> g_SyncList;
HANDLE g_SyncEvent = nullptr;  // set while g_SyncList is not empty
thread_local TThread* t_CurrentThread = nullptr;

HANDLE SyncEventLocked() {
  if (!g_SyncEvent) g_SyncEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  return g_SyncEvent;
}

HANDLE SyncEvent() {
  std::lock_guard<std::mutex> Lock(g_SyncLock);
  return SyncEventLocked();
}

void PostSync(TSyncItem* Item) {
  {
    std::lock_guard<std::mutex> Lock(g_SyncLock);
    g_SyncList.push_back(Item);
    SetEvent(SyncEventLocked());
  }
  if (WakeMainThread) WakeMainThread(Item->Thread);
}

}  // namespace

bool CheckSynchronize(Integer Timeout) {
  if (GetCurrentThreadId() != MainThreadID)
    throw EThread(L"CheckSynchronize called from thread $%x, which is NOT the main thread",
                  {static_cast<long long>(GetCurrentThreadId())});
  if (Timeout > 0) WaitForSingleObject(SyncEvent(), static_cast<DWORD>(Timeout));
  std::deque<TSyncItem*> Items;
  {
    std::lock_guard<std::mutex> Lock(g_SyncLock);
    Items.swap(g_SyncList);
    if (g_SyncEvent) ResetEvent(g_SyncEvent);
  }
  const bool Result = !Items.empty();
  while (!Items.empty()) {
    TSyncItem* Item = Items.front();
    Items.pop_front();
    if (Item->Done) {
      try {
        Item->Method();
      } catch (...) {
        Item->Error = std::current_exception();
      }
      SetEvent(Item->Done);
    } else {
      std::unique_ptr<TSyncItem> Own(Item);
      // When a call fails, the calls not run yet go back to the front of the queue.
      TScopeExit requeue([&] {
        std::lock_guard<std::mutex> Lock(g_SyncLock);
        g_SyncList.insert(g_SyncList.begin(), Items.begin(), Items.end());
        if (!g_SyncList.empty()) SetEvent(SyncEventLocked());
      });
      Item->Method();
      requeue.Dismiss();
    }
  }
  return Result;
}

TThread::TThread(bool CreateSuspended) : FCreateSuspended(CreateSuspended) {
  FHandle = CreateThread(nullptr, 0, &TThread::ThreadProc, this, CREATE_SUSPENDED, &FThreadID);
  if (!FHandle) {
    DWORD Code = GetLastError();
    throw EThread(L"Thread creation error: %s", {SysErrorMessage(Code)});
  }
}

TThread::~TThread() {
  RemoveQueuedEvents(this);
  if (FHandle && GetCurrentThreadId() != FThreadID) {
    if (!FStarted) {
      // Never started: let the OS thread end without running Execute.
      FSkipExecute = true;
      FTerminated = true;
      FStarted = true;
      FSuspended = false;
      ResumeThread(FHandle);
    } else if (!FFinished) {
      Terminate();
      while (FSuspended && ResumeThread(FHandle) > 1) {
      }
      FSuspended = false;
    }
    WaitFor();
  }
  RemoveQueuedEvents(this);
  if (FHandle) CloseHandle(FHandle);
}

DWORD WINAPI TThread::ThreadProc(LPVOID Param) {
  TThread* T = static_cast<TThread*>(Param);
  t_CurrentThread = T;
  if (T->FSkipExecute) {
    T->FFinished = true;
    return 0;
  }
  try {
    T->Execute();
  } catch (Exception& E) {
    T->FFatalException = &E;  // kept alive by the exception pointer
    T->FFatalExceptionPtr = std::current_exception();
  } catch (const std::exception& E) {
    try {
      throw Exception(String(E.what(), E.what() + std::strlen(E.what())));
    } catch (Exception& Wrapped) {
      T->FFatalException = &Wrapped;
      T->FFatalExceptionPtr = std::current_exception();
    }
  } catch (...) {
    try {
      throw Exception(L"Unknown exception in thread");
    } catch (Exception& Wrapped) {
      T->FFatalException = &Wrapped;
      T->FFatalExceptionPtr = std::current_exception();
    }
  }
  const bool FreeThread = T->FFreeOnTerminate;
  const DWORD Result = static_cast<DWORD>(T->FReturnValue);
  T->FFinished = true;
  try {
    T->DoTerminate();
  } catch (...) {
    // OnTerminate failing must not take the process down from a worker thread.
  }
  t_CurrentThread = nullptr;
  if (FreeThread) delete T;
  return Result;
}

void TThread::AfterConstruction() {
  if (!FCreateSuspended && !FStarted) Start();
}

void TThread::Start() {
  if (FStarted) throw EThread(L"Cannot call Start on a running or suspended thread");
  FStarted = true;
  FSuspended = false;
  ResumeThread(FHandle);
}

void TThread::Resume() {
  if (!FStarted) {
    Start();
    return;
  }
  if (FSuspended && !FFinished) {
    if (ResumeThread(FHandle) == 1) FSuspended = false;
  }
}

void TThread::Suspend() {
  if (!FStarted || FFinished || FSuspended) return;
  FSuspended = true;
  SuspendThread(FHandle);
}

void TThread::Terminate() {
  FTerminated = true;
  TerminatedSet();
}

Cardinal TThread::WaitFor() {
  if (GetCurrentThreadId() == FThreadID) throw EThread(L"A thread cannot wait for itself");
  if (!FStarted) {
    if (FCreateSuspended) throw EThread(L"Cannot wait for a thread that was never started");
    Start();
  }
  if (GetCurrentThreadId() == MainThreadID) {
    // Keep answering Synchronize calls (and sent messages) while waiting, so that a
    // thread that synchronizes before it ends cannot deadlock with us.
    HANDLE H[2] = {FHandle, SyncEvent()};
    for (;;) {
      DWORD R = MsgWaitForMultipleObjects(2, H, FALSE, INFINITE, QS_SENDMESSAGE);
      if (R == WAIT_OBJECT_0) break;
      if (R == WAIT_OBJECT_0 + 1) {
        CheckSynchronize(0);
      } else if (R == WAIT_OBJECT_0 + 2) {
        MSG Msg;
        PeekMessageW(&Msg, nullptr, 0, 0, PM_NOREMOVE);
      } else {
        WaitForSingleObject(FHandle, INFINITE);
        break;
      }
    }
  } else {
    WaitForSingleObject(FHandle, INFINITE);
  }
  DWORD Code = 0;
  GetExitCodeThread(FHandle, &Code);
  return Code;
}

void TThread::DoTerminate() {
  if (OnTerminate) Synchronize([this] { OnTerminate(this); });
}

void TThread::Synchronize(TThread* AThread, const TThreadMethod& Method) {
  if (!Method) return;
  if (GetCurrentThreadId() == MainThreadID) {
    Method();
    return;
  }
  TSyncItem Item{AThread, Method, CreateEventW(nullptr, FALSE, FALSE, nullptr), {}};
  PostSync(&Item);
  WaitForSingleObject(Item.Done, INFINITE);
  CloseHandle(Item.Done);
  if (Item.Error) std::rethrow_exception(Item.Error);
}

void TThread::Queue(TThread* AThread, const TThreadMethod& Method) {
  if (!Method) return;
  if (GetCurrentThreadId() == MainThreadID) {
    Method();
    return;
  }
  PostSync(new TSyncItem{AThread, Method, nullptr, {}});
}

void TThread::RemoveQueuedEvents(TThread* AThread) {
  std::lock_guard<std::mutex> Lock(g_SyncLock);
  for (auto it = g_SyncList.begin(); it != g_SyncList.end();) {
    if ((*it)->Thread == AThread && !(*it)->Done) {
      delete *it;
      it = g_SyncList.erase(it);
    } else {
      ++it;
    }
  }
}

TThread* TThread::CurrentThread() { return t_CurrentThread; }

Integer TThread::ProcessorCount() {
  SYSTEM_INFO Info;
  GetSystemInfo(&Info);
  return static_cast<Integer>(Info.dwNumberOfProcessors);
}

namespace {
const int kPriorities[] = {THREAD_PRIORITY_IDLE,   THREAD_PRIORITY_LOWEST,  THREAD_PRIORITY_BELOW_NORMAL,
                           THREAD_PRIORITY_NORMAL, THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                           THREAD_PRIORITY_TIME_CRITICAL};
}

TThreadPriority TThread::Priority() const {
  int P = GetThreadPriority(FHandle);
  for (int I = 0; I < 7; ++I)
    if (kPriorities[I] == P) return static_cast<TThreadPriority>(I);
  return tpNormal;
}

void TThread::SetPriority(TThreadPriority Value) { SetThreadPriority(FHandle, kPriorities[Value]); }

// ---------------------------------------------------------------------------------------
// Unit start-up

namespace {
void ClassesInitialize() {
  MainThreadID = GetCurrentThreadId();
  SyncEvent();
}
void ClassesFinalize() {
  std::lock_guard<std::mutex> Lock(g_SyncLock);
  for (TSyncItem* Item : g_SyncList) {
    if (Item->Done) {
      // A waiting thread must not hang at exit, nor believe its call ran.
      try {
        throw EThread(L"The main thread ended before running a synchronized call");
      } catch (...) {
        Item->Error = std::current_exception();
      }
      SetEvent(Item->Done);
    } else {
      delete Item;
    }
  }
  g_SyncList.clear();
  if (g_SyncEvent) CloseHandle(g_SyncEvent);
  g_SyncEvent = nullptr;
}
}  // namespace

const TUnitInfo ClassesUnit = {L"Classes", ClassesInitialize, ClassesFinalize};
