// Styles: components that may assign a background bitmap, a colour, a font and a text
// colour; styles objects that map painted-element indexes to styles, falling back to a
// style sheet; and the style repository that lists styles and sheets. Changes travel
// from a style to every styles object that holds it.
#pragma once

#include <memory>
#include <vector>

#include "Graphics.h"
#include "Persistent.h"
#include "Streaming.h"
#include "TypInfo.h"
#include "vxClasses.h"
#include "vxGraphics.h"

class TvxCustomStyle;
class TvxCustomStyleSheet;
class TvxCustomStyles;
class TvxStyleRepository;

enum TvxStyleValue { svBitmap, svColor, svFont, svTextColor };
ENUM_TYPEINFO(TvxStyleValue, svBitmap, svColor, svFont, svTextColor)
using TvxStyleValues = Set<TvxStyleValue, 8>;
SET_TYPEINFO(TvxStyleValues, TvxStyleValue)

class IvxStyleChangeListener {
 public:
  virtual ~IvxStyleChangeListener() = default;
  virtual void StyleUpdated(TvxCustomStyle* AStyle) = 0;
  virtual void StyleDetached(TvxCustomStyle* AStyle) = 0;
};

// Told when a font that default view params hand out changes. The suite core's control
// font listener has the same name, so this one lives in a namespace named after the unit.
namespace vxStyles {
class IvxFontListener {
 public:
  virtual ~IvxFontListener() = default;
  virtual void NotifyFontChanged(TObject* Sender, TFont* AFont) = 0;
};
}  // namespace vxStyles

class TvxCustomStyle : public TComponent {
  DECLARE_CLASS(TvxCustomStyle, TComponent)
 public:
  explicit TvxCustomStyle(TComponent* AOwner) : TComponent(AOwner) {}
  // The last listener is told that the style goes, until none is left; then the style
  // leaves its repository.
  ~TvxCustomStyle() override;
  virtual void Changed();
  virtual void AddListener(IvxStyleChangeListener* AListener);
  virtual void RemoveListener(IvxStyleChangeListener* AListener);
  virtual void RestoreDefaults() {}
  Integer Index() const;
  TvxStyleRepository* StyleRepository() const { return FStyleRepository; }
  void SetStyleRepository(TvxStyleRepository* Value);
  Integer ListenerCount() const { return static_cast<Integer>(FListeners.size()); }
  bool HasParent() const override { return FStyleRepository != nullptr; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;
  // Takes the repository from the reader's parent.
  void ReadState(TReader* Reader) override;

 private:
  friend class TvxStyleRepository;
  std::vector<IvxStyleChangeListener*> FListeners;  // not owned
  TvxStyleRepository* FStyleRepository = nullptr;
};
using TvxCustomStyleClass = TClass;

class TvxStyle : public TvxCustomStyle {
  DECLARE_CLASS(TvxStyle, TvxCustomStyle)
  PUBLISHED(TvxStyle)  // AssignedValues, Bitmap, Color, Font, TextColor (each only while assigned)
 public:
  explicit TvxStyle(TComponent* AOwner);
  ~TvxStyle() override;
  void Assign(TPersistent* Source) override;
  void RestoreDefaults() override;
  TvxStyleValues AssignedValues() const { return FAssignedValues; }
  void SetAssignedValues(TvxStyleValues Value);
  TBitmap* Bitmap() const { return FBitmap.get(); }
  void SetBitmap(TBitmap* Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  TFont* Font() const { return FFont.get(); }
  void SetFont(TFont* Value);
  TColor TextColor() const { return FTextColor; }
  void SetTextColor(TColor Value);
  // After reading, the font height is scaled with the repository.
  void ReadState(TReader* Reader) override;

 private:
  void BitmapChanged(TObject* Sender);
  void FontChanged(TObject* Sender);
  TvxStyleValues FAssignedValues;
  std::unique_ptr<TBitmap> FBitmap;
  TColor FColor = clDefault;
  std::unique_ptr<TFont> FFont;
  TColor FTextColor = clDefault;
};

class TvxCustomStylesItem : public TObject {
  DECLARE_CLASS(TvxCustomStylesItem, TObject)
 public:
  Integer Index = 0;
  TvxCustomStyle* Item = nullptr;
};

class TvxCustomStyles : public TvxInterfacedPersistent, public IvxStyleChangeListener {
  DECLARE_CLASS(TvxCustomStyles, TvxInterfacedPersistent)
 public:
  explicit TvxCustomStyles(TPersistent* AOwner);
  ~TvxCustomStyles() override;
  void Assign(TPersistent* Source) override;
  // Called for every index whose resolved style may have changed; the control styles
  // classes relayout or repaint their control.
  virtual void StyleChanged(Integer AIndex) {}
  virtual void NotifyStyleChanged(Integer AIndex);
  void StyleUpdated(TvxCustomStyle* AStyle) override;
  void StyleDetached(TvxCustomStyle* AStyle) override;

