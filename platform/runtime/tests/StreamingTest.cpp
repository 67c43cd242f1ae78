// Component streaming: text and binary forms, reading and writing components through
// their published properties, reference fix-ups, malformed input and form resources.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "Streaming.h"

namespace ZS_UNITY_ID {

enum TAlignX { axNone, axLeft, axClient };
ENUM_TYPEINFO(TAlignX, axNone, axLeft, axClient)
enum TAnchorX { akxLeft, akxTop, akxRight, akxBottom };
ENUM_TYPEINFO(TAnchorX, akxLeft, akxTop, akxRight, akxBottom)
using TAnchorsX = Set<TAnchorX>;
SET_TYPEINFO(TAnchorsX, TAnchorX)

namespace {

int g_live = 0;  // objects of the test classes alive

class TFontX : public TPersistent {
  DECLARE_CLASS(TFontX, TPersistent)
  PUBLISHED(TFontX)
 public:
  String Name;
  Integer Size = 8;
};
void TFontX::DeclarePublished(TPublisher<TFontX>& P) {
  P.Property(L"Name", &TFontX::Name);
  P.Property(L"Size", &TFontX::Size).Default(8);
}

class TColumn : public TCollectionItem {
  DECLARE_CLASS(TColumn, TCollectionItem)
  PUBLISHED(TColumn)
 public:
  explicit TColumn(TCollection* C) : TCollectionItem(C) { ++g_live; }
  ~TColumn() override { --g_live; }
  String Caption;
  Integer Width = 64;
};
void TColumn::DeclarePublished(TPublisher<TColumn>& P) {
  P.Property(L"Caption", &TColumn::Caption);
  P.Property(L"Width", &TColumn::Width).Default(64);
}

// A control-like component: a parent, children, and the usual kinds of properties.
class TCtl : public TComponent {
  DECLARE_CLASS(TCtl, TComponent)
  PUBLISHED(TCtl)
 public:
  explicit TCtl(TComponent* AOwner) : TComponent(AOwner) { ++g_live; }
  ~TCtl() override {
    for (TCtl* c : FControls) c->FParent = nullptr;
    SetParent(nullptr);
    --g_live;
  }
  Integer Left = 0, Top = 0;
  String Caption;
  TAlignX Align = axNone;
  TAnchorsX Anchors{akxLeft, akxTop};
  bool Enabled = true;
  double Ratio = 0;
  TFontX* Font() { return &FFont; }
  TOwnedCollection* Columns() { return &FColumns; }
  TComponent* Buddy() const { return FBuddy; }
  void SetBuddy(TComponent* Value) {
    if (FBuddy) FBuddy->RemoveFreeNotification(this);
    FBuddy = Value;
    if (FBuddy) FBuddy->FreeNotification(this);
  }
  TNotifyEvent OnClick;
  TStrings* Lines() { return &FLines; }
  TBytes Data;
  int LoadedCalls = 0;
  bool LoadingSeenInLoaded = false;

  TCtl* Parent() const { return FParent; }
  void SetParent(TCtl* Value) {
    if (FParent == Value) return;
    if (FParent) FParent->FControls.erase(std::find(FParent->FControls.begin(), FParent->FControls.end(), this));
    FParent = Value;
    if (FParent) FParent->FControls.push_back(this);
  }
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override { return FParent; }
  void SetParentComponent(TComponent* Value) override { SetParent(dynamic_cast<TCtl*>(Value)); }
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override {
    for (TCtl* c : FControls)
      if (c->Owner() == Root) Proc(c);
  }
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FBuddy) FBuddy = nullptr;
  }
  void Loaded() override {
    LoadingSeenInLoaded = ComponentState().Contains(csLoading);
    TComponent::Loaded();
    ++LoadedCalls;
  }
  void DefineProperties(TFiler* Filer) override {
    TComponent::DefineProperties(Filer);
    Filer->DefineProperty(
        L"Lines",
        [this](TReader* R) {
          FLines.Clear();
          R->ReadListBegin();
          while (!R->EndOfList()) FLines.Add(R->ReadString());
          R->ReadListEnd();
        },
        [this](TWriter* W) {
          W->WriteListBegin();
          for (Integer i = 0; i < FLines.Count(); ++i) W->WriteString(FLines[i]);
          W->WriteListEnd();
        },
        FLines.Count() > 0);
    Filer->DefineBinaryProperty(
        L"Data",
        [this](TStream* S) {
          Data.resize(static_cast<size_t>(S->Size()));
          S->ReadBuffer(Data.data(), static_cast<Integer>(Data.size()));
        },
        [this](TStream* S) { S->WriteBuffer(Data.data(), static_cast<Integer>(Data.size())); },
        !Data.empty());
  }
  std::vector<TCtl*> FControls;

