// The lowest layer of the component suite: shared enumerations, weak object links,
// small numeric, locale and naming routines, the column auto-width calculator and the
// two class registries.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "Classes.h"
#include "Persistent.h"
#include "SysInit.h"
#include "TypInfo.h"
#include "SysUtils.h"
#include "System.h"
#include "vdCore.h"
#include "vxGeometry.h"

enum TvxAlignmentVert { vaTop, vaBottom, vaCenter };
ENUM_TYPEINFO(TvxAlignmentVert, vaTop, vaBottom, vaCenter)
enum TvxCollectionOperation { copAdd, copDelete, copChanged };
enum TvxDirection { dirNone, dirLeft, dirRight, dirUp, dirDown };
enum TvxPosition { posNone, posLeft, posRight, posTop, posBottom };
enum TvxCollectionInternalState { cisDestroying, cisUpdating, cisSorting };
using TvxCollectionInternalStates = Set<TvxCollectionInternalState, 8>;

// ---------------------------------------------------------------------------------
// Weak object links: a link's Ref goes blank when its object is destroyed (every
// destructor that takes part calls vxClearObjectLinks), so a holder only tests Ref.

class TvxObjectLink : public TObject {
  DECLARE_CLASS(TvxObjectLink, TObject)
 public:
  TObject* Ref = nullptr;
};

// Answers nullptr for a nil object.
TvxObjectLink* vxAddObjectLink(TObject* AObject);
// Frees the link (nothing for nil); a blanked link is no longer listed.
void vxRemoveObjectLink(TvxObjectLink* ALink);
// Blanks every link to the object and drops it from the list; the links stay alive.
void vxClearObjectLinks(TObject* AObject);
// Number of links currently listed (0 when the controller does not exist).
Integer vxObjectLinkCount();

// A weak link to an object for the life of a scope: code that calls handlers which may
// free the object asks Alive before touching it again.
class TvxObjectLinkScope {
 public:
  explicit TvxObjectLinkScope(TObject* AObject) : FLink(vxAddObjectLink(AObject)) {}
  ~TvxObjectLinkScope() { vxRemoveObjectLink(FLink); }
  TvxObjectLinkScope(const TvxObjectLinkScope&) = delete;
  TvxObjectLinkScope& operator=(const TvxObjectLinkScope&) = delete;
  bool Alive() const { return FLink && FLink->Ref; }

 private:
  TvxObjectLink* FLink;
};

// ---------------------------------------------------------------------------------
// Base classes. Interface-capable classes of the suite do not count references: their
// reference operations answer -1 and lifetime is always explicit. An interface query
// answers S_OK with the object seen as I, or E_NOINTERFACE.

template <class I, class T>
HRESULT vxQueryInterface(T* AObject, I*& AObj) {
  AObj = dynamic_cast<I*>(AObject);
  return AObj ? S_OK : E_NOINTERFACE;
}

class TvxIUnknownObject : public TObject {
  DECLARE_CLASS(TvxIUnknownObject, TObject)
 public:
  template <class I>
  HRESULT QueryInterface(I*& AObj) { return vxQueryInterface(this, AObj); }
  Integer AddRef_() { return -1; }   // _AddRef, spelled with a trailing underscore
  Integer Release_() { return -1; }  // _Release
};

class TvxInterfacedPersistent : public TInterfacedPersistent {
  DECLARE_CLASS(TvxInterfacedPersistent, TInterfacedPersistent)
 public:
  using TCreateArg = TPersistent*;
  explicit TvxInterfacedPersistent(TPersistent* AOwner = nullptr) : FOwner(AOwner) {}
  TPersistent* GetOwner() override { return FOwner; }
  template <class I>
  HRESULT QueryInterface(I*& AObj) { return vxQueryInterface(this, AObj); }

 protected:
  TPersistent* FOwner;
};

class TvxOwnedPersistent : public TPersistent {
  DECLARE_CLASS(TvxOwnedPersistent, TPersistent)
 public:
  using TCreateArg = TPersistent*;
  explicit TvxOwnedPersistent(TPersistent* AOwner = nullptr) : FOwner(AOwner) {}
  TPersistent* GetOwner() override { return FOwner; }

 protected:
  TPersistent* FOwner;
};

class TvxOwnedInterfacedPersistent : public TvxOwnedPersistent {
  DECLARE_CLASS(TvxOwnedInterfacedPersistent, TvxOwnedPersistent)
 public:
  using TvxOwnedPersistent::TvxOwnedPersistent;
  template <class I>
  HRESULT QueryInterface(I*& AObj) { return vxQueryInterface(this, AObj); }
  Integer AddRef_() { return -1; }
  Integer Release_() { return -1; }
};

