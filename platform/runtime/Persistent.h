// Persistent objects, components and collections: TPersistent (assignment, naming,
// property definition for streaming), TComponent (the owner tree, names, free
// notifications, component state) and TCollection/TCollectionItem.
#pragma once

#include <functional>
#include <unordered_map>
#include <vector>

#include "SysUtils.h"
#include "System.h"
#include "TypInfo.h"

class TFiler;
class TReader;
class TWriter;
class TComponent;
class TCollection;
class TBasicAction;
class TBasicActionLink;

DECLARE_EXCEPTION(EComponentError, Exception)

// The root of every object that can be assigned to another and written by the
// component streaming.
class TPersistent : public TObject {
  DECLARE_CLASS(TPersistent, TObject)
 public:
  TPersistent() = default;
  ~TPersistent() override;

  // Copies Source into this object. The base asks Source to do it (AssignTo); when
  // neither side knows the other, EConvertError "Cannot assign a %s to a %s".
  virtual void Assign(TPersistent* Source);
  // The name by which the designer and the streaming refer to this object.
  virtual String GetNamePath();

  // The following are protected in spirit: overridden by descendants, called by the
  // streaming and by related classes of the runtime.

  // Copies this object into Dest; the base raises the assignment error.
  virtual void AssignTo(TPersistent* Dest);
  // Defines unpublished values written with the object (TFiler::DefineProperty).
  virtual void DefineProperties(TFiler* Filer);
  // The object that owns this one (for GetNamePath); nullptr in the base.
  virtual TPersistent* GetOwner();

 protected:
  [[noreturn]] void AssignError(TPersistent* Source);
};

// A persistent object that answers interface queries. Reference counting is not used:
// the object lives as long as its owner keeps it.
class TInterfacedPersistent : public TPersistent {
  DECLARE_CLASS(TInterfacedPersistent, TPersistent)
 public:
  Integer AddRef_() { return -1; }   // _AddRef, spelled with a trailing underscore
  Integer Release_() { return -1; }  // _Release
};

enum TOperation { opInsert, opRemove };

enum TComponentStateItem {
  csLoading, csReading, csWriting, csDestroying, csDesigning, csAncestor, csUpdating,
  csFixups, csFreeNotification, csInline, csDesignInstance
};
using TComponentState = Set<TComponentStateItem, 16>;

enum TComponentStyleItem { csInheritable, csCheckPropAvail, csSubComponent, csTransient };
using TComponentStyle = Set<TComponentStyleItem, 8>;

// Receives each child that a component writes with itself (GetChildren).
using TGetChildProc = std::function<void(TComponent* Child)>;

// True for a valid component name or identifier: a letter or '_' first, then letters,
// digits and '_' (ASCII).
bool IsValidIdent(const String& Ident);

// A component: a persistent object with a Name, an owner that frees it, and a list of
// components it owns. The owner is told (Notification) when components come and go;
// other components ask for the same with FreeNotification.
//
// Destruction: the destructor marks the component as destroying, tells every component
// linked by FreeNotification, frees the owned components and leaves its owner. A
// descendant whose owned components need the descendant alive while they go calls
// Destroying() and DestroyComponents() at the start of its own destructor.
class TComponent : public TPersistent {
  DECLARE_CLASS(TComponent, TPersistent)
  PUBLISHED(TComponent)  // Name (written in the object header, not as a property), Tag
 public:
  using TCreateArg = TComponent*;  // the virtual constructor takes the owner
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;

  TComponent* Owner() const { return FOwner; }
  const String& Name() const { return FName; }
  // Renames the component: EComponentError "'%s' is not a valid component name" or,
  // when the owner already has a component of that name (case-insensitive),
  // "A component named %s already exists".
  virtual void SetName(const String& NewName);
  NativeInt Tag() const { return FTag; }
  void SetTag(NativeInt Value) { FTag = Value; }

