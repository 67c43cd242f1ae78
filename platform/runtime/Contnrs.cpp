#include "Contnrs.h"

TObjectList::~TObjectList() {
  // Here, not in ~TList, so that Notify still frees the objects.
  Clear();
}

void TObjectList::Notify(Pointer Ptr, TListNotification Action) {
  if (FOwnsObjects && Action == lnDeleted) delete static_cast<TObject*>(Ptr);
  TList::Notify(Ptr, Action);
}

Integer TObjectList::FindInstanceOf(TClass AClass, bool AExact, Integer AStartAt) const {
  for (Integer I = AStartAt < 0 ? 0 : AStartAt; I < Count(); ++I) {
    TObject* O = Items(I);
    if (!O) continue;
    if (AExact ? O->ClassType() == AClass : O->InheritsFrom(AClass)) return I;
  }
  return -1;
}

TOrderedList::~TOrderedList() = default;

Pointer TOrderedList::Push(Pointer AItem) {
  PushItem(AItem);
  return AItem;
}

Pointer TOrderedList::Pop() { return PopItem(); }

Pointer TOrderedList::Peek() const { return PeekItem(); }

Pointer TOrderedList::PopItem() {
  Pointer Result = PeekItem();
  FList.Delete(FList.Count() - 1);
  return Result;
}

Pointer TOrderedList::PeekItem() const { return FList.Last(); }

void TStack::PushItem(Pointer AItem) { List()->Add(AItem); }

void TQueue::PushItem(Pointer AItem) { List()->Insert(0, AItem); }