 private:
  TCtl* FParent = nullptr;
  TFontX FFont;
  TOwnedCollection FColumns{this, TColumn::StaticClass()};
  TComponent* FBuddy = nullptr;
  TStringList FLines;
};
void TCtl::DeclarePublished(TPublisher<TCtl>& P) {
  P.Property(L"Left", &TCtl::Left).Default(0);
  P.Property(L"Top", &TCtl::Top).Default(0);
  P.Property(L"Caption", &TCtl::Caption);
  P.Property(L"Align", &TCtl::Align).Default(axNone);
  P.Property(L"Anchors", &TCtl::Anchors).Default(TAnchorsX{akxLeft, akxTop});
  P.Property(L"Enabled", &TCtl::Enabled).Default(true);
  P.Property(L"Ratio", &TCtl::Ratio);
  P.Property(L"Font", &TCtl::Font);
  P.Property(L"Columns", &TCtl::Columns);
  P.Property(L"Buddy", &TCtl::Buddy, &TCtl::SetBuddy);
  P.Property(L"OnClick", &TCtl::OnClick);
}

// A component without a parent (written by the form itself).
class TNonVisual : public TComponent {
  DECLARE_CLASS(TNonVisual, TComponent)
  PUBLISHED(TNonVisual)
 public:
  explicit TNonVisual(TComponent* AOwner) : TComponent(AOwner) { ++g_live; }
  ~TNonVisual() override { --g_live; }
  TComponent* Target = nullptr;
  Integer Interval = 1000;
  Variant Value;
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == Target) Target = nullptr;
  }
};
void TNonVisual::DeclarePublished(TPublisher<TNonVisual>& P) {
  P.Property(L"Target", &TNonVisual::Target);
  P.Property(L"Interval", &TNonVisual::Interval).Default(1000);
  P.Property(L"Value", &TNonVisual::Value);
}

class TTestForm : public TCtl {
  DECLARE_CLASS(TTestForm, TCtl)
  PUBLISHED(TTestForm)
 public:
  using TCtl::TCtl;
  ~TTestForm() override {
    Destroying();
    DestroyComponents();
  }
  void Button1Click(TObject* Sender) { Clicks += static_cast<TComponent*>(Sender)->Name() + L";"; }
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override {
    for (Integer i = 0; i < ComponentCount(); ++i)
      if (!Components(i)->HasParent()) Proc(Components(i));
    TCtl::GetChildren(Proc, Root);
  }
  String Clicks;
};
void TTestForm::DeclarePublished(TPublisher<TTestForm>& P) {
  P.Method(L"Button1Click", &TTestForm::Button1Click);
}

class TResForm : public TTestForm {
  DECLARE_CLASS(TResForm, TTestForm)
 public:
  using TTestForm::TTestForm;
};
class TResForm2 : public TResForm {
  DECLARE_CLASS(TResForm2, TResForm)
 public:
  using TResForm::TResForm;
};

void Register() {
  RegisterClasses({TTestForm::StaticClass(), TCtl::StaticClass(), TNonVisual::StaticClass(),
                   TResForm::StaticClass(), TResForm2::StaticClass()});
}

template <class T> T* Find(TComponent* Root, const wchar_t* Name) {
  return dynamic_cast<T*>(Root->FindComponent(Name));
}