  // Owned components, in insertion order.
  Integer ComponentCount() const { return static_cast<Integer>(FComponents.size()); }
  TComponent* Components(Integer Index) const;
  Integer ComponentIndex() const;
  void SetComponentIndex(Integer Value);
  // The owned component of that name (case-insensitive); nullptr when none.
  TComponent* FindComponent(const String& AName) const;
  // Takes AComponent over from its current owner (if any).
  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);
  // Frees every owned component, last first.
  void DestroyComponents();
  // Sets csDestroying here and in every owned component.
  void Destroying();

  // Asks to be told (Notification with opRemove) when AComponent is freed; the link is
  // mutual. Not needed between components with the same owner, whose owner tells them.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);
  // Called when AComponent is inserted into or removed from the owner tree, or when a
  // component linked by FreeNotification goes. The base forgets the free notification
  // link and passes the call on to every owned component.
  virtual void Notification(TComponent* AComponent, TOperation Operation);

  const TComponentState& ComponentState() const { return FComponentState; }
  const TComponentStyle& ComponentStyle() const { return FComponentStyle; }
  void SetSubComponent(bool IsSubComponent);
  // Called after the component was read from a stream: clears csLoading.
  virtual void Loaded();
  virtual void Updating() { FComponentState.Include(csUpdating); }
  virtual void Updated() { FComponentState.Exclude(csUpdating); }
  void SetDesigning(bool Value, bool SetChildren = true);
  void SetAncestor(bool Value);
  void SetInline(bool Value);

  // Parent relation used by the streaming: a component with a parent is written by its
  // parent, not directly by its owner.
  virtual bool HasParent() const { return false; }
  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual void SetParentComponent(TComponent* /*Value*/) {}
  // Lists the children written with this component when Root is written.
  virtual void GetChildren(const TGetChildProc& /*Proc*/, TComponent* /*Root*/) {}
  // The owner and the parent for components read as children of this one.
  virtual TComponent* GetChildOwner() { return nullptr; }
  virtual TComponent* GetChildParent() { return this; }
  virtual void SetChildOrder(TComponent* /*Child*/, Integer /*Order*/) {}

  // Streaming: the component reads and writes its properties and children.
  virtual void ReadState(TReader* Reader);
  virtual void WriteState(TWriter* Writer);

  String GetNamePath() override;
  TPersistent* GetOwner() override { return FOwner; }
  // Checks a rename of AComponent among the owned components.
  virtual void ValidateRename(TComponent* AComponent, const String& CurName,
                              const String& NewName);
  virtual void ValidateInsert(TComponent* /*AComponent*/) {}
  virtual void ValidateContainer(TComponent* AComponent);

  // An action that nothing else handled is offered to components (the focused control
  // and its parents): a component takes it when the action works on it as a target
  // (HandlesTarget), and then runs or updates the action there. True when it did.
  virtual bool ExecuteAction(TBasicAction* Action);
  virtual bool UpdateAction(TBasicAction* Action);

 protected:
  virtual void ChangeName(const String& NewName) { FName = NewName; }
  void SetComponentStateItem(TComponentStateItem Item, bool On) {
    if (On) FComponentState.Include(Item); else FComponentState.Exclude(Item);
  }
  void SetComponentStyleItem(TComponentStyleItem Item, bool On) {
    if (On) FComponentStyle.Include(Item); else FComponentStyle.Exclude(Item);
  }
  friend class TReader;
  friend class TWriter;

 private:
  void Insert(TComponent* AComponent);
  void Remove(TComponent* AComponent);
  void IndexName(TComponent* AComponent);
  void UnindexName(TComponent* AComponent);
  void RemoveNotification(TComponent* AComponent);
  void SetReference(bool Enable);

  TComponent* FOwner = nullptr;
  String FName;
  NativeInt FTag = 0;
  std::vector<TComponent*> FComponents;
  // Owned components with a name, by the upper-cased name: FindComponent and the
  // duplicate-name check do not walk every sibling.
  std::unordered_multimap<String, TComponent*> FNameIndex;
  std::vector<TComponent*> FFreeNotifies;
  TComponentState FComponentState;
  TComponentStyle FComponentStyle{csInheritable};
};

using TComponentClass = TClass;

// A command that controls and menu items run (ActnList.h holds the links, lists and the
// common actions; the routing of an action to components starts here).
using TActionEvent = std::function<void(TBasicAction* Action, bool& Handled)>;