  TvxCustomStyle* FindStyle(Integer AIndex) const;
  void PutStyle(Integer AIndex, TvxCustomStyle* AStyle);
  TvxCustomStyle* GetIndexedStyle(Integer AIndex) const { return FindStyle(AIndex); }
  void SetIndexedStyle(Integer AIndex, TvxCustomStyle* AStyle) { PutStyle(AIndex, AStyle); }
  void ResetStyles();
  bool IsValidStyleSheet(TvxCustomStyleSheet* ASheet) const;
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  const TvxCustomStylesItem& Items(Integer Index) const { return *FItems.at(static_cast<size_t>(Index)); }
  TvxCustomStyleSheet* StyleSheet() const { return FStyleSheet; }
  void SetStyleSheet(TvxCustomStyleSheet* Value);
  TvxCustomStyleSheet* OwnerStyleSheet() const { return FOwnerStyleSheet; }
  bool Destroying() const { return FDestroying; }

 private:
  friend class TvxCustomStyleSheet;
  // Position of the index's item, or where it would go.
  bool Find(Integer AIndex, size_t& APos) const;
  void DeleteItem(size_t APos);
  void CollectIndexes(TvxCustomStyleSheet* ASheet, std::vector<Integer>& AIndexes) const;
  bool FDestroying = false;
  std::vector<std::unique_ptr<TvxCustomStylesItem>> FItems;  // sorted by Index
  TvxCustomStyleSheet* FStyleSheet = nullptr;
  TvxCustomStyleSheet* FOwnerStyleSheet = nullptr;
};
using TvxCustomStylesClass = TClass;

class TvxStyles : public TvxCustomStyles, public vxStyles::IvxFontListener {
  DECLARE_CLASS(TvxStyles, TvxCustomStyles)
 public:
  using TvxCustomStyles::TvxCustomStyles;
  virtual void GetDefaultViewParams(Integer AIndex, TObject* AData, TvxViewParams& AParams);
  virtual bool UsesDefaultFont(Integer AIndex);
  // The view params of an element: AStyle's assigned values first, then the index's
  // style, then the defaults of GetDefaultViewParams.
  void GetViewParams(Integer AIndex, TObject* AData, TvxStyle* AStyle, TvxViewParams& AParams);
  TBitmap* GetBitmap(Integer AIndex);
  void NotifyFontChanged(TObject* Sender, TFont* AFont) override;
  Integer MaxDefaultViewParamsIndex() const { return FMaxDefaultViewParamsIndex; }
  bool BitmapInViewParams = false;

