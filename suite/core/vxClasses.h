// The lowest layer of the component suite: shared enumerations, weak object links,
// small numeric, locale and naming routines, the column auto-width calculator and the
// two class registries.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "SysInit.h"
#include "SysUtils.h"
#include "System.h"
#include "vdCore.h"
#include "vxGeometry.h"

enum TvxAlignmentVert { vaTop, vaBottom, vaCenter };
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

// ---------------------------------------------------------------------------------
// Utility routines.

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