// The canonical text form of a small window: nested components, a collection, sets,
// enumerations, events, a nested object, a defined list, binary data, non-ASCII text and
// references to components that come later.
const wchar_t* const kForm =
    L"object Form1: TTestForm\r\n"
    L"  Left = 10\r\n"
    L"  Top = 20\r\n"
    L"  Caption = #26085#26412#35486' form'\r\n"
    L"  Font.Name = 'Tahoma'\r\n"
    L"  Lines = (\r\n"
    L"    'first'\r\n"
    L"    'second')\r\n"
    L"  object Timer1: TNonVisual\r\n"
    L"    Target = Button2\r\n"
    L"    Interval = 250\r\n"
    L"  end\r\n"
    L"  object Panel1: TCtl\r\n"
    L"    Caption = 'panel'\r\n"
    L"    Align = axClient\r\n"
    L"    Anchors = []\r\n"
    L"    object Button1: TCtl\r\n"
    L"      Left = -5\r\n"
    L"      Caption = 'It''s'\r\n"
    L"      Anchors = [akxLeft, akxRight]\r\n"
    L"      Enabled = False\r\n"
    L"      Ratio = 2.5\r\n"
    L"      Font.Size = 12\r\n"
    L"      Columns = <\r\n"
    L"        item\r\n"
    L"          Caption = 'Name'\r\n"
    L"          Width = 120\r\n"
    L"        end\r\n"
    L"        item\r\n"
    L"          Caption = #12354\r\n"
    L"        end>\r\n"
    L"      Buddy = Button2\r\n"
    L"      OnClick = Button1Click\r\n"
    L"      Data = {\r\n"
    L"        00FF10}\r\n"
    L"    end\r\n"
    L"  end\r\n"
    L"  object Button2: TCtl\r\n"
    L"    Caption = 'two'\r\n"
    L"    Buddy = Panel1\r\n"
    L"    OnClick = Button1Click\r\n"
    L"  end\r\n"
    L"end\r\n";

TEST(Streaming, TextBinaryTextRoundTrip) {
  TBytes bin = ObjectTextToBinary(kForm);
  ASSERT_GE(bin.size(), 4u);
  EXPECT_EQ(std::memcmp(bin.data(), "TPF0", 4), 0);
  EXPECT_EQ(ObjectBinaryToText(bin), kForm);
  // Through streams, as bytes: the text is plain ASCII.
  TBytesStream in(bin);
  TMemoryStream out;
  ObjectBinaryToText(&in, &out);
  std::string ascii(static_cast<const char*>(out.Memory()), static_cast<size_t>(out.Size()));
  EXPECT_EQ(String(ascii.begin(), ascii.end()), kForm);
}

