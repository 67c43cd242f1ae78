#include <gtest/gtest.h>

#include <memory>

#include "ActnList.h"
#include "ComCtrls.h"
#include "Dialogs.h"
#include "ExtCtrls.h"
#include "FormsTestSupport.h"
#include "ImgList.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "Streaming.h"

namespace ZS_UNITY_ID {

using namespace zs_test;

namespace {

// A form as a designer saves it: every library control with the properties a designer
// sets on it, the non-visual components after the controls. It is read by the classes
// the units registered, and written back unchanged.
const wchar_t* const DesignedFormText =
    LR"(object DesignedForm: TDesignedForm
  Left = 80
  Top = 60
  Color = clBtnFace
  Constraints.MinHeight = 300
  Constraints.MinWidth = 400
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -12
  Font.Name = 'Tahoma'
  Font.Style = []
  Hint = 'The whole form'
  ShowHint = True
  ActiveControl = NameEdit
  Caption = 'Every control'
  ClientHeight = 621
  ClientWidth = 604
  Menu = MainMenu
  PixelsPerInch = 96
  Position = poDesigned
  OnCreate = FormCreate
  object NameLabel: TLabel
    Left = 8
    Top = 12
    Width = 30
    Height = 13
    Cursor = crHandPoint
    Hint = 'Type your name'
    Caption = '&Name:'
    FocusControl = NameEdit
  end
  object NameEdit: TEdit
    Left = 76
    Top = 8
    Width = 160
    Height = 21
    Anchors = [akLeft, akTop, akRight]
    Color = clInfoBk
    PopupMenu = EditMenu
    TabOrder = 0
    OnEnter = FieldEnter
    Text = 'Somebody'
    OnChange = NameChange
  end
  object OkButton: TButton
    Left = 520
    Top = 588
    Width = 75
    Height = 25
    Anchors = [akRight, akBottom]
    Hint = 'Closes the form'
    ParentShowHint = False
    ShowHint = False
    OnClick = OkClick
    TabOrder = 1
    Caption = 'OK'
    Default = True
    ModalResult = 1
  end
  object NotesMemo: TMemo
    Left = 8
    Top = 40
    Width = 228
    Height = 90
    Font.Charset = DEFAULT_CHARSET
    Font.Color = clNavy
    Font.Height = -13
    Font.Name = 'Courier New'
    Font.Style = [fsBold]
    ParentFont = False
    TabOrder = 2
    Lines.Strings = (
      'First line'
      'Second line')
    ScrollBars = ssVertical
  end
  object ChoiceList: TListBox
    Left = 244
    Top = 8
    Width = 120
    Height = 122
    Enabled = False
    OnDblClick = ListDblClick
    TabOrder = 3
    ItemHeight = 13
    Items.Strings = (
      'One'
      'Two'
      'Three')
  end
  object Slider: TScrollBar
    Left = 8
    Top = 140
    Width = 356
    Height = 17
    TabOrder = 4
    Max = 50
    Position = 10
  end
  object Options: TGroupBox
    Left = 372
    Top = 8
    Width = 224
    Height = 122
    TabOrder = 5
    Caption = 'Options'
    object InnerButton: TButton
      Left = 12
      Top = 24
      Width = 90
      Height = 25
      DragMode = dmAutomatic
      TabOrder = 0
      Caption = 'Inner'
    end
  end
  object Bottom: TPanel
    Left = 0
    Top = 572
    Width = 604
    Height = 49
    Align = alBottom
    TabOrder = 6
    BevelOuter = bvLowered
    Caption = 'Status'
    object Picture: TImage
      Left = 4
      Top = 4
      Width = 40
      Height = 40
      Visible = False
      Stretch = True
    end
    object Status: TStatusBar
      Left = 1
      Top = 29
      Width = 602
      Height = 19
      TabOrder = 0
      Panels = <
        item
          Text = 'Ready'
          Width = 120
        end
        item
          Alignment = taRightJustify
          Text = '3 items'
          Width = 80
        end>
    end
  end
  object Divider: TSplitter
    Left = 0
    Top = 569
    Width = 604
    Height = 3
    Align = alBottom
    Cursor = crVSplit
    MinSize = 40
  end
  object Frame: TBevel
    Left = 8
    Top = 164
    Width = 356
    Height = 2
    Shape = bsTopLine
  end
  object Sketch: TPaintBox
    Left = 8
    Top = 172
    Width = 100
    Height = 60
    Color = clYellow
    ParentColor = False
    OnPaint = SketchPaint
  end
  object Tree: TTreeView
    Left = 116
    Top = 172
    Width = 248
    Height = 190
    Anchors = [akLeft, akTop, akBottom]
    TabOrder = 7
    Images = Icons
  end
  object Files: TListView
    Left = 372
    Top = 140
    Width = 224
    Height = 222
    Anchors = [akLeft, akTop, akRight, akBottom]
    TabOrder = 8
    Columns = <
      item
        Caption = 'Name'
        Width = 120
      end
      item
        Alignment = taRightJustify
        Caption = 'Size'
      end>
    ViewStyle = vsReport
  end
  object Agree: TCheckBox
    Left = 8
    Top = 372
    Width = 120
    Height = 17
    TabOrder = 9
    Caption = 'I &agree'
    Checked = True
  end
  object Undecided: TCheckBox
    Left = 8
    Top = 392
    Width = 120
    Height = 17
    TabOrder = 10
    AllowGrayed = True
    Caption = 'Maybe'
    State = cbGrayed
  end
  object SmallSize: TRadioButton
    Left = 136
    Top = 372
    Width = 113
    Height = 17
    TabOrder = 11
    Caption = 'Small'
  end
  object LargeSize: TRadioButton
    Left = 136
    Top = 392
    Width = 113
    Height = 17
    TabOrder = 12
    Alignment = taLeftJustify
    Caption = 'Large'
    Checked = True
  end
  object Sizes: TComboBox
    Left = 260
    Top = 372
    Width = 145
    Height = 21
    TabOrder = 13
    Style = csDropDownList
    Items.Strings = (
      'Small'
      'Large')
    ItemIndex = 1
    OnChange = NameChange
  end
  object Kinds: TTabControl
    Left = 8
    Top = 416
    Width = 280
    Height = 60
    TabOrder = 14
    Tabs.Strings = (
      'Files'
      'Folders')
    TabIndex = 0
  end
  object Pages: TPageControl
    Left = 296
    Top = 416
    Width = 300
    Height = 140
    TabOrder = 15
    ActivePage = SecondSheet
    object FirstSheet: TTabSheet
      Caption = 'General'
      object SheetEdit: TEdit
        Left = 8
        Top = 8
        Width = 121
        Height = 21
        TabOrder = 0
      end
    end
    object SecondSheet: TTabSheet
      Caption = 'Details'
      ImageIndex = 1
    end
    object HiddenSheet: TTabSheet
      Caption = 'Hidden'
      TabVisible = False
    end
  end
  object MainMenu: TMainMenu
    Images = Icons
    object FileItem: TMenuItem
      Caption = '&File'
      object OpenItem: TMenuItem
        Caption = '&Open...'
        ShortCut = 16463
        OnClick = OpenExecute
      end
    end
  end
  object EditMenu: TPopupMenu
    object CopyItem: TMenuItem
      Caption = '&Copy'
      ShortCut = 16451
    end
  end
  object Icons: TImageList
  end
  object Actions: TActionList
    Images = Icons
    object OpenAction: TAction
      Caption = '&Open...'
      ShortCut = 16463
      OnExecute = OpenExecute
      OnUpdate = OpenUpdate
    end
  end
  object Ticker: TTimer
    Enabled = False
    Interval = 250
    OnTimer = TickerTimer
  end
  object OpenFile: TOpenDialog
    Filter = 'Text|*.txt'
  end
  object SaveFile: TSaveDialog
    DefaultExt = 'txt'
  end
end
)";

class TDesignedForm : public TForm {
  DECLARE_CLASS(TDesignedForm, TForm)
  PUBLISHED(TDesignedForm)

