// Captions of one access item as the main window's entry list shows them.
#pragma once

#include "QvNTSecurityUnit.h"

// "許可", "拒否", or "？？" for the audit types.
String TypeCaption(TQvAccessItem* Item);
// The permission caption of Item's mask; Symbol receives its symbol.
String PermissionCaption(TQvAccessItem* Item, String& Symbol, bool Compat);
// The symbol of Mask's permission level; Caption receives the caption. Compat mode reads
// a mask above a level as that level with "+".
String MaskPermissionCaption(Cardinal Mask, String& Caption, bool Compat);
// The applies-to caption of Item's flags; Symbol receives the flag symbols ("(OI)(CI)").
String ApplyToCaption(TQvAccessItem* Item, String& Symbol, bool Compat);
// The folder an inherited entry comes from (read from the ancestors' DACLs), or
// "(継承なし)" for an explicit entry.
String InheritedFrom(TQvAccessItem* Item, const String& Folder);
// Mask AND 0xF01FF.
Cardinal NormalizedMask(Cardinal Mask);
