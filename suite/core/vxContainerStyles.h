// Container styles: the four state styles a container paints from (normal, focused,
// disabled, hot-tracked), each value assigned locally, taken from a shared style
// controller or computed by a fallback rule; the style controller component; and the
// computed drawing state (view info) that paints a container's border and background.
#pragma once

#include <windows.h>

#include <array>
#include <memory>

#include "Classes.h"
#include "Controls.h"
#include "Graphics.h"
#include "Persistent.h"
#include "System.h"
#include "TypInfo.h"
#include "vdThemeManager.h"
#include "vxClasses.h"
#include "vxContainerRoutines.h"
#include "vxGraphics.h"
#include "vxLookAndFeelPainters.h"
#include "vxLookAndFeels.h"

class TvxContainerStyle;
class TvxContainerStyles;
class TvxStyleController;

// What a style asks of the container control that owns it. The container control (a
// TControl) implements it; a style owned by anything else has no container.
class IvxStyledContainer {
 public:
  virtual ~IvxStyledContainer() = default;
  virtual bool IsInplace() = 0;
  virtual bool UsesParentColorByDefault() = 0;
  virtual bool IsStylePropertyPublished(const String& APropertyName, bool AExtendedStyle) = 0;
};

// Class references of styles and style sets: the class and how to make an instance.
struct TvxContainerStyleClassInfo {
  TClass ClassType;
  TvxContainerStyle* (*Create)(TPersistent* AOwner, bool ADirectAccessMode, TvxContainerStyle* AParentStyle,
                               TvxContainerStateItem AState);
};
using TvxContainerStyleClass = const TvxContainerStyleClassInfo*;

struct TvxContainerStylesClassInfo {
  TClass ClassType;
  TvxContainerStyles* (*Create)(TPersistent* AOwner, TvxContainerStyleClass AStyleClass);
};
using TvxContainerStylesClass = const TvxContainerStylesClassInfo*;

struct TvxContainerStyleData {
  TColor Color = clBlack;      // background colour
  TFont* Font = nullptr;       // not owned here: the base style's own font or a reference
  TColor FontColor = clBlack;  // text colour
};

class TvxContainerStyle : public TvxInterfacedPersistent {
  DECLARE_CLASS(TvxContainerStyle, TvxInterfacedPersistent)
  PUBLISHED(TvxContainerStyle)
 public:
  // A base style (the normal style of a set, or any style made without a parent) owns a
  // look and feel and, unless it is a bare value holder (ADirectAccessMode), a font. The
  // parent is taken only for a state other than csNormal. Create through Create<T>, which
  // also attaches a base style to its initial style controller.
  TvxContainerStyle(TPersistent* AOwner, bool ADirectAccessMode, TvxContainerStyle* AParentStyle,
                    TvxContainerStateItem AState);
  ~TvxContainerStyle() override;
  template <class T>
  static T* Create(TPersistent* AOwner, bool ADirectAccessMode, TvxContainerStyle* AParentStyle,
                   TvxContainerStateItem AState) {
    auto style = std::make_unique<T>(AOwner, ADirectAccessMode, AParentStyle, AState);
    style->AfterConstruction();
    return style.release();
  }
  // The class reference of T.
  template <class T>
  static TvxContainerStyleClass ClassOf() {
    static const TvxContainerStyleClassInfo info{
        T::StaticClass(), [](TPersistent* o, bool d, TvxContainerStyle* p, TvxContainerStateItem s)
                              -> TvxContainerStyle* { return Create<T>(o, d, p, s); }};
    return &info;
  }
  void AfterConstruction() override;
  void Assign(TPersistent* Source) override;

  void BeginUpdate();
  void EndUpdate();
  virtual void RestoreDefaults();
  // The style value whose name is APropertyName (letter case ignored).
  bool GetStyleValue(const String& APropertyName, TvxContainerStyleValue& AStyleValue);
  virtual Integer GetStyleValueCount();
  // False, with an empty name, for an index the class does not know.
  virtual bool GetStyleValueName(TvxContainerStyleValue AStyleValue, String& AName);
  // Font with the text colour and text style applied; the style keeps the object.
  TFont* GetVisibleFont();
  virtual bool HasBorder();
  // Whether a state style shows the property.
  bool IsExtendedStylePropertyPublished(const String& APropertyName);
  // Assigned in the style itself or in a style controller up the chain.
  virtual bool IsValueAssigned(TvxContainerStyleValue AValue);
  // Makes the own font follow the controller's font, or the defaults (see the source).
  void RefreshOwnFont();

  bool IsBaseStyle() const { return FParentStyle == nullptr; }
  TvxContainerStyle* BaseStyle() { return IsBaseStyle() ? this : FParentStyle; }
  IvxStyledContainer* Container();
  TvxStyleController* ActiveStyleController() { return BaseStyle()->FStyleController; }
  bool DirectAccessMode() const { return FDirectAccessMode; }
  TvxContainerStateItem State() const { return FState; }

