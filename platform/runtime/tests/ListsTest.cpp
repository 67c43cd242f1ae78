// Pointer lists, owning object lists, stacks and queues.
#include <gtest/gtest.h>

#include <algorithm>

#include "Classes.h"
#include "Contnrs.h"

namespace ZS_UNITY_ID {

namespace {

// Records every notification as "+p", "-p" (deleted) or "~p" (extracted).
class TTraceList : public TList {
  DECLARE_CLASS(TTraceList, TList)
 public:
  ~TTraceList() override { Clear(); }
  std::string Trace;

 protected:
  void Notify(Pointer Ptr, TListNotification Action) override {
    Trace += Action == lnAdded ? '+' : (Action == lnDeleted ? '-' : '~');
    Trace += static_cast<char>(reinterpret_cast<intptr_t>(Ptr));
  }
};

Pointer P(char c) { return reinterpret_cast<Pointer>(static_cast<intptr_t>(c)); }

std::string Letters(TList& L) {
  std::string s;
  for (Integer i = 0; i < L.Count(); ++i) s += L[i] ? static_cast<char>(reinterpret_cast<intptr_t>(L[i])) : '.';
  return s;
}

TList* Make(const char* s) {
  auto* L = new TList;
  for (; *s; ++s) L->Add(*s == '.' ? nullptr : P(*s));
  return L;
}

}  // namespace

TEST(Lists, EditingKeepsOrderAndNotifiesInOrder) {
  TTraceList L;
  EXPECT_EQ(L.Add(P('a')), 0);
  L.Add(P('b'));
  L.Add(nullptr);  // nil items are stored but never announced
  L.Insert(0, P('c'));
  EXPECT_EQ(Letters(L), "cab.");
  L.Move(0, 3);
  EXPECT_EQ(Letters(L), "ab.c");
  L.Exchange(0, 3);
  EXPECT_EQ(Letters(L), "cb.a");
  L.Pack();
  EXPECT_EQ(Letters(L), "cba");
  EXPECT_EQ(L.Extract(P('b')), P('b'));
  EXPECT_EQ(L.Extract(P('z')), nullptr);
  EXPECT_EQ(L.Remove(P('c')), 0);
  EXPECT_EQ(L.Remove(P('c')), -1);
  L.SetItems(0, P('d'));
  L.Add(P('e'));
  L.Clear();  // from the last item to the first
  EXPECT_EQ(L.Trace, "+a+b+c~b-c-a+d+e-e-d");
  EXPECT_EQ(L.Count(), 0);
  EXPECT_EQ(L.Capacity(), 0);
}

TEST(Lists, IndexErrorsCarryTheIndex) {
  std::unique_ptr<TList> L(Make("ab"));
  struct Case { const char* what; std::function<void()> op; const wchar_t* msg; };
  const Case cases[] = {
      {"get", [&] { L->Items(2); }, L"List index out of bounds (2)"},
      {"negative", [&] { L->Items(-1); }, L"List index out of bounds (-1)"},
      {"insert", [&] { L->Insert(3, nullptr); }, L"List index out of bounds (3)"},
      {"delete", [&] { L->Delete(5); }, L"List index out of bounds (5)"},
      {"exchange", [&] { L->Exchange(0, 9); }, L"List index out of bounds (9)"},
      {"move", [&] { L->Move(0, 2); }, L"List index out of bounds (2)"},
      {"capacity", [&] { L->SetCapacity(1); }, L"List capacity out of bounds (1)"},
      {"count", [&] { L->SetCount(-2); }, L"List count out of bounds (-2)"},
  };
  for (const Case& c : cases) {
    try {
      c.op();
      ADD_FAILURE() << c.what << ": no exception";
    } catch (const EListError& e) {
      EXPECT_EQ(e.Message(), c.msg) << c.what;
    }
  }
  TList Empty;
  EXPECT_THROW(Empty.First(), EListError);
  EXPECT_THROW(Empty.Last(), EListError);
  EXPECT_EQ(Letters(*L), "ab");
}

TEST(Lists, CapacityGrowsAndSetCountPadsWithNil) {
  TList L;
  L.Add(P('a'));
  EXPECT_EQ(L.Capacity(), 4);
  for (int i = 0; i < 4; ++i) L.Add(P('b'));
  EXPECT_EQ(L.Capacity(), 8);
  L.SetCount(7);
  EXPECT_EQ(Letters(L), "abbbb..");
  L.SetCount(2);
  EXPECT_EQ(Letters(L), "ab");
}

TEST(Lists, SortIsStableWithACompareFunction) {
  // Items are small integers; sort by their tens digit only.
  TList L;
  for (intptr_t v : {31, 12, 33, 14, 25, 11, 32}) L.Add(reinterpret_cast<Pointer>(v));
  L.Sort([](Pointer a, Pointer b) {
    return static_cast<Integer>(reinterpret_cast<intptr_t>(a) / 10 - reinterpret_cast<intptr_t>(b) / 10);
  });
  std::vector<intptr_t> got;
  for (Integer i = 0; i < L.Count(); ++i) got.push_back(reinterpret_cast<intptr_t>(L[i]));
  EXPECT_EQ(got, (std::vector<intptr_t>{12, 14, 11, 25, 31, 33, 32}));
  // A comparison that answers at random must not break the list: whatever the order,
  // the result holds exactly the items it held before, each once.
  for (intptr_t v = 100; v < 300; ++v) L.Add(reinterpret_cast<Pointer>(v));
  std::vector<intptr_t> before;
  for (Integer i = 0; i < L.Count(); ++i) before.push_back(reinterpret_cast<intptr_t>(L[i]));
  unsigned seed = 12345;
  for (int round = 0; round < 20; ++round) {
    L.Sort([&seed](Pointer, Pointer) {
      seed = seed * 1103515245u + 12345u;
      return static_cast<Integer>((seed >> 16) % 3) - 1;
    });
    std::vector<intptr_t> after;
    for (Integer i = 0; i < L.Count(); ++i) after.push_back(reinterpret_cast<intptr_t>(L[i]));
    EXPECT_TRUE(std::is_permutation(after.begin(), after.end(), before.begin(), before.end()))
        << "round " << round;
  }
}

TEST(Lists, AssignOperators) {
  struct Case { TListAssignOp op; const char* dest; const char* src; const char* want; };
  const Case cases[] = {
      {laCopy, "xyz", "abc", "abc"},      {laAnd, "abcd", "dbx", "bd"},
      {laOr, "abc", "cde", "abcde"},      {laXor, "abc", "cde", "abde"},
      {laSrcUnique, "abc", "bx", "ac"},   {laDestUnique, "abc", "bcx", "x"},
  };
  for (const Case& c : cases) {
    std::unique_ptr<TList> D(Make(c.dest)), S(Make(c.src));
    D->Assign(S.get(), c.op);
    EXPECT_EQ(Letters(*D), c.want) << c.op;
  }
  // With a second list the result is ListA op ListB.
  std::unique_ptr<TList> D(Make("q")), A(Make("abc")), B(Make("bz"));
  D->Assign(A.get(), laAnd, B.get());
  EXPECT_EQ(Letters(*D), "b");
}

TEST(Lists, ThreadListDuplicates) {
  TThreadList L;
  int a = 0, b = 0;
  L.Add(&a);
  L.Add(&a);  // ignored by default
  L.SetDuplicates(dupAccept);
  L.Add(&a);
  L.SetDuplicates(dupError);
  EXPECT_THROW(L.Add(&a), EListError);
  L.Add(&b);
  TList* Inner = L.LockList();
  EXPECT_EQ(Inner->Count(), 3);
  L.UnlockList();
  L.Remove(&a);
  EXPECT_EQ(L.LockList()->Count(), 2);
  L.UnlockList();
}

namespace {
class TTracked : public TObject {
  DECLARE_CLASS(TTracked, TObject)
 public:
  explicit TTracked(std::string* log, char name) : FLog(log), FName(name) {}
  ~TTracked() override { *FLog += FName; }

