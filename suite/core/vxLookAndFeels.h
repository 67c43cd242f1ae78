// Look and feel: the persistent settings (Kind, NativeStyle, SkinName) that choose the
// painter class of a control. Each setting is assigned locally or inherited from a
// master look and feel and finally from the process-wide root; changes flow down to
// every dependent look and feel. The unit also hosts the listener for system colour
// changes.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "Classes.h"
#include "Persistent.h"
#include "SysInit.h"
#include "System.h"
#include "TypInfo.h"
#include "vdThemeManager.h"
#include "vxClasses.h"
#include "vxLookAndFeelPainters.h"

ENUM_TYPEINFO(TvxLookAndFeelKind, lfFlat, lfStandard, lfUltraFlat, lfOffice11)
enum TvxLookAndFeelValue { lfvKind, lfvNativeStyle, lfvSkinName };
ENUM_TYPEINFO(TvxLookAndFeelValue, lfvKind, lfvNativeStyle, lfvSkinName)
using TvxLookAndFeelValues = Set<TvxLookAndFeelValue, 8>;
SET_TYPEINFO(TvxLookAndFeelValues, TvxLookAndFeelValue)

using TvdSkinName = String;

constexpr TvxLookAndFeelKind vxDefaultLookAndFeelKind = lfUltraFlat;
constexpr bool vxDefaultLookAndFeelNativeStyle = false;

struct TvxLookAndFeelData {
  TvxLookAndFeelKind Kind = vxDefaultLookAndFeelKind;
  bool NativeStyle = vxDefaultLookAndFeelNativeStyle;
  TvdSkinName SkinName;
  TvxCustomLookAndFeelPainterClass Painter = nullptr;
  bool UseSkins = false;
};

class TvxLookAndFeel;

using TvxLookAndFeelChangedEvent = std::function<void(TvxLookAndFeel* Sender, TvxLookAndFeelValues AChangedValues)>;

// Told about changes of a look and feel it listens to.
class IvxLookAndFeelChangeListener {
 public:
  virtual ~IvxLookAndFeelChangeListener() = default;
  virtual TObject* OwnerObject() = 0;
  virtual void SourceChanged(TvxLookAndFeel* Sender, TvxLookAndFeelValues AChangedValues) = 0;
  virtual void SourceDestroying(TvxLookAndFeel* Sender) = 0;
};

using TvxSystemPaletteChangedEvent = std::function<void()>;

// Hears of system colour changes. Primary notifiers (painter caches and the like) hear
// before ordinary ones (the looks and feels).
class TvxSystemPaletteChangedNotifier : public TObject {
  DECLARE_CLASS(TvxSystemPaletteChangedNotifier, TObject)
 public:
  explicit TvxSystemPaletteChangedNotifier(bool AIsPrimary = false);
  ~TvxSystemPaletteChangedNotifier() override;
  virtual void DoChanged();
  bool IsPrimary() const { return FIsPrimary; }
  const TvxSystemPaletteChangedEvent& OnSystemPaletteChanged() const { return FOnSystemPaletteChanged; }
  void SetOnSystemPaletteChanged(const TvxSystemPaletteChangedEvent& Value) { FOnSystemPaletteChanged = Value; }

 private:
  bool FIsPrimary;
  TvxSystemPaletteChangedEvent FOnSystemPaletteChanged;
};

// One hidden window that receives the system's colour-change message while at least
// one notifier exists.
class TvxSystemPaletteChangedListener : public TObject {
  DECLARE_CLASS(TvxSystemPaletteChangedListener, TObject)
 public:
  TvxSystemPaletteChangedListener();
  ~TvxSystemPaletteChangedListener() override;
  void AddNotifier(TvxSystemPaletteChangedNotifier* ANotifier);
  void RemoveNotifier(TvxSystemPaletteChangedNotifier* ANotifier);
  HWND WindowHandle() const { return FWindowHandle; }

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void SystemColorsChanged();
  std::vector<TvxSystemPaletteChangedNotifier*> FNotifierList;
  std::vector<TvxSystemPaletteChangedNotifier*> FPrimaryNotifierList;
  HWND FWindowHandle = nullptr;
};

// The palette listener's window; nullptr while no notifier exists.
HWND vxSystemPaletteChangedListenerWindow();

