#include "ACLUtil.h"

#include <memory>

#include "SysUtils.h"

String TypeCaption(TQvAccessItem* Item) {
  switch (Item->AceType()) {
    case actAccessAllowed: return L"許可";
    case actAccessDenied: return L"拒否";
    default: return L"？？";
  }
}

Cardinal NormalizedMask(Cardinal Mask) { return Mask & 0xF01FF; }

String MaskPermissionCaption(Cardinal Mask, String& Caption, bool Compat) {
  Caption.clear();
  const Cardinal m = NormalizedMask(Mask);
  if (!Compat) {
    switch (m) {
      case 0: Caption = L"なし"; return L"-";
      case 0x116: Caption = L"書き込み"; return L"W";
      case 0x20089: Caption = L"読み取り"; return L"R";
      case 0x200A9: Caption = L"読み取りと実行"; return L"R";
      case 0x201BF: Caption = L"読み取り・書き込みと実行"; return L"#";
      case 0x301BF: Caption = L"変更"; return L"C";
      case 0xF01FF: Caption = L"フルコントロール"; return L"F";
      default: Caption = L"特殊"; return L"#";
    }
  }
  struct TLevel {
    Cardinal Mask;
    const wchar_t* Caption;
    const wchar_t* Symbol;
  };
  // Compat mode: the first level whose bits the mask holds decides.
  static const TLevel kLevels[] = {
      {0x301BF, L"変更", L"C"},
      {0x201BF, L"読み取り・書き込みと実行", L"M"},
      {0x200A9, L"読み取りと実行", L"X"},
  };
  if (m == 0xF01FF) { Caption = L"フルコントロール"; return L"F"; }
  for (const TLevel& level : kLevels) {
    if ((m & level.Mask) == level.Mask) {
      Caption = level.Caption;
      if (m == level.Mask) return level.Symbol;
      Caption += L"+";
      return String(level.Symbol) + L"+";
    }
  }
  if (m == 0x20089) { Caption = L"読み取り"; return L"R"; }
  if ((m & 0x116) == 0x116) {
    Caption = m == 0x116 ? L"書き込み" : L"書き込み+";
    return m == 0x116 ? L"W" : L"W+";
  }
  if (m != 0) { Caption = L"特殊"; return L"#"; }
  Caption = L"なし";
  return L"-";
}

String PermissionCaption(TQvAccessItem* Item, String& Symbol, bool Compat) {
  Symbol.clear();
  String caption;
  Symbol = MaskPermissionCaption(Item->Mask(), caption, Compat);
  return caption;
}

String ApplyToCaption(TQvAccessItem* Item, String& Symbol, bool Compat) {
  Symbol.clear();
  const TQvAceFlags flags = Item->Flags();
  const Byte k = QvAceFlagsByte(flags) & 0xE7;
  const bool np = flags.Contains(acfNoPropagate);
  String caption;
  switch (k) {
    case 0: caption = L"このフォルダのみ"; break;
    case 1: caption = L"このフォルダとファイル"; Symbol = L"(OI)"; break;
    case 2: caption = L"このフォルダとサブフォルダ"; Symbol = L"(CI)"; break;
    case 3: caption = L"このフォルダ、サブフォルダおよびファイル"; Symbol = L"(OI)(CI)"; break;
    case 5: caption = L"ファイルのみ"; Symbol = L"(OI)(IO)"; break;
    case 6: caption = L"サブフォルダのみ"; Symbol = L"(CI)(IO)"; break;
    case 7: caption = L"サブフォルダとファイルのみ"; Symbol = L"(OI)(CI)(IO)"; break;
    default: caption = L"？？？"; break;
  }
  if (np) {
    caption += L"(NP)";
    Symbol += L"(NP)";
  }
  if (Compat) {
    switch (k) {
      case 1: caption = np ? L"このフォルダとファイル(このフォルダ直下のみ)" : L"このフォルダとファイル(このフォルダ以下全て)"; break;
      case 2: caption = np ? L"このフォルダとサブフォルダ(このフォルダ直下のみ)" : L"このフォルダとサブフォルダ(このフォルダ以下全て)"; break;
      case 3: caption = np ? L"このフォルダ、サブフォルダおよびファイル(このフォルダ直下のみ)" : L"このフォルダ、サブフォルダおよびファイル(このフォルダ以下全て)"; break;
      case 5: caption = np ? L"ファイル(このフォルダ直下のみ)" : L"ファイルのみ（サブフォルダ以下すべて）"; break;
      case 6: caption = np ? L"サブフォルダ(このフォルダ直下のみ)" : L"サブフォルダのみ（サブフォルダ以下すべて）"; break;
      case 7: caption = np ? L"サブフォルダとファイル(このフォルダ直下のみ)" : L"サブフォルダとファイルのみ(サブフォルダ以下すべて)"; break;
      default: break;
    }
  }
  return caption;
}

String InheritedFrom(TQvAccessItem* Item, const String& Folder) {
  if (!Item->Flags().Contains(acfInherited)) return L"(継承なし)";
  String result = Folder;
  String current = Folder;
  for (;;) {
    const String parent = ExtractFileDir(current);
    if (parent == current) return current;
    auto security = std::make_unique<TQvNTFileSecurity>(parent);
    auto list = std::make_unique<TQvAccessList>();
    security->GetAccessList(list.get(), String());
    bool matched = false;
    for (Integer i = 0; i < list->Count(); ++i) {
      TQvAccessItem* entry = list->Get(i);
      if (entry->AceType() == Item->AceType() && entry->Sid() == Item->Sid() &&
          entry->Mask() == Item->Mask()) {
        matched = true;
        result = parent;
        if (!entry->Flags().Contains(acfInherited)) return parent;
      }
    }
    if (!matched) return result;
    current = parent;
  }
}