TEST(Streaming, ReadsComponentsAndWritesThemBackIdentically) {
  Register();
  const int before = g_live;
  {
    std::unique_ptr<TComponent> Root(TextToComponent(kForm, nullptr));
    auto* Form = dynamic_cast<TTestForm*>(Root.get());
    ASSERT_NE(Form, nullptr);
    auto* Timer1 = Find<TNonVisual>(Form, L"Timer1");
    auto* Panel1 = Find<TCtl>(Form, L"Panel1");
    auto* Button1 = Find<TCtl>(Form, L"Button1");
    auto* Button2 = Find<TCtl>(Form, L"Button2");
    ASSERT_TRUE(Timer1 && Panel1 && Button1 && Button2);
    EXPECT_EQ(Form->Name(), L"Form1");
    EXPECT_EQ(Form->Caption, L"日本語 form");
    EXPECT_EQ(Form->Font()->Name, L"Tahoma");
    EXPECT_EQ(Form->Lines()->Text(), L"first\r\nsecond\r\n");
    // Owner and parent trees.
    EXPECT_EQ(Form->ComponentCount(), 4);
    EXPECT_EQ(Button1->Owner(), Form);
    EXPECT_EQ(Button1->Parent(), Panel1);
    EXPECT_EQ(Panel1->Parent(), Form);
    // Forward references resolved once everything was read.
    EXPECT_EQ(Timer1->Target, Button2);
    EXPECT_EQ(Button1->Buddy(), Button2);
    EXPECT_EQ(Button2->Buddy(), Panel1);
    // Values of each kind.
    EXPECT_EQ(Button1->Left, -5);
    EXPECT_EQ(Button1->Caption, L"It's");
    EXPECT_EQ(Button1->Anchors, (TAnchorsX{akxLeft, akxRight}));
    EXPECT_TRUE(Panel1->Anchors.Empty());
    EXPECT_EQ(Panel1->Align, axClient);
    EXPECT_FALSE(Button1->Enabled);
    EXPECT_DOUBLE_EQ(Button1->Ratio, 2.5);
    EXPECT_EQ(Button1->Font()->Size, 12);
    ASSERT_EQ(Button1->Columns()->Count(), 2);
    EXPECT_EQ(static_cast<TColumn*>(Button1->Columns()->Items(0))->Width, 120);
    EXPECT_EQ(static_cast<TColumn*>(Button1->Columns()->Items(1))->Caption, L"あ");
    EXPECT_EQ(static_cast<TColumn*>(Button1->Columns()->Items(1))->Width, 64);
    EXPECT_EQ(Button1->Data, (TBytes{0x00, 0xFF, 0x10}));
    // Events bound to the form's published method.
    ASSERT_TRUE(Button1->OnClick);
    Button1->OnClick(Button1);
    Button2->OnClick(Button2);
    EXPECT_EQ(Form->Clicks, L"Button1;Button2;");
    // Loaded once each, while still loading; loading is over afterwards.
    for (TCtl* c : {static_cast<TCtl*>(Form), Panel1, Button1, Button2}) {
      EXPECT_EQ(c->LoadedCalls, 1) << c->Name();
      EXPECT_TRUE(c->LoadingSeenInLoaded);
      EXPECT_FALSE(c->ComponentState().Contains(csLoading));
      EXPECT_FALSE(c->ComponentState().Contains(csReading));
    }
    // Written back, the components give the same text.
    EXPECT_EQ(ComponentToText(Form), kForm);

    // The referenced component dies: every reference to it is cleared.
    delete Button2;
    EXPECT_EQ(Timer1->Target, nullptr);
    EXPECT_EQ(Button1->Buddy(), nullptr);
    String text = ComponentToText(Form);
    EXPECT_EQ(text.find(L"Button2"), String::npos);
  }
  EXPECT_EQ(g_live, before);
}

TEST(Streaming, VariantProperties) {
  Register();
  const String text =
      L"object Form1: TTestForm\r\n"
      L"  object V1: TNonVisual\r\n"
      L"    Value = 'text'\r\n"
      L"  end\r\n"
      L"  object V2: TNonVisual\r\n"
      L"    Value = Null\r\n"
      L"  end\r\n"
      L"  object V3: TNonVisual\r\n"
      L"    Value = (\r\n"
      L"      1\r\n"
      L"      'two'\r\n"
      L"      2.5\r\n"
      L"      True)\r\n"
      L"  end\r\n"
      L"  object V4: TNonVisual\r\n"
      L"    Value = 40000\r\n"
      L"  end\r\n"
      L"  object V5: TNonVisual\r\n"
      L"  end\r\n"
      L"end\r\n";
  std::unique_ptr<TComponent> Form(TextToComponent(text, nullptr));
  EXPECT_EQ(VarToStr(Find<TNonVisual>(Form.get(), L"V1")->Value), L"text");
  EXPECT_TRUE(VarIsNull(Find<TNonVisual>(Form.get(), L"V2")->Value));
  const Variant& A = Find<TNonVisual>(Form.get(), L"V3")->Value;
  ASSERT_TRUE(VarIsArray(A));
  EXPECT_EQ(VarArrayHighBound(A, 1) - VarArrayLowBound(A, 1), 3);
  EXPECT_EQ(VarToStr(VarArrayGet(A, {VarArrayLowBound(A, 1) + 1})), L"two");
  EXPECT_EQ(Find<TNonVisual>(Form.get(), L"V4")->Value.AsInteger(), 40000);
  EXPECT_TRUE(VarIsEmpty(Find<TNonVisual>(Form.get(), L"V5")->Value));
  EXPECT_EQ(ComponentToText(Form.get()), text);
}

