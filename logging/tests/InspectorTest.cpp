// Object, property, collection, component and tree sends, read back through a capturing
// send hook.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "CaptureLogger.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "VantrelLogging.h"

namespace ZS_UNITY_ID {

using capture::TCapturingLogger;

namespace {

enum TLevel { lvZero, lvOne, lvTwo, lvThree, lvFour };
ENUM_TYPEINFO(TLevel, lvZero, lvOne, lvTwo, lvThree, lvFour)
using TLevels = Set<TLevel, 8>;

// A set over the subrange lvTwo..lvFour: its bits stand for the ordinals 2 to 4.
PTypeInfo UpperLevelsInfo() {
  static const PTypeInfo info = [] {
    auto* elem = new TTypeInfo;
    elem->Kind = tkEnumeration;
    elem->Name = L"TUpperLevel";
    elem->MinValue = lvTwo;
    elem->MaxValue = lvFour;
    elem->EnumNames = {L"lvTwo", L"lvThree", L"lvFour"};
    return MakeSetTypeInfo(L"TUpperLevels", elem);
  }();
  return info;
}

class TSample : public TPersistent {
  DECLARE_CLASS(TSample, TPersistent)
  PUBLISHED(TSample)
 public:
  TSample() { FFont.SetName(L"Tahoma"); FFont.SetSize(8); }
  String Caption;
  Integer Tag = 0;
  TAnchors Anchors{akLeft, akTop};
  TLevels Upper;
  TColor Color = clRed;
  char Initial = 'Z';
  TDateTime Stamp = 0;
  TSample* Next = nullptr;
  TNotifyEvent OnChange;
  TFont* Font() { return &FFont; }

 private:
  TFont FFont;
};

void TSample::DeclarePublished(TPublisher<TSample>& P) {
  using C = TSample;
  P.Property(L"Tag", &C::Tag);
  P.Property(L"Caption", &C::Caption);
  P.Property(L"Font", &C::Font);
  P.Property(L"Anchors", &C::Anchors);
  P.Property(L"Upper", &C::Upper).Type(UpperLevelsInfo());
  P.Property(L"Color", &C::Color).Type(TypeInfoColor());
  P.Property(L"Initial", &C::Initial);
  P.Property(L"Stamp", &C::Stamp).Type(TypeInfoDateTime());
  P.Property(L"Next", &C::Next);
  P.Property(L"OnChange", &C::OnChange);
}

class TPlain : public TObject {
  DECLARE_CLASS(TPlain, TObject)
};

class TRow : public TCollectionItem {
  DECLARE_CLASS(TRow, TCollectionItem)
  PUBLISHED(TRow)
 public:
  explicit TRow(TCollection* C) : TCollectionItem(C) {}
  String Title;
  Integer Width = 0;