 public:
  explicit TDesignedForm(TComponent* AOwner) : TForm(AOwner) {}
  int Created = 0;
  int Updates = 0;
  int Clicks = 0;
  void FormCreate(TObject*) { ++Created; }
  void NameChange(TObject*) {}
  void FieldEnter(TObject*) {}
  void OkClick(TObject*) { ++Clicks; }
  void ListDblClick(TObject*) {}
  void SketchPaint(TObject*) {}
  void OpenExecute(TObject*) {}
  void OpenUpdate(TObject*) { ++Updates; }
  void TickerTimer(TObject*) {}
  template <class T> T* Find(const wchar_t* Name) { return dynamic_cast<T*>(FindComponent(Name)); }
};

void TDesignedForm::DeclarePublished(TPublisher<TDesignedForm>& P) {
  using C = TDesignedForm;
  P.Method(L"FormCreate", &C::FormCreate);
  P.Method(L"NameChange", &C::NameChange);
  P.Method(L"FieldEnter", &C::FieldEnter);
  P.Method(L"OkClick", &C::OkClick);
  P.Method(L"ListDblClick", &C::ListDblClick);
  P.Method(L"SketchPaint", &C::SketchPaint);
  P.Method(L"OpenExecute", &C::OpenExecute);
  P.Method(L"OpenUpdate", &C::OpenUpdate);
  P.Method(L"TickerTimer", &C::TickerTimer);
}

// Lines that differ, for a readable failure.
std::wstring FirstDifference(const std::wstring& A, const std::wstring& B) {
  size_t a = 0, b = 0, line = 1;
  while (a < A.size() || b < B.size()) {
    size_t ea = A.find(L'\n', a), eb = B.find(L'\n', b);
    std::wstring la = A.substr(a, ea == std::wstring::npos ? std::wstring::npos : ea - a);
    std::wstring lb = B.substr(b, eb == std::wstring::npos ? std::wstring::npos : eb - b);
    if (la != lb) return L"line " + std::to_wstring(line) + L": '" + la + L"' / '" + lb + L"'";
    if (ea == std::wstring::npos || eb == std::wstring::npos) break;
    a = ea + 1;
    b = eb + 1;
    ++line;
  }
  return L"";
}

TEST(FormFiles, ADesignedFormWithEveryControlIsReadShownAndWrittenBackEqual) {
  RegisterClass(TDesignedForm::StaticClass());
  std::unique_ptr<TDesignedForm> form(new TDesignedForm(nullptr));
  TextToComponent(DesignedFormText, form.get());
  EXPECT_EQ(form->Created, 0);  // OnCreate belongs to the form's own creation

  // What was read took effect.
  auto* edit = form->Find<TEdit>(L"NameEdit");
  auto* ok = form->Find<TButton>(L"OkButton");
  auto* list = form->Find<TListBox>(L"ChoiceList");
  auto* memo = form->Find<TMemo>(L"NotesMemo");
  auto* label = form->Find<TLabel>(L"NameLabel");
  auto* inner = form->Find<TButton>(L"InnerButton");
  auto* open = form->Find<TMenuItem>(L"OpenItem");
  auto* action = form->Find<TAction>(L"OpenAction");
  ASSERT_TRUE(edit && ok && list && memo && label && inner && open && action);
  EXPECT_EQ(edit->Text(), L"Somebody");
  EXPECT_EQ(edit->Color(), clInfoBk);
  EXPECT_EQ(edit->PopupMenu(), form->FindComponent(L"EditMenu"));
  EXPECT_EQ(edit->Anchors(), (TAnchors{akLeft, akTop, akRight}));
  EXPECT_EQ(label->Cursor(), crHandPoint);
  EXPECT_EQ(label->FocusControl(), edit);
  EXPECT_FALSE(list->Enabled());
  EXPECT_EQ(list->Items()->Count(), 3);
  EXPECT_EQ(memo->Font()->Name(), L"Courier New");
  EXPECT_FALSE(memo->ParentFont());
  EXPECT_TRUE(form->ShowHint());
  EXPECT_TRUE(label->ShowHint());   // from the form
  EXPECT_FALSE(ok->ShowHint());
  EXPECT_EQ(inner->Parent(), form->FindComponent(L"Options"));
  EXPECT_EQ(inner->DragMode(), dmAutomatic);
  EXPECT_EQ(form->Constraints()->MinWidth(), 400);
  EXPECT_EQ(open->Caption(), L"&Open...");
  EXPECT_EQ(action->ActionList(), form->FindComponent(L"Actions"));

  // Shown, the controls have windows where the text put them.
  form->Show();
  Pump(100);
  EXPECT_TRUE(IsWindowVisible(edit->Handle()));
  RECT r;
  GetWindowRect(ok->Handle(), &r);
  MapWindowPoints(HWND_DESKTOP, form->Handle(), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.right, form->ClientWidth() - 9);
  EXPECT_EQ(r.bottom, form->ClientHeight() - 8);
  // The events were bound by name.
  ok->Click();
  EXPECT_EQ(form->Clicks, 1);
  EXPECT_EQ(form->ActiveControl(), edit);

  // The other standard controls show what was read, and take real clicks.
  auto* agree = form->Find<TCheckBox>(L"Agree");
  auto* undecided = form->Find<TCheckBox>(L"Undecided");
  auto* small = form->Find<TRadioButton>(L"SmallSize");
  auto* large = form->Find<TRadioButton>(L"LargeSize");
  auto* sizes = form->Find<TComboBox>(L"Sizes");
  auto* kinds = form->Find<TTabControl>(L"Kinds");
  auto* pages = form->Find<TPageControl>(L"Pages");
  auto* status = form->Find<TStatusBar>(L"Status");
  auto* files = form->Find<TListView>(L"Files");
  auto* first = form->Find<TTabSheet>(L"FirstSheet");
  auto* second = form->Find<TTabSheet>(L"SecondSheet");
  ASSERT_TRUE(agree && undecided && small && large && sizes && kinds && pages && status && files && first &&
              second);
  EXPECT_EQ(SendMessageW(agree->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(undecided->Handle(), BM_GETCHECK, 0, 0), BST_INDETERMINATE);
  EXPECT_EQ(SendMessageW(large->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(sizes->Handle(), CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(sizes->Text(), L"Large");
  EXPECT_EQ(SendMessageW(ListView_GetHeader(files->Handle()), HDM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(files->Column(1)->Alignment(), taRightJustify);
  EXPECT_EQ(SendMessageW(status->Handle(), SB_GETPARTS, 0, 0), 2);
  wchar_t text[64] = {};
  SendMessageW(status->Handle(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, L"Ready");
  EXPECT_EQ(TabCtrl_GetItemCount(kinds->Handle()), 2);
  EXPECT_EQ(TabCtrl_GetCurSel(kinds->Handle()), 0);
  EXPECT_EQ(TabCtrl_GetItemCount(pages->Handle()), 2) << "a hidden tab is not shown";
  EXPECT_EQ(TabCtrl_GetCurSel(pages->Handle()), 1);
  EXPECT_TRUE(IsWindowVisible(second->Handle()));
  EXPECT_FALSE(IsWindowVisible(first->Handle()));
  RECT display;
  GetClientRect(pages->Handle(), &display);
  TabCtrl_AdjustRect(pages->Handle(), FALSE, &display);
  EXPECT_EQ(second->Left(), display.left);
  EXPECT_EQ(second->Top(), display.top);
  EXPECT_EQ(second->Width(), display.right - display.left);

  auto clickCentre = [](HWND Wnd, RECT R) {
    POINT p{(R.left + R.right) / 2, (R.top + R.bottom) / 2};
    ClientToScreen(Wnd, &p);
    ClickAt(p);
    Pump(60);
  };
  RECT box;
  GetClientRect(agree->Handle(), &box);
  box.right = box.left + 12;  // on the box itself
  clickCentre(agree->Handle(), box);
  EXPECT_FALSE(agree->Checked());
  EXPECT_EQ(SendMessageW(agree->Handle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  GetClientRect(small->Handle(), &box);
  box.right = box.left + 12;
  clickCentre(small->Handle(), box);
  EXPECT_TRUE(small->Checked());
  EXPECT_FALSE(large->Checked()) << "one radio button of a parent is checked";
  EXPECT_EQ(SendMessageW(large->Handle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  RECT tab;
  TabCtrl_GetItemRect(pages->Handle(), 0, &tab);
  clickCentre(pages->Handle(), tab);
  EXPECT_EQ(pages->ActivePage(), first);
  EXPECT_TRUE(IsWindowVisible(first->Handle()));
  EXPECT_FALSE(IsWindowVisible(second->Handle()));
  // Put back what the clicks changed, so the text written below is the one read.
  agree->SetChecked(true);
  large->SetChecked(true);
  pages->SetActivePage(second);
  EXPECT_FALSE(small->Checked());
  edit->SetFocus();

  form->Hide();
  String expected;
  for (const wchar_t* p = DesignedFormText; *p; ++p) {
    if (*p == L'\n') expected += L'\r';
    expected += *p;
  }
  const String written = ComponentToText(form.get());
  EXPECT_EQ(written, expected) << FirstDifference(written, expected);
  UnRegisterClass(TDesignedForm::StaticClass());
}

TEST(FormFiles, ActionsAreUpdatedWhileTheProgramIsIdle) {
  std::unique_ptr<TForm> form(TCustomForm::Create<TForm>(nullptr));
  auto* list = new TActionList(form.get());
  auto* action = new TAction(form.get());
  action->SetActionList(list);
  int updates = 0;
  action->OnUpdate = [&](TObject*) { ++updates; };
  // Not while the form is hidden.
  Application->HandleMessage();
  EXPECT_EQ(updates, 0);
  form->Show();
  DWORD until = GetTickCount() + 2000;
  while (updates == 0 && static_cast<int>(until - GetTickCount()) > 0) Application->HandleMessage();
  EXPECT_GT(updates, 0);
  form->Hide();
  Pump(50);
}

TEST(FormFiles, ColourAndCursorPropertiesCarryTheirOwnTypes) {
  EXPECT_EQ(GetPropInfo(TControl::StaticClass(), L"Color")->PropType, TypeInfoColor());
  EXPECT_EQ(GetPropInfo(TControl::StaticClass(), L"Cursor")->PropType, TypeInfoCursor());
  EXPECT_EQ(GetPropInfo(TControl::StaticClass(), L"DragCursor")->PropType, TypeInfoCursor());
  EXPECT_EQ(GetPropInfo(TFont::StaticClass(), L"Color")->PropType, TypeInfoColor());
  EXPECT_EQ(GetPropInfo(TImageList::StaticClass(), L"BkColor")->PropType, TypeInfoColor());
  // Every library class a form file may name is registered by its unit.
  for (const wchar_t* name :
       {L"TForm", L"TLabel", L"TButton", L"TEdit", L"TMemo", L"TListBox", L"TScrollBar",
        L"TGroupBox", L"TPanel", L"TSplitter", L"TImage", L"TBevel", L"TPaintBox", L"TTimer",
        L"TTreeView", L"TListView", L"TMainMenu", L"TPopupMenu", L"TMenuItem", L"TImageList",
        L"TActionList", L"TAction", L"TOpenDialog", L"TSaveDialog"})
    EXPECT_NE(GetClass(name), nullptr) << name;
}

TEST(FormFiles, SizeConstraintsHoldTheControlsSize) {
  std::unique_ptr<TForm> form(TCustomForm::Create<TForm>(nullptr));
  auto* panel = new TPanel(form.get());
  panel->SetParent(form.get());
  panel->SetBounds(0, 0, 100, 100);
  panel->Constraints()->SetMaxWidth(80);
  EXPECT_EQ(panel->Width(), 80);  // the present size obeys new limits at once
  panel->Constraints()->SetMinHeight(120);
  EXPECT_EQ(panel->Height(), 120);
  panel->SetBounds(0, 0, 10, 500);
  EXPECT_EQ(panel->Width(), 10 < 80 ? 10 : 80);
  panel->Constraints()->SetMaxHeight(110);  // below the minimum: the minimum follows
  EXPECT_EQ(panel->Constraints()->MinHeight(), 110);
  EXPECT_EQ(panel->Height(), 110);
  panel->Constraints()->SetMinWidth(50);
  panel->SetBounds(0, 0, 10, 10);
  EXPECT_EQ(panel->Width(), 50);
  EXPECT_EQ(panel->Height(), 110);
}

}  // namespace

}  // namespace ZS_UNITY_ID
