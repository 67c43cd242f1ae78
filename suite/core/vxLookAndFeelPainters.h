// Painters: stateless classes through which the suite's controls draw their standard
// elements. Each painter class is one object whose virtual methods are the class's
// operations; a painter class reference points at that object. This unit also keeps
// the registry of further painters added by name (extended styles such as skins).
#pragma once

#include <vector>

#include "SysInit.h"
#include "System.h"
#include "vxClasses.h"

enum TvxLookAndFeelStyle { lfsFlat, lfsStandard, lfsUltraFlat, lfsNative, lfsOffice11 };

class TvxCustomLookAndFeelPainter;
// A painter class reference.
using TvxCustomLookAndFeelPainterClass = const TvxCustomLookAndFeelPainter*;

class TvxCustomLookAndFeelPainter : public TObject {
  DECLARE_CLASS(TvxCustomLookAndFeelPainter, TObject)
 public:
  // The class's one object.
  static TvxCustomLookAndFeelPainterClass Instance();
  virtual TvxLookAndFeelStyle LookAndFeelStyle() const { return lfsStandard; }

 protected:
  TvxCustomLookAndFeelPainter() = default;
};

class TvxStandardLookAndFeelPainter : public TvxCustomLookAndFeelPainter {
  DECLARE_CLASS(TvxStandardLookAndFeelPainter, TvxCustomLookAndFeelPainter)
 public:
  static TvxCustomLookAndFeelPainterClass Instance();
  TvxLookAndFeelStyle LookAndFeelStyle() const override { return lfsStandard; }

 protected:
  TvxStandardLookAndFeelPainter() = default;
};

class TvxFlatLookAndFeelPainter : public TvxCustomLookAndFeelPainter {
  DECLARE_CLASS(TvxFlatLookAndFeelPainter, TvxCustomLookAndFeelPainter)
 public:
  static TvxCustomLookAndFeelPainterClass Instance();
  TvxLookAndFeelStyle LookAndFeelStyle() const override { return lfsFlat; }

 protected:
  TvxFlatLookAndFeelPainter() = default;
};

class TvxUltraFlatLookAndFeelPainter : public TvxCustomLookAndFeelPainter {
  DECLARE_CLASS(TvxUltraFlatLookAndFeelPainter, TvxCustomLookAndFeelPainter)
 public:
  static TvxCustomLookAndFeelPainterClass Instance();
  TvxLookAndFeelStyle LookAndFeelStyle() const override { return lfsUltraFlat; }

 protected:
  TvxUltraFlatLookAndFeelPainter() = default;
};

class TvxOffice11LookAndFeelPainter : public TvxUltraFlatLookAndFeelPainter {
  DECLARE_CLASS(TvxOffice11LookAndFeelPainter, TvxUltraFlatLookAndFeelPainter)
 public:
  static TvxCustomLookAndFeelPainterClass Instance();
  TvxLookAndFeelStyle LookAndFeelStyle() const override { return lfsOffice11; }

 protected:
  TvxOffice11LookAndFeelPainter() = default;
};

// Draws with the operating system's visual styles.
class TvxWinXPLookAndFeelPainter : public TvxStandardLookAndFeelPainter {
  DECLARE_CLASS(TvxWinXPLookAndFeelPainter, TvxStandardLookAndFeelPainter)
 public:
  static TvxCustomLookAndFeelPainterClass Instance();
  TvxLookAndFeelStyle LookAndFeelStyle() const override { return lfsNative; }

 protected:
  TvxWinXPLookAndFeelPainter() = default;
};

// Told whenever a painter is registered or unregistered.
class IvxLookAndFeelPainterListener {
 public:
  virtual ~IvxLookAndFeelPainterListener() = default;
  virtual void PainterChanged(TvxCustomLookAndFeelPainterClass APainter) = 0;
};

class TvxExtendedStylePainterInfo : public TObject {
  DECLARE_CLASS(TvxExtendedStylePainterInfo, TObject)
 public:
  // Owns AData.
  TvxExtendedStylePainterInfo(const String& AName, TvxCustomLookAndFeelPainterClass APainter, TObject* AData);
  ~TvxExtendedStylePainterInfo() override;
  TObject* Data = nullptr;
  String Name;
  TvxCustomLookAndFeelPainterClass Painter = nullptr;
};

// Painters registered by name, kept sorted by name; names are unique in any letter case.
class TvxExtendedStylePainters : public TvxObjectList {
  DECLARE_CLASS(TvxExtendedStylePainters, TvxObjectList)
 public:
  TvxExtendedStylePainters() : TvxObjectList(true) {}
  ~TvxExtendedStylePainters() override;
  void AddListener(IvxLookAndFeelPainterListener* AListener);
  void RemoveListener(IvxLookAndFeelPainterListener* AListener);
  // False, leaving AData with the caller, when the name is taken.
  bool Register(const String& AName, TvxCustomLookAndFeelPainterClass APainter, TObject* AData);
  bool Unregister(const String& AName);
  // APainter is left unchanged when the name is unknown.
  bool GetPainterByName(const String& AName, TvxCustomLookAndFeelPainterClass& APainter) const;
  bool GetNameByPainter(TvxCustomLookAndFeelPainterClass APainter, String& AName) const;
  bool GetPainterData(TvxCustomLookAndFeelPainterClass APainter, TObject*& AData) const;
  // Position of the name (any letter case), -1 when absent.
  Integer IndexOfName(const String& AName) const;
  TvxExtendedStylePainterInfo* PainterInfos(Integer Index) const {
    return static_cast<TvxExtendedStylePainterInfo*>(Items(Index));
  }
  String Names(Integer Index) const { return PainterInfos(Index)->Name; }
  TvxCustomLookAndFeelPainterClass Painters(Integer Index) const { return PainterInfos(Index)->Painter; }
  const std::vector<IvxLookAndFeelPainterListener*>& Listeners() const { return FListeners; }

 private:
  void NotifyListeners(TvxCustomLookAndFeelPainterClass APainter);
  std::vector<IvxLookAndFeelPainterListener*> FListeners;
};

// The process-wide registry; nullptr outside the unit's lifetime.
TvxExtendedStylePainters* vxGlobalExtendedStylePainters();

extern const TUnitInfo vxLookAndFeelPaintersUnit;