class TBasicAction : public TComponent {
  DECLARE_CLASS(TBasicAction, TComponent)
 public:
  explicit TBasicAction(TComponent* AOwner) : TComponent(AOwner) {}
  ~TBasicAction() override;
  // OnExecute (after the action list had its say); without a handler the focused
  // control and its parents are offered the action (ExecuteAction). False when nothing ran.
  virtual bool Execute();
  // OnUpdate, else offered like Execute (UpdateAction); false when nothing handled it.
  virtual bool Update();
  // Whether the action works on Target; and the work there. An action class that acts
  // on a kind of control (an edit's Copy, a list's Select All) overrides these.
  virtual bool HandlesTarget(TObject* /*Target*/) { return false; }
  virtual void ExecuteTarget(TObject* /*Target*/) {}
  virtual void UpdateTarget(TObject* /*Target*/) {}
  TComponent* ActionComponent() const { return FActionComponent; }
  void SetActionComponent(TComponent* Value) { FActionComponent = Value; }
  void RegisterChanges(TBasicActionLink* Value);
  void UnRegisterChanges(TBasicActionLink* Value);
  Integer ClientCount() const { return static_cast<Integer>(FClients.size()); }
  TNotifyEvent OnExecute;
  TNotifyEvent OnUpdate;

 protected:
  virtual void Change();
  std::vector<TBasicActionLink*> FClients;

 private:
  TComponent* FActionComponent = nullptr;
};

// Collections ------------------------------------------------------------------------

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollectionItem;
using TCollectionItemClass = TClass;

// An ordered list of items of one item class, owning them.
class TCollection : public TPersistent {
  DECLARE_CLASS(TCollection, TPersistent)
 public:
  explicit TCollection(TCollectionItemClass ItemClass);
  ~TCollection() override;

  TCollectionItemClass ItemClass() const { return FItemClass; }
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  // EListError "List index out of bounds (%d)" outside 0..Count-1.
  TCollectionItem* Items(Integer Index) const;
  void SetItem(Integer Index, TCollectionItem* Value);
  TCollectionItem* Add();
  TCollectionItem* Insert(Integer Index);
  void Delete(Integer Index);
  void Clear();
  TCollectionItem* FindItemID(Integer ID) const;
  void Assign(TPersistent* Source) override;

  // Changes inside BeginUpdate/EndUpdate are reported once, by Update(nullptr), when
  // the outermost EndUpdate runs.
  virtual void BeginUpdate() { ++FUpdateCount; }
  virtual void EndUpdate();
  Integer UpdateCount() const { return FUpdateCount; }

  String GetNamePath() override;
  // The name of the owner's published property that holds this collection.
  String PropName();

 protected:
  // Called when items change: Item is the changed item, nullptr for all items.
  virtual void Update(TCollectionItem* /*Item*/) {}
  virtual void Notify(TCollectionItem* /*Item*/, TCollectionNotification /*Action*/) {}
  virtual void SetItemName(TCollectionItem* /*Item*/) {}
  void Changed();

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* Item);
  void RemoveItem(TCollectionItem* Item);
  void DetachAndFree(TCollectionItem* Item);

  TCollectionItemClass FItemClass;
  std::vector<TCollectionItem*> FItems;
  Integer FUpdateCount = 0;
  Integer FNextID = 0;
  bool FAdding = false;  // Add is making an item
  String FPropName;
};

// One item of a collection. Items are made by the collection (Add, Insert) through the
// item class's virtual constructor, which takes the collection.
class TCollectionItem : public TPersistent {
  DECLARE_CLASS(TCollectionItem, TPersistent)
 public:
  using TCreateArg = TCollection*;
  explicit TCollectionItem(TCollection* Collection);
  ~TCollectionItem() override;

  TCollection* Collection() const { return FCollection; }
  virtual void SetCollection(TCollection* Value);
  // A number unique in the collection, kept while the item lives.
  Integer ID() const { return FID; }
  Integer Index() const;
  virtual void SetIndex(Integer Value);
  String DisplayName() { return GetDisplayName(); }
  virtual void SetDisplayName(const String& Value);
  String GetNamePath() override;
  TPersistent* GetOwner() override;

 protected:
  virtual String GetDisplayName() { return ClassName(); }
  // Reports a change to the collection: of this item, or of all items.
  void Changed(bool AllItems);

 private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
  Integer FID = 0;
};

// A collection that knows its owner (the object whose property holds it).
class TOwnedCollection : public TCollection {
  DECLARE_CLASS(TOwnedCollection, TCollection)
 public:
  TOwnedCollection(TPersistent* AOwner, TCollectionItemClass ItemClass)
      : TCollection(ItemClass), FOwner(AOwner) {}
  TPersistent* GetOwner() override { return FOwner; }

 private:
  TPersistent* FOwner;
};