 private:
  Integer FMaxDefaultViewParamsIndex = 0;
};

class TvxCustomStyleSheet : public TvxComponent {
  DECLARE_CLASS(TvxCustomStyleSheet, TvxComponent)
  PUBLISHED(TvxCustomStyleSheet)  // Caption (when not empty); "BuiltIn" is written by DefineProperties
 public:
  explicit TvxCustomStyleSheet(TComponent* AOwner) : TvxComponent(AOwner) {}
  ~TvxCustomStyleSheet() override;
  virtual TvxCustomStylesClass GetStylesClass() const { return TvxCustomStyles::StaticClass(); }
  void Assign(TPersistent* Source) override;
  void CopyFrom(TvxCustomStyleSheet* ASheet);
  String Caption() const;
  void SetCaption(const String& Value);
  bool BuiltIn() const { return FBuiltIn; }
  void SetBuiltIn(bool Value) { FBuiltIn = Value; }
  // The sheet's own styles, created (from GetStylesClass) on first use.
  TvxCustomStyles* Styles();
  Integer Index() const;
  TvxStyleRepository* StyleRepository() const { return FStyleRepository; }
  void SetStyleRepository(TvxStyleRepository* Value);
  Integer UserCount() const { return static_cast<Integer>(FUsers.size()); }
  bool HasParent() const override { return FStyleRepository != nullptr; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;
  void NotifyStylesUsers(Integer AIndex);
  void DefineProperties(TFiler* Filer) override;
  void ReadState(TReader* Reader) override;

 protected:
  void CollectLinkedComponents(TList* AList) override;

 private:
  friend class TvxCustomStyles;
  friend class TvxStyleRepository;
  bool FBuiltIn = false;
  String FCaption;
  std::unique_ptr<TvxCustomStyles> FStyles;
  std::vector<TvxCustomStyles*> FUsers;  // not owned
  TvxStyleRepository* FStyleRepository = nullptr;
};
using TvxCustomStyleSheetClass = TClass;

class TvxStyleRepository : public TComponent {
  DECLARE_CLASS(TvxStyleRepository, TComponent)
  PUBLISHED(TvxStyleRepository)  // Scalable; "PixelsPerInch" is written by DefineProperties
 public:
  explicit TvxStyleRepository(TComponent* AOwner) : TComponent(AOwner) {}
  ~TvxStyleRepository() override;
  virtual TvxCustomStyle* CreateItem(TvxCustomStyleClass AStyleClass) { return CreateItemEx(AStyleClass, this); }
  virtual TvxCustomStyle* CreateItemEx(TvxCustomStyleClass AStyleClass, TComponent* AOwner);
  virtual TvxCustomStyleSheet* CreateStyleSheet(TvxCustomStyleSheetClass AStyleSheetClass) {
    return CreateStyleSheetEx(AStyleSheetClass, this);
  }
  virtual TvxCustomStyleSheet* CreateStyleSheetEx(TvxCustomStyleSheetClass AStyleSheetClass, TComponent* AOwner);
  void Clear();
  void ClearStyleSheets();
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  TvxCustomStyle* Items(Integer Index) const { return FItems.at(static_cast<size_t>(Index)); }
  Integer StyleSheetCount() const { return static_cast<Integer>(FStyleSheets.size()); }
  TvxCustomStyleSheet* StyleSheets(Integer Index) const { return FStyleSheets.at(static_cast<size_t>(Index)); }
  Integer StyleIndexOf(TvxCustomStyle* AStyle) const;
  Integer StyleSheetIndexOf(TvxCustomStyleSheet* ASheet) const;
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
  // H scaled from the stored pixels per inch to the screen's, when Scalable.
  Integer ScaleFontHeight(Integer H) const;
  void DefineProperties(TFiler* Filer) override;
  bool GetScalable() const { return Scalable; }
  void SetScalable(bool Value) { Scalable = Value; }
  Integer PixelsPerInch = 0;
  bool Scalable = false;

 private:
  friend class TvxCustomStyle;
  friend class TvxCustomStyleSheet;
  std::vector<TvxCustomStyle*> FItems;             // not owned: their owner frees them
  std::vector<TvxCustomStyleSheet*> FStyleSheets;  // not owned
};

extern const TUnitInfo vxStylesUnit;