TEST(Streaming, StringTagsAndNumbers) {
  struct Case { String text; Byte tag; };
  const Case cases[] = {
      {L"", vaWString},
      {String(255, L'a'), vaString},
      {String(256, L'a'), vaLString},
      {L"é", vaWString},
      {L"aé", vaUTF8String},
      {L"日本", vaWString},
  };
  for (const Case& c : cases) {
    TMemoryStream ms;
    TWriter w(&ms);
    w.WriteString(c.text);
    EXPECT_EQ(static_cast<const Byte*>(ms.Memory())[0], c.tag) << c.text.size();
    ms.SetPosition(0);
    TReader r(&ms);
    EXPECT_EQ(r.ReadString(), c.text);
  }
  // Integers take the smallest tag; floats survive the 10-byte form.
  const Int64 ints[] = {0, -128, 127, 300, -40000, INT32_MAX, Int64(1) << 40, INT64_MIN};
  const Byte intTags[] = {vaInt8, vaInt8, vaInt8, vaInt16, vaInt32, vaInt32, vaInt64, vaInt64};
  const double floats[] = {0.0, 2.5, -1e-300, 1.7976931348623157e308, 4.9e-324, 0.1};
  TMemoryStream ms;
  TWriter w(&ms);
  for (Int64 v : ints) w.WriteInteger(v);
  for (double d : floats) w.WriteFloat(d);
  ms.SetPosition(0);
  TReader r(&ms);
  for (size_t i = 0; i < std::size(ints); ++i) {
    EXPECT_EQ(r.NextValue(), intTags[i]);
    EXPECT_EQ(r.ReadInt64(), ints[i]);
  }
  for (double d : floats) EXPECT_EQ(r.ReadFloat(), d);
}

