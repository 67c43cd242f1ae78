#include "vxPC.h"

#include <algorithm>
#include <cmath>

#include "Forms.h"
#include "Streaming.h"
#include "vdThemeManager.h"
#include "vdUxTheme.h"
#include "vdCore.h"
#include "vxClasses.h"
#include "vxImageList.h"
#include "vxPCConsts.h"
#include "vxPCInternal.h"

using namespace vxPCDetail;

// =======================================================================================
// TvxPCGoDialog

TvxPCGoDialog::TvxPCGoDialog(TvxCustomTabControl* AOwner) : TPopupMenu(AOwner), FTabControl(AOwner) {}

void TvxPCGoDialog::BuildItems(bool ASortItems) {
  TStringList list;
  TvxVisibleTabList* visible = FTabControl->VisibleTabList();
  for (Integer v = 0; v < visible->Count(); ++v) {
    TvxTab* tab = visible->GetTab(v);
    if (tab->RealEnabled()) list.AddObject(vxStripAccelChars(tab->Caption(), false), tab);
  }
  list.SetSorted(ASortItems);
  SetImages(FTabControl->Images());
  Items()->Clear();
  for (Integer i = 0; i < list.Count(); ++i) {
    auto* tab = static_cast<TvxTab*>(list.Objects(i));
    auto* item = new TMenuItem(this);
    item->SetCaption(tab->Caption());
    item->SetTag(tab->Index());
    const bool selected = tab->Index() == FTabControl->TabIndex();
    item->SetChecked(selected);
    item->SetDefault(selected);
    item->SetImageIndex(FTabControl->GetTabImageIndex(tab->Index()));
    item->OnClick = [this](TObject* Sender) { ItemClick(Sender); };
    Items()->Add(item);
  }
}

void TvxPCGoDialog::Popup(bool ASortItems) {
  BuildItems(ASortItems);
  const TRect b = FTabControl->Painter()->GetGoDialogButtonBounds();
  POINT p{b.left, b.bottom};
  if (FTabControl->HandleAllocated()) ClientToScreen(FTabControl->Handle(), &p);
  TPopupMenu::Popup(p.x, p.y);
}

void TvxPCGoDialog::ItemClick(TObject* Sender) {
  if (OnClick) OnClick(static_cast<Integer>(static_cast<TMenuItem*>(Sender)->Tag()));
}