// A component whose linked components are shown to the designer through three fake
// link properties, and whose weak object links go blank when it is destroyed.
class TvxComponent : public TComponent {
  DECLARE_CLASS(TvxComponent, TComponent)
  PUBLISHED(TvxComponent)
 public:
  explicit TvxComponent(TComponent* AOwner);
  ~TvxComponent() override;
  void Loaded() override;
  void BeforeDestruction() override;
  bool IsDesigning() const { return ComponentState().Contains(csDesigning); }
  bool IsDestroying() const { return ComponentState().Contains(csDestroying); }
  TComponent* FakeComponentLink1() const { return FFakeComponentLink1; }
  TComponent* FakeComponentLink2() const { return FFakeComponentLink2; }
  TComponent* FakeComponentLink3() const { return FFakeComponentLink3; }
  void SetFakeComponentLink1(TComponent* Value) { FFakeComponentLink1 = Value; }
  void SetFakeComponentLink2(TComponent* Value) { FFakeComponentLink2 = Value; }
  void SetFakeComponentLink3(TComponent* Value) { FFakeComponentLink3 = Value; }

 protected:
  // Fills AList with the components the designer should show as linked; empty here.
  virtual void CollectLinkedComponents(TList* AList) {}
  void RefreshDesignLinks();

 private:
  TComponent* FFakeComponentLink1 = nullptr;
  TComponent* FFakeComponentLink2 = nullptr;
  TComponent* FFakeComponentLink3 = nullptr;
};

class TvxOwnedInterfacedCollection;

class TvxInterfacedCollectionItem : public TCollectionItem {
  DECLARE_CLASS(TvxInterfacedCollectionItem, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  void AfterConstruction() override;
  template <class I>
  HRESULT QueryInterface(I*& AObj) { return vxQueryInterface(this, AObj); }
  // Forwarded to the owning collection's interface, -1 without one.
  Integer AddRef_();
  Integer Release_();

 private:
  TvxOwnedInterfacedCollection* FOwnerInterface = nullptr;
};

using TvxCollectionNotifyEvent = std::function<void(TObject* Sender, TCollectionItem* AItem)>;
using TvxCollectionCompareEvent =
    std::function<Integer(TObject* ASender, TCollectionItem* AItem1, TCollectionItem* AItem2)>;

// An owned collection that can keep its items sorted and reports every change.
class TvxOwnedInterfacedCollection : public TOwnedCollection {
  DECLARE_CLASS(TvxOwnedInterfacedCollection, TOwnedCollection)
 public:
  TvxOwnedInterfacedCollection(TPersistent* AOwner, TCollectionItemClass AItemClass)
      : TOwnedCollection(AOwner, AItemClass) {}
  ~TvxOwnedInterfacedCollection() override;
  template <class I>
  HRESULT QueryInterface(I*& AObj) { return vxQueryInterface(this, AObj); }
  Integer AddRef_() { return -1; }
  Integer Release_() { return -1; }
  bool Destroying() const { return FInternalState.Contains(cisDestroying); }
  bool Sorted() const { return FSorted; }
  void SetSorted(bool Value);
  void SortItems();

  TvxCollectionNotifyEvent OnChange;
  TvxCollectionCompareEvent OnCompare;

 protected:
  // The sign of the difference of the two items' indexes.
  virtual Integer DefaultCompareItems(TCollectionItem* AItem1, TCollectionItem* AItem2);
  void Update(TCollectionItem* Item) override;

 private:
  TvxCollectionInternalStates FInternalState;
  bool FSorted = false;
};

using TvxStringListCompareEvent = std::function<Integer(TStringList* AList, Integer AIndex1, Integer AIndex2)>;

// A string list whose Sort uses OnCompare when it is assigned.
class TvxStringList : public TStringList {
  DECLARE_CLASS(TvxStringList, TStringList)
 public:
  using TStringList::TStringList;
  void Sort() override;
  TvxStringListCompareEvent OnCompare;
};

// A list of objects that frees them when it owns them.
class TvxObjectList : public TList {
  DECLARE_CLASS(TvxObjectList, TList)
 public:
  explicit TvxObjectList(bool AOwnObjects = true) : FOwnObjects(AOwnObjects) {}
  ~TvxObjectList() override;
  void Clear() override;
  bool OwnObjects() const { return FOwnObjects; }
  TObject* GetItem(Integer Index) const { return static_cast<TObject*>(Items(Index)); }