  TvxContainerStyleValues AssignedValues();
  void SetAssignedValues(TvxContainerStyleValues Value);
  TColor BorderColor();
  void SetBorderColor(TColor Value);
  TvxContainerBorderStyle BorderStyle();
  void SetBorderStyle(TvxContainerBorderStyle Value);
  virtual TColor Color();
  void SetColor(TColor Value);
  // The colour with an assigned value winning over the parent control's colour.
  virtual TColor ResolvedColor();
  TvxBorders Edges();
  void SetEdges(TvxBorders Value);
  TFont* Font();
  void SetFont(TFont* Value);
  bool HotTrack();
  void SetHotTrack(bool Value);
  TvxLookAndFeel* LookAndFeel() { return BaseStyle()->FLookAndFeel.get(); }
  void SetLookAndFeel(TvxLookAndFeel* Value);
  bool Shadow();
  void SetShadow(bool Value);
  TvxStyleController* StyleController();
  void SetStyleController(TvxStyleController* Value);
  virtual TColor TextColor();
  void SetTextColor(TColor Value);
  virtual TFontStyles TextStyle();
  void SetTextStyle(TFontStyles Value);
  bool TransparentBorder();
  void SetTransparentBorder(bool Value);

  TNotifyEvent OnChanged;
  TvxContainerStyleData StyleData;

 protected:
  friend class TvxStyleController;
  friend class TvxContainer;
  // Takes a value out of the assigned values without refreshing the font or firing a change:
  // the container's own font and colour handlers keep the style in step this way.
  void ExcludeAssignedValueField(TvxContainerStyleValue AValue) { FAssignedValues.Exclude(AValue); }
  void DefineProperties(TFiler* Filer) override;

  virtual void MarkChanged();
  virtual void StyleControllerChanged(TvxStyleController* AController);
  virtual void StyleControllerRemoved(TvxStyleController* AController);
  virtual TColor FallbackBorderColor();
  virtual TvxContainerBorderStyle FallbackBorderStyle();
  virtual TColor FallbackColor();
  virtual TvxBorders FallbackEdges() { return vxBordersAll; }
  virtual bool FallbackHotTrack() { return true; }
  virtual bool FallbackShadow() { return false; }
  virtual TColor FallbackTextColor();
  virtual TFontStyles FallbackTextStyle();
  virtual bool FallbackTransparentBorder() { return true; }
  virtual void StyleFontChanged(TObject* Sender);
  // The controller a base style falls back on: GlobalContainerStyleController here.
  virtual TvxStyleController* InitialStyleController();
  // Values the state styles do not show.
  virtual TvxContainerStyleValues HiddenExtendedStyleValues();

  // The style that holds value V: this one when V is assigned here, else (through the
  // active style controllers) the controller style of the same state that holds it;
  // nullptr when none does.
  TvxContainerStyle* FindAssignedValue(TvxContainerStyleValue V);
  // The container as a control, nullptr without one.
  TControl* ContainerControl();
  void FireChangeIfModified();

 private:
  // Leaves the controller without asking for a replacement.
  void DetachStyleController();
  bool IsPropertyStored(TvxContainerStyleValue V);
  bool IsStyleControllerStored() { return IsBaseStyle() && StyleController() != nullptr; }
  void ResetOwnFont();

  TColor FBorderColor = clBlack;
  TvxContainerBorderStyle FBorderStyle = cbsNone;
  TvxBorders FEdges;
  bool FHotTrack = false;
  bool FShadow = false;
  bool FTransparentBorder = false;
  bool FDirectAccessMode;
  Integer FFontAssignedValueLockCount = 0;
  bool FIsDestroying = false;
  std::unique_ptr<TvxLookAndFeel> FLookAndFeel;
  bool FModified = false;
  TvxContainerStyle* FParentStyle = nullptr;
  TvxContainerStateItem FState;
  TFontStyles FTextStyle;
  Integer FUpdateCount = 0;
  std::unique_ptr<TFont> FFont;  // the own font of a base style that is not direct-access
  std::unique_ptr<TFont> FVisibleFont;
  TvxContainerStyleValues FAssignedValues;
  TvxStyleController* FStyleController = nullptr;
};

// The four state styles of a container or a style controller. The styles are never
// replaced: the setters copy into them.
class TvxContainerStyles : public TObject {
  DECLARE_CLASS(TvxContainerStyles, TObject)
 public:
  TvxContainerStyles(TPersistent* AOwner, TvxContainerStyleClass AStyleClass);
  ~TvxContainerStyles() override;
  template <class T>
  static TvxContainerStylesClass ClassOf() {
    static const TvxContainerStylesClassInfo info{
        T::StaticClass(),
        [](TPersistent* o, TvxContainerStyleClass c) -> TvxContainerStyles* { return new T(o, c); }};
    return &info;
  }
  void RestoreDefaults();