 protected:
  String GetDisplayName() override { return Title.empty() ? TCollectionItem::GetDisplayName() : Title; }
};
void TRow::DeclarePublished(TPublisher<TRow>& P) {
  P.Property(L"Title", &TRow::Title);
  P.Property(L"Width", &TRow::Width);
}

std::vector<String> Without(const std::vector<String>& Lines, const String& Prefix) {
  std::vector<String> r;
  for (const String& l : Lines)
    if (l.rfind(Prefix, 0) != 0) r.push_back(l);
  return r;
}

}  // namespace

TEST(ObjectDump, PropertiesInNameOrderWithFontSetAndNestedLines) {
  TCapturingLogger cap;
  TSample s;
  s.Caption = L"Hello";
  s.Tag = 7;
  s.Initial = '\t';
  s.Upper = TLevels{lvThree};
  cap.Logger.Send(L"sample", &s);
  const auto& m = cap.Only();
  EXPECT_EQ(m.Type, vrmObject);
  EXPECT_EQ(m.Text, L"sample");
  EXPECT_EQ(m.TypeName, L"TSample");
  // Font's own lines are checked apart; what is left is every other property in order.
  const std::vector<String> expected = {
      L"Anchors=[TAnchors]", L"Anchors.akLeft=True", L"Anchors.akTop=True", L"Anchors.akRight=False",
      L"Anchors.akBottom=False", L"Caption=Hello", L"Color=clRed", L"Font=Tahoma, 8 , Normal", L"Initial=#9",
      L"Next=nil", L"Stamp=" + DateTimeToStr(0), L"Tag=7", L"Upper=[TUpperLevels]",
      // The subrange starts at ordinal 2: each line names the member whose bit is tested.
      L"Upper.lvTwo=False", L"Upper.lvThree=True", L"Upper.lvFour=False"};
  EXPECT_EQ(Without(m.Details, L"Font."), expected);
  // The font's lines follow its own line, prefixed with the property path.
  auto at = std::find(m.Details.begin(), m.Details.end(), L"Font=Tahoma, 8 , Normal");
  ASSERT_NE(at, m.Details.end());
  EXPECT_EQ(*(at + 1), L"Font.Charset=" + IntToStr(s.Font()->Charset()));
  EXPECT_NE(std::find(m.Details.begin(), m.Details.end(), L"Font.Name=Tahoma"), m.Details.end());
  EXPECT_NE(std::find(m.Details.begin(), m.Details.end(), L"Font.Style=[TFontStyles]"), m.Details.end());
  EXPECT_NE(std::find(m.Details.begin(), m.Details.end(), L"Font.Style.fsBold=False"), m.Details.end());
  // Method properties are not listed.
  for (const String& l : m.Details) EXPECT_EQ(l.find(L"OnChange"), String::npos) << l;
}

TEST(ObjectDump, FontStyleTextAndNestedObjects) {
  TCapturingLogger cap;
  TSample a, b;
  a.Font()->SetStyle(TFontStyles{fsBold, fsUnderline});
  a.Next = &b;
  b.Caption = L"inner";
  cap.Logger.Send(L"a", &a);
  const auto& d = cap.Only().Details;
  auto has = [&](const String& l) { return std::find(d.begin(), d.end(), l) != d.end(); };
  EXPECT_TRUE(has(L"Font=Tahoma, 8 , Bold, Underline"));
  EXPECT_TRUE(has(L"Next=(TSample)"));
  EXPECT_TRUE(has(L"Next.Caption=inner"));
  EXPECT_TRUE(has(L"Next.Font=Tahoma, 8 , Normal"));
  EXPECT_TRUE(has(L"Next.Font.Name=Tahoma"));
  EXPECT_TRUE(has(L"Next.Next=nil"));
}

TEST(ObjectDump, ACycleOfReferencesEnds) {
  TCapturingLogger cap;
  TSample a, b;
  a.Next = &b;
  b.Next = &a;
  a.Caption = L"A";
  b.Caption = L"B";
  cap.Logger.Send(L"cycle", &a);
  const auto& d = cap.Only().Details;
  auto has = [&](const String& l) { return std::find(d.begin(), d.end(), l) != d.end(); };
  EXPECT_TRUE(has(L"Next.Caption=B"));
  // The way back to a is listed but not entered again.
  EXPECT_TRUE(has(L"Next.Next=(TSample)"));
  EXPECT_FALSE(has(L"Next.Next.Caption=A"));
  // A self reference ends the same way.
  TCapturingLogger self;
  a.Next = &a;
  self.Logger.Send(L"self", &a);
  const auto& s = self.Only().Details;
  EXPECT_NE(std::find(s.begin(), s.end(), L"Next=(TSample)"), s.end());
  EXPECT_EQ(std::find(s.begin(), s.end(), L"Next.Caption=A"), s.end());
}

TEST(ObjectDump, ErrorsAndCustomTypes) {
  TPlain plain;
  TSample s;
  struct Case {
    const char* Name;
    std::function<void(TVantrelLogger&)> Call;
    Integer Type;
    String Text;
  };
  const std::vector<Case> cases = {
      {"nil", [](auto& l) { l.Send(L"L", static_cast<TObject*>(nullptr)); }, vrmError,
       L"Send Data Error:  L: Object is nil"},
      {"no rtti", [&](auto& l) { l.Send(L"L", &plain); }, vrmError, L"Send Data Error:  L: Object has no RTTI"},
      {"reserved type without formatter", [&](auto& l) { l.Send(150, L"L", &s); }, vrmError,
       L"SendCustomData Error: MsgType (vrmReserved + 50) has no registered formatter"},
      {"type 100 still dumps", [&](auto& l) { l.Send(100, L"L", &s); }, vrmObject, L"L"},
      {"low type dumps as type 4", [&](auto& l) { l.Send(vrmWarning, L"L", &s); }, vrmObject, L"L"},
      {"conditional", [&](auto& l) { l.SendIf(true, L"L", &s); }, vrmObject, L"L"},
      {"conditional typed", [&](auto& l) { l.SendDateTimeIf(true, 150, L"L", &s); }, vrmError,
       L"SendCustomData Error: MsgType (vrmReserved + 50) has no registered formatter"},
  };
  for (const Case& c : cases) {
    TCapturingLogger cap;
    c.Call(cap.Logger);
    ASSERT_EQ(cap.Messages.size(), 1u) << c.Name;
    EXPECT_EQ(cap.Messages[0].Type, c.Type) << c.Name;
    EXPECT_EQ(cap.Messages[0].Text, c.Text) << c.Name;
  }
  TCapturingLogger none;
  none.Logger.SendIf(false, L"L", &s);
  none.Logger.SendIf(false, 150, L"L", &s);
  EXPECT_TRUE(none.Messages.empty());
}

TEST(SendProperty, ValuesTypeNamesAndMissingProperties) {
  TSample s;
  s.Caption = L"hi";
  s.Upper = TLevels{lvTwo, lvFour};
  TPlain plain;
  struct Case {
    const char* Name;
    TObject* Obj;
    String Prop;
    String Text;
    String TypeName;
  };
  const std::vector<Case> cases = {
      {"missing", &s, L"Foo", L"L: Foo property does not exist or is not published.", L""},
      {"string", &s, L"Caption", L"L: hi", TypeInfoString()->Name},
      {"integer", &s, L"tag", L"L: 0", TypeInfoInteger()->Name},
      {"colour", &s, L"Color", L"L: " + ColorToRGBText(clRed), L"TColor"},
      {"set", &s, L"Anchors", L"L: [akLeft, akTop]", L"TAnchors"},
      {"subrange set", &s, L"Upper", L"L: [lvTwo, lvFour]", L"TUpperLevels"},
      {"character", &s, L"Initial", L"L: <<Not Implemented Yet>>", TypeInfoChar()->Name},
      {"no rtti", &plain, L"Tag", L"SendProperty Error: Object has no RTTI (L)", L""},
      {"method", &s, L"OnChange", L"L: ", L""},
  };
  for (const Case& c : cases) {
    TCapturingLogger cap;
    cap.Logger.SendProperty(L"L", c.Obj, c.Prop);
    ASSERT_EQ(cap.Messages.size(), 1u) << c.Name;
    EXPECT_EQ(cap.Messages[0].Text, c.Text) << c.Name;
    EXPECT_EQ(cap.Messages[0].TypeName, c.TypeName) << c.Name;
    EXPECT_EQ(cap.Messages[0].Type, c.Obj == &plain ? vrmError : vrmInfo) << c.Name;
  }
  TCapturingLogger typed;
  typed.Logger.SendProperty(42, L"L", &s, L"Caption");
  EXPECT_EQ(typed.Only().Type, 42);
}

TEST(SendProperty, AClassPropertySendsTheObjectDumpAlone) {
  TSample s;
  TCapturingLogger cap;
  cap.Logger.SendProperty(L"L", &s, L"Font");
  const auto& m = cap.Only();
  EXPECT_EQ(m.Type, vrmObject);
  EXPECT_EQ(m.Text, L"L");
  EXPECT_EQ(m.TypeName, L"TFont");
  EXPECT_NE(std::find(m.Details.begin(), m.Details.end(), L"Name=Tahoma"), m.Details.end());
}

TEST(CollectionSend, OneLinePerItemWithQuotedDelimitedProperties) {
  TCollection rows(TRow::StaticClass());
  auto* r0 = static_cast<TRow*>(rows.Add());
  r0->Title = L"first row";
  r0->Width = 10;
  auto* r1 = static_cast<TRow*>(rows.Add());
  r1->Title = L"a;\"b\"";
  auto* r2 = static_cast<TRow*>(rows.Add());
  r2->Width = 3;
  TCapturingLogger cap;
  cap.Logger.Send(L"rows", &rows);
  const auto& m = cap.Only();
  EXPECT_EQ(m.Type, vrmCollection);
  EXPECT_EQ(m.TypeName, L"TCollection");
  const std::vector<String> expected = {L"0 - first row|\"Title=first row\";Width=10",
                                        L"1 - a;\"b\"|\"Title=a;\"\"b\"\"\";Width=0",
                                        L"2 - TRow|Title=;Width=3"};
  EXPECT_EQ(m.Details, expected);
}

// A small form: a named panel holding a named button, an unnamed panel holding a named
// edit, and a label on the form.
struct FormTrees : ::testing::Test {
  TForm* Form = nullptr;
  TPanel* Panel = nullptr;
  TButton* Button = nullptr;
  TPanel* Anonymous = nullptr;
  TEdit* Edit = nullptr;
  TLabel* Label = nullptr;
  void SetUp() override {
    Form = TCustomForm::Create<TForm>(nullptr);
    Form->SetName(L"MainForm");
    Panel = new TPanel(Form);
    Panel->SetName(L"Panel1");
    Panel->SetParent(Form);
    Button = new TButton(Form);
    Button->SetName(L"OkButton");
    Button->SetParent(Panel);
    Anonymous = new TPanel(Form);
    Anonymous->SetParent(Form);
    Edit = new TEdit(Anonymous);
    Edit->SetName(L"Edit1");
    Edit->SetParent(Anonymous);
    Label = new TLabel(Form);
    Label->SetName(L"Label1");
    Label->SetParent(Form);
  }
  void TearDown() override { delete Form; }
};

TEST_F(FormTrees, ControlsSkipUnnamedBranches) {
  TCapturingLogger cap;
  cap.Logger.SendControls(L"tree", Form);
  const auto& m = cap.Only();
  EXPECT_EQ(m.Type, vrmHierarchy);
  EXPECT_EQ(m.TypeName, L"Controls");
  const std::vector<String> expected = {L"MainForm: TForm", L"\tPanel1: TPanel", L"\t\tOkButton: TButton",
                                        L"\tLabel1: TLabel"};
  EXPECT_EQ(m.Details, expected);
}

TEST_F(FormTrees, ComponentsFollowOwnership) {
  TCapturingLogger cap;
  cap.Logger.SendComponents(L"owned", Form);
  const auto& m = cap.Only();
  EXPECT_EQ(m.TypeName, L"Components");
  // The edit is owned by the unnamed panel, so it goes with it.
  const std::vector<String> expected = {L"MainForm: TForm", L"\tPanel1: TPanel", L"\tOkButton: TButton",
                                        L"\tLabel1: TLabel"};
  EXPECT_EQ(m.Details, expected);
}

TEST_F(FormTrees, ParentsOutermostFirstUnnamedIncluded) {
  TCapturingLogger cap;
  cap.Logger.SendParents(L"up", Edit);
  const auto& m = cap.Only();
  EXPECT_EQ(m.TypeName, L"Parents");
  const std::vector<String> expected = {L"MainForm: TForm", L"\t: TPanel", L"\t\tEdit1: TEdit"};
  EXPECT_EQ(m.Details, expected);
}

TEST_F(FormTrees, TreeErrorsForNil) {
  TCapturingLogger cap;
  cap.Logger.SendControls(L"x", nullptr);
  cap.Logger.SendComponents(L"x", nullptr);
  cap.Logger.SendParents(L"x", nullptr);
  ASSERT_EQ(cap.Messages.size(), 3u);
  EXPECT_EQ(cap.Messages[0].Text, L"SendControls Error: Control is Not Assigned");
  EXPECT_EQ(cap.Messages[1].Text, L"SendComponents Error: Component is Not Assigned");
  EXPECT_EQ(cap.Messages[2].Text, L"SendParents Error: Control is Not Assigned");
  for (const auto& m : cap.Messages) EXPECT_EQ(m.Type, vrmError);
}

TEST_F(FormTrees, ComponentAsTextIsTheStoredForm) {
  Button->SetCaption(L"OK");
  TCapturingLogger cap;
  cap.Logger.SendComponentAsText(L"form", Form);
  const auto& m = cap.Only();
  EXPECT_EQ(m.Type, vrmCompAsText);
  EXPECT_EQ(m.TypeName, L"TForm");
  ASSERT_FALSE(m.Details.empty());
  EXPECT_EQ(m.Details.front(), L"object MainForm: TForm");
  EXPECT_EQ(m.Details.back(), L"end");
  auto has = [&](const String& l) { return std::find(m.Details.begin(), m.Details.end(), l) != m.Details.end(); };
  EXPECT_TRUE(has(L"  object Panel1: TPanel"));
  EXPECT_TRUE(has(L"    object OkButton: TButton"));
  EXPECT_TRUE(has(L"      Caption = 'OK'"));
}

TEST_F(FormTrees, DumpOfAFormListsComponentsByName) {
  Label->SetFocusControl(Edit);
  TCapturingLogger cap;
  cap.Logger.Send(L"label", Label);
  const auto& d = cap.Only().Details;
  EXPECT_NE(std::find(d.begin(), d.end(), L"FocusControl=Edit1"), d.end());
  EXPECT_NE(std::find(d.begin(), d.end(), L"Cursor=crDefault"), d.end());
  EXPECT_TRUE(std::is_sorted(d.begin(), d.end(), [](const String& a, const String& b) {
    return AnsiCompareText(a.substr(0, a.find_first_of(L"=.")), b.substr(0, b.find_first_of(L"=."))) < 0;
  }));
}

}  // namespace ZS_UNITY_ID