// A malformed stream raises EReadError (with its message) and leaves nothing behind.
TEST(Streaming, MalformedStreamsRaiseAndLeakNothing) {
  Register();
  const int before = g_live;
  const TBytes good = ObjectTextToBinary(kForm);

  // Cut short at every byte.
  for (size_t n = 0; n < good.size(); ++n) {
    TBytesStream s(TBytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n)));
    TReader r(&s);
    EXPECT_THROW(r.ReadRootComponent(nullptr), EReadError) << "cut at " << n;
    ASSERT_EQ(g_live, before) << "cut at " << n;
  }

  struct Case { String text; String message; };
  const Case cases[] = {
      {L"object X: TNope\r\nend", L"Class TNope not found"},
      {L"object Form1: TTestForm\r\n  object A: TNope\r\n  end\r\nend", L"Class TNope not found"},
      {L"object Form1: TTestForm\r\n  Bogus = 1\r\nend", L"Error reading Form1.Bogus: Property Bogus does not exist"},
      {L"object Form1: TTestForm\r\n  Font.Bogus = 1\r\nend", L"Error reading Form1.Font.Bogus: Property Bogus does not exist"},
      {L"object Form1: TTestForm\r\n  Caption.Size = 1\r\nend", L"Error reading Form1.Caption.Size: Property Caption does not exist"},
      {L"object Form1: TTestForm\r\n  object P: TCtl\r\n    Align = axDiagonal\r\n  end\r\nend",
       L"Error reading P.Align: Invalid property value"},
      {L"object Form1: TTestForm\r\n  Caption = 5\r\nend", L"Error reading Form1.Caption: Invalid property value"},
      {L"object Form1: TTestForm\r\n  Left = 'x'\r\nend", L"Error reading Form1.Left: Invalid property value"},
      {L"object Form1: TTestForm\r\n  Left = 4294967296\r\nend", L"Error reading Form1.Left: Invalid property value"},
      {L"object Form1: TTestForm\r\n  Anchors = [akxLeft, akxNowhere]\r\nend", L"Error reading Form1.Anchors: Invalid property value"},
      {L"object Form1: TTestForm\r\n  Columns = <\r\n    item\r\n      Width = 'w'\r\n    end>\r\nend",
       L"Error reading Form1.Width: Invalid property value"},
      {L"object Form1: TTestForm\r\n  OnClick = Nope\r\nend", L"Error reading Form1.OnClick: Method Nope not found"},
      {L"object Form1: TTestForm\r\n  object B: TCtl\r\n  end\r\n  object b: TCtl\r\n  end\r\nend",
       L"A component named b already exists"},
      {L"object Form1: TTestForm\r\n  object B: TCtl\r\n    Buddy = Form1\r\n  end\r\n  inherited Z: TCtl\r\n  end\r\nend",
       L"Ancestor for 'Z' not found"},
      {L"object Form1: TTestForm\r\n  Caption = 'open\r\nend", L"Unterminated string on line 2"},
      {L"object Form1: TTestForm\r\n  Data = {0F0}\r\nend", L"Invalid binary value on line 2"},
      {L"object Form1: TTestForm\r\n  Left = 1\r\n", L"'end' expected on line 3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "message " << c.message);
    try {
      std::unique_ptr<TComponent> leaked(TextToComponent(c.text, nullptr));
      ADD_FAILURE() << "no error";
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_EQ(g_live, before);
  }

  // Binary damage: a bad signature, an unknown tag, nesting without end.
  auto expectFormat = [&](TBytes b, const wchar_t* what) {
    SCOPED_TRACE(what);
    TBytesStream s(b);
    TReader r(&s);
    try {
      r.ReadRootComponent(nullptr);
      ADD_FAILURE() << "no error";
    } catch (const EReadError& e) {
      EXPECT_NE(e.Message().find(L"Invalid stream format"), String::npos) << e.what();
    }
    EXPECT_EQ(g_live, before);
  };
  TBytes badSig = good;
  badSig[3] = '1';
  expectFormat(badSig, L"signature");
  TBytes small = ObjectTextToBinary(L"object Form1: TTestForm\r\n  Left = 1\r\nend");
  TBytes badTag = small;
  badTag[badTag.size() - 4] = 0x7F;  // the tag of the value 1
  expectFormat(badTag, L"tag");
  // Lists nested far too deep: refused without exhausting the stack.
  TBytes deep(small.begin(), small.end() - 4);
  deep.insert(deep.end(), 100000, Byte(vaList));
  try {
    ObjectBinaryToText(deep);
    ADD_FAILURE() << "no error";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), L"Invalid stream format");
  }
  String deepText = L"object Form1: TTestForm\r\n  Lines = " + String(100000, L'(') + L"\r\nend";
  EXPECT_THROW(ObjectTextToBinary(deepText), EParserError);
}

TEST(Streaming, FailedReadIntoExistingRootKeepsItsComponents) {
  Register();
  TTestForm Form(nullptr);
  auto* Keep = new TCtl(&Form);
  Keep->SetName(L"Keep");
  const String text =
      L"object Form1: TTestForm\r\n"
      L"  object A: TCtl\r\n"
      L"    object Inner: TCtl\r\n"
      L"    end\r\n"
      L"  end\r\n"
      L"  object B: TCtl\r\n"
      L"    Left = 'bad'\r\n"
      L"  end\r\n"
      L"end\r\n";
  EXPECT_THROW(TextToComponent(text, &Form), EReadError);
  EXPECT_EQ(Form.ComponentCount(), 1);
  EXPECT_EQ(Form.Components(0), Keep);
  EXPECT_TRUE(Form.FControls.empty());
  EXPECT_FALSE(Form.ComponentState().Contains(csLoading));
}

