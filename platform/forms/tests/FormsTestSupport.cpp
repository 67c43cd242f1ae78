#include "FormsTestSupport.h"

#include <memory>

namespace zs_test {

void TSwatch::DeclarePublished(TPublisher<TSwatch>& P) {
  P.Property(L"Align", &TControl::Align, &TControl::SetAlign).Default(alNone);
  P.Property(L"Anchors", &TControl::Anchors, &TControl::SetAnchors)
      .Default(TAnchors{akLeft, akTop});
  P.Property(L"Color", &TControl::Color, &TControl::SetColor);
  P.Property(L"ParentColor", &TControl::ParentColor, &TControl::SetParentColor).Default(true);
  P.Property(L"Font", &TControl::Font, &TControl::SetFont);
  P.Property(L"ParentFont", &TControl::ParentFont, &TControl::SetParentFont).Default(true);
  P.Property(L"Caption", &TControl::Caption, &TControl::SetCaption);
  P.Property(L"Visible", &TControl::Visible, &TControl::SetVisible).Default(true);
  P.Property(L"Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true);
  P.Property(L"TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder).Default(-1);
  P.Property(L"TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).Default(false);
  P.Property(L"OnClick", &TControl::OnClick);
  P.Property(L"OnMouseDown", &TControl::OnMouseDown);
  P.Property(L"OnMouseUp", &TControl::OnMouseUp);
  P.Property(L"OnKeyDown", &TWinControl::OnKeyDown);
  P.Property(L"OnKeyPress", &TWinControl::OnKeyPress);
  P.Property(L"OnEnter", &TWinControl::OnEnter);
  P.Property(L"OnExit", &TWinControl::OnExit);
}

void TDot::DeclarePublished(TPublisher<TDot>& P) {
  P.Property(L"Align", &TControl::Align, &TControl::SetAlign).Default(alNone);
  P.Property(L"Color", &TControl::Color, &TControl::SetColor);
  P.Property(L"ParentColor", &TControl::ParentColor, &TControl::SetParentColor).Default(true);
  P.Property(L"Visible", &TControl::Visible, &TControl::SetVisible).Default(true);
  P.Property(L"OnClick", &TControl::OnClick);
  P.Property(L"OnMouseDown", &TControl::OnMouseDown);
}

int ShowForeignForm() {
  std::unique_ptr<TForm> form(TCustomForm::Create<TForm>(nullptr));
  form->SetPosition(poDesigned);
  form->SetFormStyle(fsStayOnTop);
  form->SetBoundsRect(ForeignFormBounds);
  form->Show();
  // Ended by the test; gives up by itself after a minute should the test not end it.
  DWORD end = GetTickCount() + 60000;
  while (static_cast<int>(end - GetTickCount()) > 0) {
    Application->ProcessMessages();
    Sleep(10);
  }
  return 0;
}

}  // namespace zs_test
