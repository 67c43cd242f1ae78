// Published properties, enumeration and set information, events bound by name and
// the class registry.
#include <gtest/gtest.h>

#include "Persistent.h"
#include "TypInfo.h"

namespace ZS_UNITY_ID {

enum TShape { stCircle, stSquare, stTriangle };
ENUM_TYPEINFO(TShape, stCircle, stSquare, stTriangle)
enum TMark { mkBold, mkItalic, mkUnderline };
ENUM_TYPEINFO(TMark, mkBold, mkItalic, mkUnderline)
using TMarks = Set<TMark>;
SET_TYPEINFO(TMarks, TMark)

namespace {

class TBase : public TComponent {
  DECLARE_CLASS(TBase, TComponent)
  PUBLISHED(TBase)
 public:
  using TComponent::TComponent;
  const String& Caption() const { return FCaption; }
  void SetCaption(const String& Value) { FCaption = Value; ++Sets; }
  Integer Width = 0;
  TShape Shape = stCircle;
  int Sets = 0;
 private:
  String FCaption;
};
void TBase::DeclarePublished(TPublisher<TBase>& P) {
  P.Property(L"Caption", &TBase::Caption, &TBase::SetCaption);
  P.Property(L"Width", &TBase::Width).Default(0);
  P.Property(L"Shape", &TBase::Shape).Default(stCircle);
}

class TItems : public TOwnedCollection {
  DECLARE_CLASS(TItems, TOwnedCollection)
 public:
  explicit TItems(TPersistent* AOwner) : TOwnedCollection(AOwner, TCollectionItem::StaticClass()) {}
};

class TDerived : public TBase {
  DECLARE_CLASS(TDerived, TBase)
  PUBLISHED(TDerived)
 public:
  using TBase::TBase;
  TMarks Marks;
  double Ratio = 0;
  Int64 Big = 0;
  wchar_t Letter = L'a';
  Integer Color = 0;
  TComponent* Link = nullptr;
  TNotifyEvent OnClick;
  Variant Value;
  bool Flag = false;
  TItems* Items() { return &FItems; }
  String Log;
  void HandleClick(TObject* Sender) { Log += L"click:" + (Sender ? static_cast<TComponent*>(Sender)->Name() : L"nil"); }
  int Other(int x) { return x; }
 private:
  TItems FItems{this};
};
void TDerived::DeclarePublished(TPublisher<TDerived>& P) {
  P.Property(L"Marks", &TDerived::Marks).Default(TMarks{mkBold});
  P.Property(L"Ratio", &TDerived::Ratio);
  P.Property(L"Big", &TDerived::Big);
  P.Property(L"Letter", &TDerived::Letter);
  P.Property(L"Color", &TDerived::Color).TypeName(L"TColor").Stored([](TDerived* d) { return d->Color != 5; });
  P.Property(L"Link", &TDerived::Link);
  P.Property(L"Items", &TDerived::Items);
  P.Property(L"OnClick", &TDerived::OnClick);
  P.Property(L"Value", &TDerived::Value);
  P.Property(L"Flag", &TDerived::Flag).Default(false);
  P.Property(L"Shape", [](TDerived* d) { return d->Shape; }, [](TDerived* d, TShape v) { d->Shape = v; })
      .Default(stSquare);  // declared again with another default
  P.Method(L"HandleClick", &TDerived::HandleClick);
  P.Method(L"Other", &TDerived::Other);
}

class TNoTable : public TDerived {
  DECLARE_CLASS(TNoTable, TDerived)
 public:
  using TDerived::TDerived;
};

String Names(const TPropList& L) {
  String r;
  for (PPropInfo p : L) r += (r.empty() ? L"" : L",") + p->Name;
  return r;
}

TEST(Rtti, PropertyListsParentsFirstInDeclarationOrder) {
  EXPECT_EQ(Names(GetPropList(TBase::StaticClass())), L"Name,Tag,Caption,Width,Shape");
  const String derived = L"Name,Tag,Caption,Width,Shape,Marks,Ratio,Big,Letter,Color,Link,Items,OnClick,Value,Flag";
  EXPECT_EQ(Names(GetPropList(TDerived::StaticClass())), derived);
  EXPECT_EQ(Names(GetPropList(TNoTable::StaticClass())), derived);
  EXPECT_EQ(GetPropInfo(TNoTable::StaticClass(), L"shape")->Default, stSquare);
  EXPECT_EQ(Names(GetPropList(TDerived::StaticClass(), TTypeKinds{tkEnumeration, tkSet, tkMethod}, true)),
            L"Flag,Marks,OnClick,Shape");
  EXPECT_TRUE(ClassHasTypeInfo(TItems::StaticClass()));
  EXPECT_FALSE(ClassHasTypeInfo(TObject::StaticClass()));
  EXPECT_FALSE(IsPublishedProp(TBase::StaticClass(), L"Marks"));
  EXPECT_TRUE(IsPublishedProp(TBase::StaticClass(), L"CAPTION"));
}

TEST(Rtti, KindsTypeNamesAndValuesByName) {
  TComponent Owner(nullptr);
  auto* D = new TNoTable(&Owner);
  D->SetName(L"D1");
  auto* L = new TComponent(&Owner);
  L->SetName(L"Target");
  struct Case { const wchar_t* prop; TTypeKind kind; const wchar_t* type; const wchar_t* text; };
  const Case cases[] = {
      {L"Caption", tkUString, L"string", L"日本語"},
      {L"Width", tkInteger, L"Integer", L"-7"},
      {L"Shape", tkEnumeration, L"TShape", L"stTriangle"},
      {L"Marks", tkSet, L"TMarks", L"[mkBold,mkUnderline]"},
      {L"Ratio", tkFloat, L"Double", L"2.5"},
      {L"Big", tkInt64, L"Int64", L"1099511627776"},
      {L"Letter", tkWChar, L"WideChar", L"z"},
      {L"Color", tkInteger, L"TColor", L"255"},
      {L"Link", tkClass, L"TComponent", L"Target"},
  };
  SetStrProp(D, L"Caption", L"日本語");
  SetOrdProp(D, L"Width", -7);
  SetEnumProp(D, L"Shape", L"STTRIANGLE");
  SetSetProp(D, L"Marks", L"[mkUnderline, mkBold]");
  SetFloatProp(D, L"Ratio", 2.5);
  SetInt64Prop(D, L"Big", Int64(1) << 40);
  SetOrdProp(D, L"Letter", L'z');
  SetOrdProp(D, L"Color", 255);
  SetObjectProp(D, L"Link", L);
  SetOrdProp(D, L"Tag", 3);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "property " << c.prop);
    PPropInfo P = GetPropInfo(D, c.prop);
    ASSERT_NE(P, nullptr);
    EXPECT_EQ(P->PropType->Kind, c.kind);
    EXPECT_EQ(P->PropType->Name, c.type);
    EXPECT_EQ(GetPropValueText(D, P), c.text);
  }
  EXPECT_EQ(D->Tag(), 3);
  EXPECT_EQ(D->Caption(), L"日本語");
  EXPECT_EQ(D->Sets, 1);  // the setter ran
  EXPECT_EQ(GetObjectProp(D, L"Items"), D->Items());
  EXPECT_EQ(GetObjectProp(D, L"Link", TBase::StaticClass()), nullptr);  // not of that class
  EXPECT_EQ(GetObjectPropClass(GetPropInfo(D, L"Items")), TItems::StaticClass());
  EXPECT_TRUE(PropIsType(D, L"Items", tkClass));