TEST(Streaming, RootNameMadeUniqueWithinItsOwner) {
  Register();
  TComponent App(nullptr);
  auto* First = new TTestForm(&App);
  First->SetName(L"Form1");
  auto* Second = new TTestForm(&App);
  TextToComponent(L"object Form1: TTestForm\r\nend\r\n", Second);
  EXPECT_EQ(Second->Name(), L"Form1_1");
  EXPECT_EQ(First->Name(), L"Form1");
}

TEST(Streaming, FormResourcesReadAncestorsFirst) {
  Register();
  TResForm2 Form(nullptr);
  ASSERT_TRUE(InitInheritedComponent(&Form, TTestForm::StaticClass()));
  EXPECT_EQ(Form.Name(), L"ResForm2");
  EXPECT_EQ(Form.Caption, L"二番目");
  auto* Button1 = Find<TCtl>(&Form, L"Button1");
  ASSERT_NE(Button1, nullptr);
  EXPECT_EQ(Button1->Left, 7);
  EXPECT_EQ(Button1->Caption, L"from the first form");
  ASSERT_TRUE(Button1->OnClick);
  Button1->OnClick(Button1);
  EXPECT_EQ(Form.Clicks, L"Button1;");
  EXPECT_NE(Find<TCtl>(&Form, L"Extra"), nullptr);
  EXPECT_EQ(Form.ComponentCount(), 2);

  TTestForm None(nullptr);
  EXPECT_FALSE(InitInheritedComponent(&None, TCtl::StaticClass()));
  EXPECT_FALSE(ReadComponentRes(L"NO_SUCH_FORM", &None));
}

}  // namespace

TEST(Streaming, ThousandsOfResourceHeadersAreSkippedInALoop) {
  Register();
  // Each header: FF, a 16-bit type id, a NUL-terminated name, 16-bit flags, 32-bit size.
  const Byte header[] = {0xFF, 0x0A, 0x00, 'F', 'O', 'R', 'M', 0x00, 0x30, 0x10, 0, 0, 0, 0};
  TMemoryStream ms;
  for (int i = 0; i < 200000; ++i) ms.WriteBuffer(header, sizeof header);
  const TBytes form = ObjectTextToBinary(L"object Form1: TTestForm\r\n  Left = 7\r\nend\r\n");
  ms.WriteBuffer(form.data(), static_cast<Integer>(form.size()));
  ms.SetPosition(0);
  std::unique_ptr<TComponent> read(ReadComponentFromStream(&ms, nullptr));
  auto* f = dynamic_cast<TTestForm*>(read.get());
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->Left, 7);
  // Headers and nothing after them.
  TMemoryStream only;
  for (int i = 0; i < 1000; ++i) only.WriteBuffer(header, sizeof header);
  only.SetPosition(0);
  EXPECT_THROW(std::unique_ptr<TComponent>(ReadComponentFromStream(&only, nullptr)), Exception);
}