class TvxLookAndFeel : public TvxInterfacedPersistent,
                       public IvxLookAndFeelPainterListener,
                       public IvxLookAndFeelChangeListener {
  DECLARE_CLASS(TvxLookAndFeel, TvxInterfacedPersistent)
  PUBLISHED(TvxLookAndFeel)
 public:
  explicit TvxLookAndFeel(TPersistent* AOwner);
  ~TvxLookAndFeel() override;
  void Assign(TPersistent* Source) override;

  void AddChangeListener(TObject* AListener);
  void RemoveChangeListener(TObject* AListener);
  TvxCustomLookAndFeelPainterClass GetAvailablePainter(TvdThemedObjectType ANeededThemedObjectType);
  TvxCustomLookAndFeelPainterClass GetAvailablePainter(const TvdThemedObjectTypes& ANeededThemedObjectTypes = {});
  void Refresh();
  void Reset();
  void SetStyle(TvxLookAndFeelStyle Value);

  TvxLookAndFeelStyle ActiveStyle();
  TvxLookAndFeelValues AssignedValues() const { return FAssignedValues; }
  void SetAssignedValues(TvxLookAndFeelValues Value);
  TvxLookAndFeelKind Kind() const { return FCurrentState.Kind; }
  void SetKind(TvxLookAndFeelKind Value);
  bool NativeStyle() const { return FCurrentState.NativeStyle; }
  void SetNativeStyle(bool Value);
  TvdSkinName SkinName() const { return FCurrentState.SkinName; }
  void SetSkinName(const TvdSkinName& Value);
  TvxLookAndFeel* MasterLookAndFeel() const;
  void SetMasterLookAndFeel(TvxLookAndFeel* Value);
  TvxCustomLookAndFeelPainterClass Painter() const { return FPainter ? FPainter : FCurrentState.Painter; }
  void SetPainter(TvxCustomLookAndFeelPainterClass Value);
  TvxCustomLookAndFeelPainterClass SkinPainter() const { return FSkinPainter; }
  bool IsRootLookAndFeel() const { return FIsRootLookAndFeel; }
  Integer ChangeListenerCount() const { return FChangeListenerList->Count(); }

  TvxLookAndFeelChangedEvent OnChanged;

  // IvxLookAndFeelChangeListener: a change or the end of the master.
  TObject* OwnerObject() override { return this; }
  void SourceChanged(TvxLookAndFeel* Sender, TvxLookAndFeelValues AChangedValues) override;
  void SourceDestroying(TvxLookAndFeel* Sender) override;
  // IvxLookAndFeelPainterListener: the named painters changed.
  void PainterChanged(TvxCustomLookAndFeelPainterClass APainter) override;

 protected:
  void DefineProperties(TFiler* Filer) override;
  virtual void UpdateCurrentState();
  virtual TvxLookAndFeelKind EffectiveKind();
  virtual bool EffectiveNativeStyle();
  virtual TvdSkinName EffectiveSkinName();
  virtual TvxCustomLookAndFeelPainterClass EffectiveSkinPainter();
  virtual bool FindSkinPainter(const TvdSkinName& AName, TvxCustomLookAndFeelPainterClass& APainter);
  virtual void PaletteChanged();

  void MasterChanged(TvxLookAndFeel* Sender, TvxLookAndFeelValues AChangedValues);
  void NotifyChanged(TvxLookAndFeelValues AChangedValues);
  void RememberState();
  void NotifyStateDifferences();

 private:
  friend void vxCreateRootLookAndFeel();
  friend void vxDestroyRootLookAndFeel();
  // The master as the getter answers it, or the root for a look and feel without one.
  TvxLookAndFeel* InheritanceSource() const;
  bool IsKindStored() const { return FAssignedValues.Contains(lfvKind); }
  bool IsNativeStyleStored() const { return FAssignedValues.Contains(lfvNativeStyle); }
  bool IsSkinNameStored() const { return FAssignedValues.Contains(lfvSkinName); }

  TvxLookAndFeelValues FAssignedValues;
  std::unique_ptr<TvxObjectList> FChangeListenerList;
  TvxLookAndFeelData FCurrentState;
  TvxLookAndFeelData FData;
  bool FIsDestruction = false;
  bool FIsRootLookAndFeel = false;
  TvxLookAndFeel* FMasterLookAndFeel = nullptr;
  TvxCustomLookAndFeelPainterClass FPainter = nullptr;
  TvxCustomLookAndFeelPainterClass FSkinPainter = nullptr;
  TvxLookAndFeelData FPrevState;
  std::unique_ptr<TvxSystemPaletteChangedNotifier> FSystemPaletteChangedNotifier;
};

// A form-level component whose settings are those of the root look and feel.
class TvxLookAndFeelController : public TComponent, public IvxLookAndFeelChangeListener {
  DECLARE_CLASS(TvxLookAndFeelController, TComponent)
  PUBLISHED(TvxLookAndFeelController)
 public:
  explicit TvxLookAndFeelController(TComponent* AOwner);
  ~TvxLookAndFeelController() override;
  TvxLookAndFeelKind Kind() const;
  void SetKind(TvxLookAndFeelKind Value);
  bool NativeStyle() const;
  void SetNativeStyle(bool Value);
  TvdSkinName SkinName() const;
  void SetSkinName(const TvdSkinName& Value);

  TObject* OwnerObject() override { return this; }
  void SourceChanged(TvxLookAndFeel* Sender, TvxLookAndFeelValues AChangedValues) override;
  void SourceDestroying(TvxLookAndFeel* Sender) override;

 protected:
  // Both only tell a form designer about modifications; nothing happens at run time.
  virtual void RootChanged(TvxLookAndFeelValues AChangedValues) {}
  virtual void RootDestroying() {}
};

// The process-wide root look and feel; nullptr outside the unit's lifetime.
TvxLookAndFeel* vxGetRootLookAndFeel();
// Controllers registered with the root.
Integer vxLookAndFeelControllerCount();

extern const TUnitInfo vxLookAndFeelsUnit;