  // Stored tests: constant, function.
  EXPECT_FALSE(IsStoredProp(D, L"Name"));
  EXPECT_TRUE(IsStoredProp(D, L"Color"));
  D->Color = 5;
  EXPECT_FALSE(IsStoredProp(D, L"Color"));

  // The collection finds the owner's property that holds it.
  D->Items()->Add();
  EXPECT_EQ(D->Items()->Items(0)->GetNamePath(), L"D1.Items[0]");
}

TEST(Rtti, ErrorsOfAccessByName) {
  TDerived D(nullptr);
  struct Case { std::function<void()> call; const wchar_t* message; };
  const Case cases[] = {
      {[&] { GetOrdProp(&D, L"Missing"); }, L"Property Missing does not exist"},
      {[&] { GetStrProp(&D, L"Width"); }, L"Invalid property type: Integer"},
      {[&] { SetEnumProp(&D, L"Shape", L"stOval"); }, L"Invalid property element: stOval"},
      {[&] { SetSetProp(&D, L"Marks", L"[mkBold, mkNone]"); }, L"Invalid property element: mkNone"},
      {[&] { SetObjectProp(&D, L"Link", D.Items()); }, L"Invalid property value"},
      {[&] { SetMethodProp(&D, L"OnClick", TMethod{L"NoSuchMethod", &D}); }, L"Invalid property value"},
      {[&] { SetMethodProp(&D, L"OnClick", TMethod{L"Other", &D}); }, L"Invalid property value"},
      {[&] { PropType(&D, L"Nope"); }, L"Property Nope does not exist"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.message);
    try {
      c.call();
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
  EXPECT_EQ(D.Shape, stCircle);
  EXPECT_TRUE(D.Marks.Empty());
  EXPECT_FALSE(D.OnClick);
}

TEST(Rtti, ValuesAsVariants) {
  TDerived D(nullptr);
  struct Case { const wchar_t* prop; Variant in; String asText; Variant asNumber; };
  const Case cases[] = {
      {L"Width", Variant(42), L"42", Variant(42)},
      {L"Shape", Variant(L"stTriangle"), L"stTriangle", Variant(2)},
      {L"Shape", Variant(1), L"stSquare", Variant(1)},
      {L"Marks", Variant(L"[mkItalic,mkUnderline]"), L"mkItalic,mkUnderline", Variant(6LL)},
      {L"Flag", Variant(true), L"True", Variant(true)},
      {L"Flag", Variant(L"False"), L"False", Variant(false)},
      {L"Ratio", Variant(L"0.25"), L"0.25", Variant(0.25)},
      {L"Caption", Variant(12), L"12", Variant(L"12")},
      {L"Caption", Null(), L"", Variant(L"")},
      {L"Big", Variant(1LL << 40), L"1099511627776", Variant(1LL << 40)},
      {L"Letter", Variant(L"q"), L"113", Variant(113)},
      {L"Value", Variant(L"v"), L"v", Variant(L"v")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "property " << c.prop << " to " << c.asText);
    SetPropValue(&D, c.prop, c.in);
    EXPECT_EQ(VarToStr(GetPropValue(&D, c.prop)), c.asText);
    Variant n = GetPropValue(&D, c.prop, false);
    EXPECT_TRUE(VarSameValue(n, c.asNumber));
  }
  SetVariantProp(&D, L"Value", VarArrayOf({Variant(1), Variant(L"x")}));
  EXPECT_EQ(VarToStr(VarArrayGet(D.Value, {1})), L"x");
  EXPECT_THROW(SetPropValue(&D, L"Shape", Variant(L"stOval")), EPropertyConvertError);
  EXPECT_THROW(GetPropValue(&D, L"Link"), EPropertyConvertError);
  EXPECT_THROW(GetVariantProp(&D, L"Width"), EPropertyConvertError);
}

TEST(Rtti, EnumerationAndSetText) {
  PTypeInfo E = zs_TypeInfoOf_(static_cast<TShape*>(nullptr));
  EXPECT_EQ(GetEnumName(E, 1), L"stSquare");
  EXPECT_EQ(GetEnumName(E, 9), L"");
  EXPECT_EQ(GetEnumValue(E, L"sttriangle"), 2);
  EXPECT_EQ(GetEnumValue(E, L"x"), -1);
  EXPECT_EQ(GetEnumName(TypeInfoBoolean(), 1), L"True");
  PTypeInfo S = TypeInfoOf<TMarks>();
  EXPECT_EQ(S->CompType, TypeInfoOf<TMark>());
  EXPECT_EQ(SetToString(S, 0b101), L"mkBold,mkUnderline");
  EXPECT_EQ(SetToString(S, 0, true), L"[]");
  EXPECT_EQ(StringToSet(S, L" [ mkItalic ,mkBold] "), 0b011);
  EXPECT_EQ(StringToSet(S, L"[]"), 0);
  // A set without a declared name is named after its elements.
  EXPECT_EQ((TypeInfoOf<Set<TShape>>()->Name), L"set of TShape");
}

TEST(Rtti, EventsBindToPublishedMethodsByName) {
  TComponent Owner(nullptr);
  auto* Form = new TDerived(&Owner);
  Form->SetName(L"Form1");
  auto* Button = new TDerived(&Owner);
  Button->SetName(L"Button1");

  SetMethodProp(Button, L"onclick", TMethod{L"handleclick", Form});
  ASSERT_TRUE(Button->OnClick);
  Button->OnClick(Button);
  EXPECT_EQ(Form->Log, L"click:Button1");
  TMethod M = GetMethodProp(Button, L"OnClick");
  EXPECT_EQ(M.Name, L"HandleClick");
  EXPECT_EQ(M.Data, Form);

  // An event holding some other callable is assigned but has no name.
  Button->OnClick = [](TObject*) {};
  M = GetMethodProp(Button, L"OnClick");
  EXPECT_TRUE(M.Assigned());
  EXPECT_TRUE(M.Name.empty());

  SetMethodProp(Button, L"OnClick", TMethod{});
  EXPECT_FALSE(Button->OnClick);
  EXPECT_FALSE(GetMethodProp(Button, L"OnClick").Assigned());
  EXPECT_NE(FindPublishedMethod(TNoTable::StaticClass(), L"HANDLECLICK"), nullptr);
  EXPECT_EQ(FindPublishedMethod(TBase::StaticClass(), L"HandleClick"), nullptr);
}

namespace first { class TTwin : public TPersistent { DECLARE_CLASS(TTwin, TPersistent) }; }
namespace second { class TTwin : public TPersistent { DECLARE_CLASS(TTwin, TPersistent) }; }

TEST(Rtti, ClassRegistry) {
  RegisterClasses({TNoTable::StaticClass(), first::TTwin::StaticClass()});
  EXPECT_EQ(FindClass(L"tnotable"), TNoTable::StaticClass());
  EXPECT_EQ(GetClass(L"TBase"), TBase::StaticClass());  // ancestors come along
  EXPECT_EQ(GetClass(L"TComponent"), TComponent::StaticClass());
  EXPECT_EQ(GetClass(L"TObject"), nullptr);
  try {
    RegisterClass(second::TTwin::StaticClass());
    ADD_FAILURE();
  } catch (const EFilerError& e) {
    EXPECT_EQ(e.Message(), L"A class named TTwin already exists");
  }
  RegisterClass(first::TTwin::StaticClass());  // again: no error
  RegisterClassAlias(TBase::StaticClass(), L"TOldBase");
  EXPECT_EQ(FindClass(L"TOldBase"), TBase::StaticClass());
  UnRegisterClasses({TNoTable::StaticClass(), first::TTwin::StaticClass()});
  EXPECT_EQ(GetClass(L"TNoTable"), nullptr);
  try {
    FindClass(L"TNoTable");
    ADD_FAILURE();
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(e.Message(), L"Class TNoTable not found");
  }
  // The metaclass found by name creates instances with an owner.
  TComponent Owner(nullptr);
  TObject* O = FindClass(L"TDerived")->NewInstance(&Owner);
  EXPECT_EQ(static_cast<TComponent*>(O)->Owner(), &Owner);
}

}  // namespace

}  // namespace ZS_UNITY_ID