TEST(Streaming, VariantArraysWithNullAndNonFiniteFloatsRoundTrip) {
  Register();
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  TTestForm Form(nullptr);
  Form.SetName(L"Form1");
  auto* v = new TNonVisual(&Form);
  v->SetName(L"V");
  v->Value = VarArrayOf({Variant(1), Null(), Variant(nan), Variant(inf), Variant(-inf),
                         VarArrayOf({Null(), Variant(L"x")}), Variant(2.5)});
  auto check = [&](TComponent* Root, const char* how) {
    SCOPED_TRACE(how);
    auto* r = Find<TNonVisual>(Root, L"V");
    ASSERT_NE(r, nullptr);
    const Variant& A = r->Value;
    ASSERT_TRUE(VarIsArray(A));
    const Integer lo = VarArrayLowBound(A, 1);
    ASSERT_EQ(VarArrayHighBound(A, 1) - lo, 6);
    EXPECT_EQ(VarArrayGet(A, {lo}).AsInteger(), 1);
    EXPECT_TRUE(VarIsNull(VarArrayGet(A, {lo + 1})));
    EXPECT_TRUE(std::isnan(VarArrayGet(A, {lo + 2}).AsDouble()));
    EXPECT_EQ(VarArrayGet(A, {lo + 3}).AsDouble(), inf);
    EXPECT_EQ(VarArrayGet(A, {lo + 4}).AsDouble(), -inf);
    Variant inner = VarArrayGet(A, {lo + 5});
    ASSERT_TRUE(VarIsArray(inner));
    EXPECT_TRUE(VarIsNull(VarArrayGet(inner, {VarArrayLowBound(inner, 1)})));
    EXPECT_EQ(VarToStr(VarArrayGet(inner, {VarArrayLowBound(inner, 1) + 1})), L"x");
    EXPECT_EQ(VarArrayGet(A, {lo + 6}).AsDouble(), 2.5);
  };
  // Binary form.
  TMemoryStream bin;
  WriteComponentToStream(&bin, &Form);
  bin.SetPosition(0);
  std::unique_ptr<TComponent> fromBinary(ReadComponentFromStream(&bin, nullptr));
  check(fromBinary.get(), "binary");
  // Text form, read back and written again unchanged.
  const String text = ComponentToText(&Form);
  EXPECT_NE(text.find(L"NaN"), String::npos) << text;
  EXPECT_NE(text.find(L"-Infinity"), String::npos) << text;
  std::unique_ptr<TComponent> fromText(TextToComponent(text, nullptr));
  check(fromText.get(), "text");
  EXPECT_EQ(ComponentToText(fromText.get()), text);
  // Single and date values keep their suffix.
  TMemoryStream ms;
  TWriter w(&ms);
  w.WriteSignature();
  w.WritePrefix({}, 0);
  w.WriteStr(L"TTestForm");
  w.WriteStr(L"Form1");
  w.WriteStr(L"Ratio");
  w.WriteSingle(static_cast<Single>(-inf));
  w.WriteListEnd();
  w.WriteListEnd();
  TBytes b(static_cast<const Byte*>(ms.Memory()), static_cast<const Byte*>(ms.Memory()) + ms.Size());
  const String singleText = ObjectBinaryToText(b);
  EXPECT_NE(singleText.find(L"Ratio = -Infinitys"), String::npos) << singleText;
  EXPECT_EQ(ObjectTextToBinary(singleText), b);
  // A signed word that is not Infinity is not a number.
  EXPECT_THROW(ObjectTextToBinary(L"object Form1: TTestForm\r\n  Left = -Left\r\nend"), EParserError);
}

TEST(Streaming, NamesThatAreNotIdentifiersAreRefusedInText) {
  auto binary = [](const String& cls, const String& name, const String& prop) {
    TMemoryStream ms;
    TWriter w(&ms);
    w.WriteSignature();
    w.WritePrefix({}, 0);
    w.WriteStr(cls);
    w.WriteStr(name);
    w.WriteStr(prop);
    w.WriteInteger(1);
    w.WriteListEnd();
    w.WriteListEnd();
    return TBytes(static_cast<const Byte*>(ms.Memory()),
                  static_cast<const Byte*>(ms.Memory()) + ms.Size());
  };
  EXPECT_EQ(ObjectBinaryToText(binary(L"TTestForm", L"Form1", L"Font.Size")),
            L"object Form1: TTestForm\r\n  Font.Size = 1\r\nend\r\n");
  const String bad[][3] = {
      {L"TTestForm ", L"Form1", L"Left"},
      {L"TTestForm", L"Form 1", L"Left"},
      {L"TTestForm", L"Form1", L"Left;"},
      {L"TTestForm", L"Form1", L"Font..Size"},
      {L"", L"Form1", L"Left"},
      {L"TTest\x65E5", L"Form1", L"Left"},
  };
  for (const auto& b : bad) {
    SCOPED_TRACE(testing::Message() << "class '" << b[0] << "' name '" << b[1] << "' property '" << b[2] << "'");
    EXPECT_THROW(ObjectBinaryToText(binary(b[0], b[1], b[2])), EReadError);
  }
}

}  // namespace ZS_UNITY_ID