 private:
  bool FOwnObjects;
};

using TvxFreeNotificationEvent = std::function<void(TComponent* Sender)>;

// Reports the destruction of the components it was told about.
class TvxFreeNotificator : public TComponent {
  DECLARE_CLASS(TvxFreeNotificator, TComponent)
 public:
  explicit TvxFreeNotificator(TComponent* AOwner) : TComponent(AOwner) {}
  void AddSender(TComponent* ASender);
  void RemoveSender(TComponent* ASender);
  void Notification(TComponent* AComponent, TOperation Operation) override;
  TvxFreeNotificationEvent OnFreeNotification;
};

// ---------------------------------------------------------------------------------
// Utility routines.

TPersistent* vxGetPersistentOwner(TPersistent* APersistent);
// A name for AComponent that no other component owned by ARoot has: the base name's
// identifier characters, else the class name (less AClassNamePrefix, or less a
// leading "T"), behind the name owner's name, with a number when needed.
void vxGenerateComponentName(TComponent* ARoot, TComponent* ANameOwner, TComponent* AComponent,
                             const String& AClassNamePrefix, const String& ABaseName, String& AResult);

String vxGetResString(const TResStringRec* ARec);
TSize vxMakeSize(Integer cx, Integer cy);
Integer vxSignOf(double AValue);
Integer vxDivRoundUp(Integer A, Integer B);
Integer vxRangeMiddle(Integer A, Integer B);
void vxCallNotifyEvent(TObject* ASender, const TNotifyEvent& AEvent);
String vxGetLocaleString(LCID ALocale, LCTYPE AItem, const String& ADefault);
// Distance in bytes from the character at the 1-based position to the next one.
Integer vxCharSizeAt(const String& S, Integer APos);
// Installs a hook of the calling thread; the variable must be empty.
void vxSetWindowsHook(HHOOK& AHook, int AHookId, HOOKPROC AHookProc);
void vxReleaseWindowsHook(HHOOK& AHook);

// ---------------------------------------------------------------------------------
// Column auto width: shares an available width among items in proportion to their
// natural widths, keeping minimums and fixed items.

class TvxAutoWidthItem : public TObject {
  DECLARE_CLASS(TvxAutoWidthItem, TObject)
 public:
  Integer MinWidth = 0;
  Integer Width = 0;
  bool Fixed = false;
  Integer AutoWidth = -1;  // -1 until calculated
};

class TvxAutoWidthObject : public TObject {
  DECLARE_CLASS(TvxAutoWidthObject, TObject)
 public:
  explicit TvxAutoWidthObject(Integer ACount = 0);
  ~TvxAutoWidthObject() override;
  TvxAutoWidthItem* AddItem();
  void Calculate();
  TvxAutoWidthItem* GetItem(Integer Index) const { return FItems.at(Index); }
  Integer AvailableWidth() const { return FAvailableWidth; }
  void SetAvailableWidth(Integer Value) { FAvailableWidth = Value; }
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  Integer Width() const;

 private:
  Integer FAvailableWidth = 0;
  std::vector<TvxAutoWidthItem*> FItems;  // owned
};

// ---------------------------------------------------------------------------------
// Class registries.

class TvxRegisteredClassListItemData : public TObject {
  DECLARE_CLASS(TvxRegisteredClassListItemData, TObject)
 public:
  TClass ItemClass = nullptr;
  TClass RegisteredClass = nullptr;
};

// Maps a class to a companion class; a descendant finds the companion of its nearest
// registered ancestor. Ancestors' entries stand before their descendants'.
class TvxRegisteredClassList : public TObject {
  DECLARE_CLASS(TvxRegisteredClassList, TObject)
 public:
  TvxRegisteredClassList() = default;
  ~TvxRegisteredClassList() override;
  virtual bool Find(TClass AClass, Integer& AIndex);
  virtual void Register(TClass AItemClass, TClass ARegisteredClass);
  virtual void Unregister(TClass AItemClass, TClass ARegisteredClass);
  void Clear();
  TClass FindClass(TClass AItemClass);
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  TvxRegisteredClassListItemData* Items(Integer Index) const { return FItems.at(Index); }

 private:
  std::vector<TvxRegisteredClassListItemData*> FItems;  // owned
};

// A list of classes with a description and a hint ("Description|Hint").
class TvxRegisteredClasses : public TObject {
  DECLARE_CLASS(TvxRegisteredClasses, TObject)
 public:
  explicit TvxRegisteredClasses(bool ARegisterClasses = false);
  virtual Integer CompareItems(Integer AIndex1, Integer AIndex2);
  virtual void Sort();
  void Register(TClass AClass, const String& ADescription);
  void Unregister(TClass AClass);
  void Clear() { FItems.clear(); }
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  TClass Items(Integer Index) const { return FItems.at(Index).Class; }
  String GetDescription(Integer Index) const;
  String GetHint(Integer Index) const;
  Integer GetIndexByClass(TClass AClass) const;
  String GetDescriptionByClass(TClass AClass) const;
  String GetHintByClass(TClass AClass) const;
  TClass FindByClassName(const String& AClassName) const;
  TClass FindByDescription(const String& ADescription) const;
  bool RegisterClasses() const { return FRegisterClasses; }
  void SetRegisterClasses(bool Value) { FRegisterClasses = Value; }
  bool Sorted() const { return FSorted; }
  void SetSorted(bool Value);

 private:
  struct TEntry {
    String Text;
    TClass Class;
  };
  std::vector<TEntry> FItems;
  bool FRegisterClasses = false;
  bool FSorted = false;
};

extern const TUnitInfo vxClassesUnit;