  TvxContainerStyle* Style() const { return StyleByState(csNormal); }
  void SetStyle(TvxContainerStyle* Value) { SetStyleByState(csNormal, Value); }
  TvxContainerStyle* StyleDisabled() const { return StyleByState(csDisabled); }
  void SetStyleDisabled(TvxContainerStyle* Value) { SetStyleByState(csDisabled, Value); }
  TvxContainerStyle* StyleFocused() const { return StyleByState(csActive); }
  void SetStyleFocused(TvxContainerStyle* Value) { SetStyleByState(csActive, Value); }
  TvxContainerStyle* StyleHot() const { return StyleByState(csHotTrack); }
  void SetStyleHot(TvxContainerStyle* Value) { SetStyleByState(csHotTrack, Value); }
  TvxContainerStyle* StyleByState(TvxContainerStateItem AState) const { return FStyles[AState].get(); }
  void SetStyleByState(TvxContainerStateItem AState, TvxContainerStyle* Value) { FStyles[AState]->Assign(Value); }
  // Sets the change event of all four styles.
  void SetOnChanged(const TNotifyEvent& Value);

 private:
  std::array<std::unique_ptr<TvxContainerStyle>, 4> FStyles;
};

// A component holding a style set that containers refer to for the values their own
// styles do not assign.
class TvxStyleController : public TComponent {
  DECLARE_CLASS(TvxStyleController, TComponent)
  PUBLISHED(TvxStyleController)
 public:
  explicit TvxStyleController(TComponent* AOwner);
  // Detaches every listening style first; a controller that is the process-wide default
  // stops being it before anything else happens.
  ~TvxStyleController() override;
  void Loaded() override;

  virtual void AddStyleListener(TvxContainerStyle* AStyle);
  virtual TvxContainerStyleClass GetStyleClass();
  virtual TvxContainerStylesClass GetStylesClass();
  virtual void RemoveStyleListener(TvxContainerStyle* AStyle);
  void RestoreStyles() { Styles()->RestoreDefaults(); }
  // OnStyleChanged, then every listening style hears of the change.
  void NotifyStyleChanged();
  // Scales the controller's font once, or passes the call up the controller chain.
  void ScaleStyleFont(Integer M, Integer D);

  // The style set, made on first use with the classes the controller's class names.
  TvxContainerStyles* Styles();
  TvxStyleController* FakeStyleController() { return Styles()->Style()->StyleController(); }
  void SetFakeStyleController(TvxStyleController* Value) { (void)Value; }
  Integer ListenerCount() const { return FListeners->Count(); }
  TvxContainerStyle* Listeners(Integer Index) const { return static_cast<TvxContainerStyle*>(FListeners->Items(Index)); }

  TNotifyEvent OnStyleChanged;

 private:
  bool FIsDestruction = false;
  bool FIsFontScaled = false;
  std::unique_ptr<TList> FListeners;  // the base styles that use the controller (not owned)
  std::unique_ptr<TvxContainerStyles> FStyles;
};

// The computed drawing state of one container, filled by the container and read by
// painting.
class TvxContainerViewInfo : public TObject {
  DECLARE_CLASS(TvxContainerViewInfo, TObject)
 public:
  TvxContainerViewInfo() = default;
  virtual void PaintBorder(TvxCanvas* ACanvas, const TRect& R);
  virtual TvxContainerBorderStyle CurrentBorderStyle() { return BorderStyle; }
  virtual void DrawContainer(TvxCanvas* ACanvas);
  TColor BackgroundColor() const { return FBackgroundColor; }
  virtual void SetBackgroundColor(TColor Value) { FBackgroundColor = Value; }
  // Copies ClientRect from another view info.
  virtual void Assign(TObject* Source);
  // The part to repaint when changing to AViewInfo: empty here.
  virtual std::unique_ptr<TvxRegion> GetUpdateRegion(TvxContainerViewInfo* AViewInfo);
  virtual void Offset(Integer DX, Integer DY);
  virtual void Paint(TvxCanvas* ACanvas) { DrawContainer(ACanvas); }

  TColor BorderColor = clBlack;
  TRect BorderRect{};
  TvxContainerBorderStyle BorderStyle = cbsNone;
  Integer BorderWidth = 0;
  TRect Bounds{};
  TRect ClientRect{};
  TvxContainerState ContainerState{csNormal};
  TvxBorders Edges;
  TvxContainerHotState HotState = chsNoHotTrack;
  Integer NativePart = 0;
  Integer NativeState = 0;
  bool NativeStyle = false;
  TvxCustomLookAndFeelPainterClass Painter = nullptr;
  bool Shadow = false;
  TvdThemedObjectType ThemedObjectType = totButton;

 protected:
  void DrawNativeContainer(TvxCanvas* ACanvas);
  void DrawClassicContainer(TvxCanvas* ACanvas);

 private:
  TColor FBackgroundColor = clBlack;
};

// The process-wide default style controller; nullptr until a unit stores one. A
// controller that is freed while it is the default clears it first.
TvxStyleController* GlobalContainerStyleController();
void SetGlobalContainerStyleController(TvxStyleController* Value);