 private:
  std::string* FLog;
  char FName;
};
class TTrackedChild : public TTracked {
  DECLARE_CLASS(TTrackedChild, TTracked)
 public:
  using TTracked::TTracked;
};
}  // namespace

TEST(Lists, ObjectListFreesWhatItOwns) {
  std::string freed;
  {
    TObjectList L;
    TObject* a = new TTracked(&freed, 'a');
    L.Add(a);
    L.Add(new TTrackedChild(&freed, 'b'));
    L.Add(new TTracked(&freed, 'c'));
    L.Add(new TTracked(&freed, 'd'));
    EXPECT_EQ(L.FindInstanceOf(TTrackedChild::StaticClass()), 1);
    EXPECT_EQ(L.FindInstanceOf(TTracked::StaticClass()), 0);
    EXPECT_EQ(L.FindInstanceOf(TTracked::StaticClass(), false, 1), 1);
    EXPECT_EQ(L.FindInstanceOf(TList::StaticClass(), false), -1);
    EXPECT_EQ(L.Extract(a), a);  // taken out, not freed
    EXPECT_EQ(freed, "");
    delete a;
    L.Remove(L[1]);
    L.SetItems(0, new TTracked(&freed, 'e'));  // the replaced object is freed
    EXPECT_EQ(freed, "acb");
    L.Delete(1);
    EXPECT_EQ(L.IndexOf(L[0]), 0);
  }
  EXPECT_EQ(freed, "acbde");
  TObjectList NotOwning(false);
  TTracked kept(&freed, 'k');
  NotOwning.Add(&kept);
  NotOwning.Clear();
  EXPECT_EQ(freed, "acbde");
}

TEST(Lists, StacksAndQueues) {
  TStack S;
  TQueue Q;
  for (char c : std::string("abc")) {
    S.Push(P(c));
    Q.Push(P(c));
  }
  EXPECT_TRUE(S.AtLeast(3));
  EXPECT_FALSE(S.AtLeast(4));
  EXPECT_EQ(S.Peek(), P('c'));
  std::string s, q;
  while (S.Count()) s += static_cast<char>(reinterpret_cast<intptr_t>(S.Pop()));
  while (Q.Count()) q += static_cast<char>(reinterpret_cast<intptr_t>(Q.Pop()));
  EXPECT_EQ(s, "cba");
  EXPECT_EQ(q, "abc");
  EXPECT_THROW(S.Pop(), EListError);
  EXPECT_THROW(Q.Peek(), EListError);
  TObjectQueue OQ;
  TObject o1, o2;
  OQ.Push(&o1);
  OQ.Push(&o2);
  EXPECT_EQ(OQ.Pop(), &o1);
}

}  // namespace ZS_UNITY_ID
