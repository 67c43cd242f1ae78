// Contnrs: owning object lists, stacks and queues.
#pragma once

#include "Classes.h"

// A list of objects that frees them as they are deleted (Delete, Remove, Clear, the
// destructor, or being replaced) while OwnsObjects is true. Extract takes an object out
// without freeing it.
class TObjectList : public TList {
  DECLARE_CLASS(TObjectList, TList)
 public:
  TObjectList() = default;
  explicit TObjectList(bool AOwnsObjects) : FOwnsObjects(AOwnsObjects) {}
  ~TObjectList() override;

  Integer Add(TObject* AObject) { return TList::Add(AObject); }
  TObject* Extract(TObject* Item) { return static_cast<TObject*>(TList::Extract(Item)); }
  Integer Remove(TObject* AObject) { return TList::Remove(AObject); }
  Integer IndexOf(TObject* AObject) const { return TList::IndexOf(AObject); }
  void Insert(Integer Index, TObject* AObject) { TList::Insert(Index, AObject); }
  TObject* First() const { return static_cast<TObject*>(TList::First()); }
  TObject* Last() const { return static_cast<TObject*>(TList::Last()); }
  // The index of the first object from AStartAt that is of class AClass (exactly, or
  // a descendant when not AExact); -1 when none.
  Integer FindInstanceOf(TClass AClass, bool AExact = true, Integer AStartAt = 0) const;

  TObject* Items(Integer Index) const { return static_cast<TObject*>(Get(Index)); }
  void SetItems(Integer Index, TObject* AObject) { Put(Index, AObject); }
  TObject* operator[](Integer Index) const { return Items(Index); }
  bool OwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }

 protected:
  void Notify(Pointer Ptr, TListNotification Action) override;

 private:
  bool FOwnsObjects = true;
};

// A list of class references.
class TClassList : public TList {
  DECLARE_CLASS(TClassList, TList)
 public:
  Integer Add(TClass AClass) { return TList::Add(const_cast<TMetaClass*>(AClass)); }
  Integer IndexOf(TClass AClass) const { return TList::IndexOf(const_cast<TMetaClass*>(AClass)); }
  Integer Remove(TClass AClass) { return TList::Remove(const_cast<TMetaClass*>(AClass)); }
  void Insert(Integer Index, TClass AClass) { TList::Insert(Index, const_cast<TMetaClass*>(AClass)); }
  TClass Items(Integer Index) const { return static_cast<TClass>(Get(Index)); }
  TClass operator[](Integer Index) const { return Items(Index); }
};

// The common part of stacks and queues: items go in by PushItem and come out at the
// end of the list. Pop and Peek on an empty container raise EListError.
class TOrderedList : public TObject {
  DECLARE_CLASS(TOrderedList, TObject)
 public:
  TOrderedList() = default;
  ~TOrderedList() override;
  Integer Count() const { return FList.Count(); }
  bool AtLeast(Integer ACount) const { return FList.Count() >= ACount; }
  Pointer Push(Pointer AItem);
  Pointer Pop();
  Pointer Peek() const;

 protected:
  virtual void PushItem(Pointer AItem) = 0;
  virtual Pointer PopItem();
  virtual Pointer PeekItem() const;
  TList* List() { return &FList; }

 private:
  TList FList;
};

// Last in, first out.
class TStack : public TOrderedList {
  DECLARE_CLASS(TStack, TOrderedList)
 protected:
  void PushItem(Pointer AItem) override;
};

// First in, first out.
class TQueue : public TOrderedList {
  DECLARE_CLASS(TQueue, TOrderedList)
 protected:
  void PushItem(Pointer AItem) override;
};

// Typed forms for objects; they never free the objects.
class TObjectStack : public TStack {
  DECLARE_CLASS(TObjectStack, TStack)
 public:
  TObject* Push(TObject* AObject) { return static_cast<TObject*>(TStack::Push(AObject)); }
  TObject* Pop() { return static_cast<TObject*>(TStack::Pop()); }
  TObject* Peek() const { return static_cast<TObject*>(TStack::Peek()); }
};

class TObjectQueue : public TQueue {
  DECLARE_CLASS(TObjectQueue, TQueue)
 public:
  TObject* Push(TObject* AObject) { return static_cast<TObject*>(TQueue::Push(AObject)); }
  TObject* Pop() { return static_cast<TObject*>(TQueue::Pop()); }
  TObject* Peek() const { return static_cast<TObject*>(TQueue::Peek()); }
};
