// The fixed-position edit mask: one item per character position, and the fitting of typed
// or pasted text into those positions.
#pragma once

#include <memory>
#include <vector>

#include "SysUtils.h"

enum TvxCaseControl { ccUpperCase, ccLowerCase, ccUserCase };

class TvxStandardMaskCustomItem {
 public:
  virtual ~TvxStandardMaskCustomItem() = default;
  // True when the position takes AChar; an input position also converts AChar's case.
  virtual bool Check(Char& AChar) const = 0;
};

class TvxStandardMaskLiteralItem : public TvxStandardMaskCustomItem {
 public:
  explicit TvxStandardMaskLiteralItem(Char ALiteral) : FLiteral(ALiteral) {}
  bool Check(Char& AChar) const override { return AChar == FLiteral; }
  Char Literal() const { return FLiteral; }

 private:
  Char FLiteral;
};

class TvxStandardMaskManyItem : public TvxStandardMaskCustomItem {
 public:
  TvxStandardMaskManyItem(TvxCaseControl ACaseControl, bool AOptional)
      : FCaseControl(ACaseControl), FOptional(AOptional) {}
  // Decides on the character typed, then converts it by the case control (ASCII letters
  // only), accepted or not.
  bool Check(Char& AChar) const final;
  bool Optional() const { return FOptional; }

 protected:
  virtual bool Accepts(Char AChar) const = 0;

 private:
  TvxCaseControl FCaseControl;
  bool FOptional;
};

class TvxStandardMaskAlphaItem : public TvxStandardMaskManyItem {
 public:
  using TvxStandardMaskManyItem::TvxStandardMaskManyItem;

 protected:
  bool Accepts(Char AChar) const override;
};

class TvxStandardMaskAlphaNumericItem : public TvxStandardMaskManyItem {
 public:
  using TvxStandardMaskManyItem::TvxStandardMaskManyItem;

 protected:
  bool Accepts(Char AChar) const override;
};

class TvxStandardMaskNumericItem : public TvxStandardMaskManyItem {
 public:
  using TvxStandardMaskManyItem::TvxStandardMaskManyItem;

 protected:
  bool Accepts(Char AChar) const override { return AChar >= L'0' && AChar <= L'9'; }
};

class TvxStandardMaskNumericSymbolItem : public TvxStandardMaskManyItem {
 public:
  using TvxStandardMaskManyItem::TvxStandardMaskManyItem;

 protected:
  bool Accepts(Char AChar) const override {
    return (AChar >= L'0' && AChar <= L'9') || AChar == L'+' || AChar == L'-';
  }
};

class TvxStandardMaskASCIIItem : public TvxStandardMaskManyItem {
 public:
  using TvxStandardMaskManyItem::TvxStandardMaskManyItem;

 protected:
  bool Accepts(Char) const override { return true; }
};

class TvxStandardMask {
 public:
  TvxStandardMask() = default;

  void Compile(const String& AMask);
  // Fits AText into the positions and returns (and leaves in AText) the full positional
  // text: its length is always Count.
  String Format(String& AText, bool AChangeCharCase = true, bool AMatchForBlanksAndLiterals = false) const;
  // Turns a full positional text into the value text.
  String Format2(String& AText) const;
  bool IsValid(const String& AText) const;
  bool IsFullValid(const String& AText) const;

  String EmptyString() const;
  String FullEmptyString() const;

  Char Blank() const { return FBlank; }
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  const TvxStandardMaskCustomItem& Items(Integer AIndex) const { return *FItems[static_cast<size_t>(AIndex)]; }
  bool IsLiteral(Integer AIndex) const;
  bool Leading() const { return FLeading; }
  const String& Mask() const { return FMask; }
  bool SaveLiteralCharacters() const { return FSaveLiteralCharacters; }

 private:
  void Clear();

  Char FBlank = L'_';
  std::vector<std::unique_ptr<TvxStandardMaskCustomItem>> FItems;
  bool FLeading = false;
  bool FSaveLiteralCharacters = true;
  String FMask;
};
