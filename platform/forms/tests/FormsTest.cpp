#include <gtest/gtest.h>

#include <thread>

#include "FormsTestSupport.h"
#include "Streaming.h"

namespace ZS_UNITY_ID {

using namespace zs_test;

namespace {

// A form whose layout comes from its resource; its handlers are bound by name.
class TLayoutForm : public TForm {
  DECLARE_CLASS(TLayoutForm, TForm)
  PUBLISHED(TLayoutForm)

 public:
  explicit TLayoutForm(TComponent* AOwner) : TForm(AOwner) {}
  int Created = 0;
  int HeaderClicks = 0;
  int SpotClicks = 0;
  void FormCreate(TObject*) { ++Created; }
  void HeaderClick(TObject*) {
    ++HeaderClicks;
    throw EConvertError(L"Header click %d failed", {HeaderClicks});
  }
  void SpotClick(TObject*) { ++SpotClicks; }
  template <class T> T* Find(const wchar_t* Name) { return dynamic_cast<T*>(FindComponent(Name)); }
};

void TLayoutForm::DeclarePublished(TPublisher<TLayoutForm>& P) {
  P.Method(L"FormCreate", &TLayoutForm::FormCreate);
  P.Method(L"HeaderClick", &TLayoutForm::HeaderClick);
  P.Method(L"SpotClick", &TLayoutForm::SpotClick);
}

// A form class without a resource.
class TNoResourceForm : public TForm {
  DECLARE_CLASS(TNoResourceForm, TForm)
 public:
  explicit TNoResourceForm(TComponent* AOwner) : TForm(AOwner) {}
};

struct TRegistration {
  TRegistration() {
    RegisterClasses({TSwatch::StaticClass(), TDot::StaticClass(), TLayoutForm::StaticClass()});
  }
};

TEST(Forms, CreationLookupsAndModalResult) {
  static TRegistration registered;
  EXPECT_THROW(TCustomForm::Create<TNoResourceForm>(nullptr), EResNotFound);
  std::unique_ptr<TForm> plain(TCustomForm::Create<TForm>(nullptr));
  ASSERT_EQ(Screen->FormCount(), 1);
  EXPECT_EQ(Screen->Forms(0), plain.get());
  auto* child = new TSwatch(plain.get());
  child->SetParent(plain.get());
  auto* grandchild = new TSwatch(plain.get());
  grandchild->SetParent(child);
  EXPECT_EQ(GetParentForm(grandchild), plain.get());
  EXPECT_EQ(GetParentForm(new TSwatch(plain.get())), nullptr);
  EXPECT_EQ(FindControl(grandchild->Handle()), grandchild);
  EXPECT_EQ(FindControl(GetDesktopWindow()), nullptr);

  // ShowModal returns the ModalResult that a handler sets.
  plain->SetPosition(poScreenCenter);
  plain->SetClientWidth(200);
  plain->SetClientHeight(100);
  int shown = 0;
  plain->OnShow = [&](TObject*) { ++shown; };
  bool otherEnabled = true;
  std::unique_ptr<TForm> other(TCustomForm::Create<TForm>(nullptr));
  other->Show();
  DWORD started = GetTickCount();
  Application->OnIdle = [&](TObject*, bool&) {
    if (GetTickCount() - started > 10000) plain->SetModalResult(mrAbort);  // stuck: give up
    if (plain->Visible() && plain->Modal()) {
      otherEnabled = IsWindowEnabled(other->Handle()) != FALSE;
      plain->SetModalResult(mrOk);
    }
  };
  EXPECT_EQ(plain->ShowModal(), mrOk);
  Application->OnIdle = nullptr;
  EXPECT_FALSE(otherEnabled);
  EXPECT_TRUE(IsWindowEnabled(other->Handle()));
  EXPECT_EQ(shown, 1);
  EXPECT_FALSE(plain->Visible());
  EXPECT_FALSE(plain->Modal());
  RECT r = plain->BoundsRect();
  EXPECT_NEAR((r.left + r.right) / 2, Screen->Width() / 2, 2);
  EXPECT_NEAR((r.top + r.bottom) / 2, Screen->Height() / 2, 2);
}

// A modal form whose handler fails, before its loop (OnShow) or inside it (OnCloseQuery),
// passes the failure on and puts back what it changed: the other windows are enabled and
// the one active before is active again, the form is hidden and no longer modal, and it
// can run modally again.
TEST(Forms, AFailingModalFormPutsBackWhatItChanged) {
  enum TFailIn { fiShow, fiCloseQuery };
  for (TFailIn failIn : {fiShow, fiCloseQuery}) {
    SCOPED_TRACE(failIn == fiShow ? "OnShow fails" : "OnCloseQuery fails");
    std::unique_ptr<TForm> other(TCustomForm::Create<TForm>(nullptr));
    other->SetBounds(20, 20, 200, 100);
    other->Show();
    SetActiveWindow(other->Handle());
    ASSERT_EQ(GetActiveWindow(), other->Handle());
    std::unique_ptr<TForm> modal(TCustomForm::Create<TForm>(nullptr));
    modal->SetBounds(60, 60, 200, 100);
    bool failing = true;
    int shows = 0, hides = 0;
    modal->OnShow = [&](TObject*) {
      ++shows;
      if (failing && failIn == fiShow) throw EConvertError(L"show failed");
    };
    modal->OnHide = [&](TObject*) { ++hides; };
    modal->OnCloseQuery = [&](TObject*, bool&) {
      if (failing && failIn == fiCloseQuery) throw EConvertError(L"close query failed");
    };
    bool otherEnabled = true, modalShown = false;
    DWORD started = GetTickCount();
    Application->OnIdle = [&](TObject*, bool&) {
      if (GetTickCount() - started > 10000) modal->SetModalResult(mrAbort);  // stuck: give up
      if (modal->Modal() && modal->HandleAllocated() && IsWindowVisible(modal->Handle())) {
        otherEnabled = IsWindowEnabled(other->Handle()) != FALSE;
        modalShown = true;
        modal->SetModalResult(mrOk);
      }
    };
    EXPECT_THROW(modal->ShowModal(), EConvertError);
    EXPECT_EQ(modalShown, failIn == fiCloseQuery);
    if (failIn == fiCloseQuery) {
      EXPECT_FALSE(otherEnabled);  // disabled while the loop ran
    }
    EXPECT_TRUE(IsWindowEnabled(other->Handle()));
    EXPECT_EQ(GetActiveWindow(), other->Handle());
    EXPECT_FALSE(modal->Modal());
    EXPECT_FALSE(modal->Visible());
    EXPECT_FALSE(modal->Showing());
    EXPECT_FALSE(modal->HandleAllocated() && IsWindowVisible(modal->Handle()));
    // A form that never showed is not told that it hides.
    EXPECT_EQ(hides, failIn == fiShow ? 0 : 1);

    failing = false;
    modalShown = false;
    started = GetTickCount();
    EXPECT_EQ(modal->ShowModal(), mrOk);
    Application->OnIdle = nullptr;
    EXPECT_TRUE(modalShown);
    EXPECT_EQ(shows, 2);
    EXPECT_TRUE(IsWindowEnabled(other->Handle()));
    EXPECT_FALSE(modal->Modal());
    EXPECT_FALSE(modal->Visible());
  }
}

TEST(Forms, FormsDesignedAtAnotherResolutionAreScaledWhenRead) {
  static TRegistration registered;
  std::unique_ptr<TForm> form(TCustomForm::Create<TForm>(nullptr));
  const Integer ppi = Screen->PixelsPerInch();
  const String text = L"object Scaled: TForm\n"
                      L"  ClientWidth = 400\n"
                      L"  ClientHeight = 200\n"
                      L"  PixelsPerInch = " + std::to_wstring(ppi * 2) + L"\n"
                      L"  object Box: TSwatch\n"
                      L"    Left = 100\n"
                      L"    Top = 40\n"
                      L"    Width = 200\n"
                      L"    Height = 60\n"
                      L"  end\n"
                      L"end\n";
  TextToComponent(text, form.get());
  auto* box = dynamic_cast<TSwatch*>(form->FindComponent(L"Box"));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(form->PixelsPerInch(), ppi);
  EXPECT_EQ(form->ClientWidth(), 200);
  EXPECT_EQ(form->ClientHeight(), 100);
  EXPECT_EQ(box->Left(), 50);
  EXPECT_EQ(box->Top(), 20);
  EXPECT_EQ(box->Width(), 100);
  EXPECT_EQ(box->Height(), 30);
}

TEST(Forms, CallsFromOtherThreadsRunInTheMessageLoop) {
  DWORD ranOn = 0;
  bool returned = false;
  std::thread worker([&] {
    TThread::Synchronize(nullptr, [&] { ranOn = GetCurrentThreadId(); });
    returned = true;
  });
  // Only messages are handled here: the queued call must wake the loop by itself.
  EXPECT_TRUE(PumpUntil([&] { return ranOn != 0; }, 5000));
  if (!ranOn) CheckSynchronize(5000);  // never leave the worker blocked
  worker.join();
  EXPECT_EQ(ranOn, GetCurrentThreadId());
  EXPECT_TRUE(returned);
}

TEST(Forms, ScreenAndMouse) {
  EXPECT_GT(Screen->Width(), 0);
  EXPECT_GE(Screen->MonitorCount(), 1);
  TMonitor* m = Screen->MonitorFromPoint(POINT{1, 1});
  ASSERT_NE(m, nullptr);
  EXPECT_TRUE(m->Primary());
  RECT wa = Screen->WorkAreaRect();
  EXPECT_GT(wa.right - wa.left, 0);
  EXPECT_GT(Screen->PixelsPerInch(), 0);
  EXPECT_GT(Screen->Fonts()->Count(), 0);
  EXPECT_NE(Screen->Cursors(crHourGlass), nullptr);
  Mouse->SetCursorPos(POINT{33, 44});
  POINT p = Mouse->CursorPos();
  EXPECT_EQ(p.x, 33);
  EXPECT_EQ(p.y, 44);
  EXPECT_GT(Mouse->DragThreshold(), 0);
}

// Runs last: once the application's loop has ended it stays terminated.
TEST(Forms, ResourceFormRunsUntilTheMainFormCloses) {
  static TRegistration registered;
  TLayoutForm* form = nullptr;
  Application->CreateForm(form);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(Application->MainForm(), form);
  EXPECT_EQ(form->Created, 1);
  EXPECT_EQ(form->Caption(), L"Layout");
  auto* header = form->Find<TSwatch>(L"Header");
  auto* side = form->Find<TSwatch>(L"Side");
  auto* body = form->Find<TSwatch>(L"Body");
  auto* inner = form->Find<TSwatch>(L"Inner");
  auto* spot = form->Find<TDot>(L"Spot");
  ASSERT_TRUE(header && side && body && inner && spot);
  EXPECT_EQ(inner->Parent(), body);
  EXPECT_EQ(spot->Parent(), inner);
  EXPECT_EQ(body->TabOrder(), 0);
  EXPECT_EQ(side->TabOrder(), 1);
  EXPECT_EQ(header->TabOrder(), 2);

  std::vector<String> errors;
  Application->OnException = [&](TObject*, const Exception& E) { errors.push_back(E.Message()); };
  int step = 0;
  bool closeAllowed = false;
  int closeQueries = 0;
  form->OnCloseQuery = [&](TObject*, bool& CanClose) {
    ++closeQueries;
    CanClose = closeAllowed;
  };
  std::vector<TColor> pixels;
  DWORD started = GetTickCount();
  // The test script runs from the idle handler, one step per idle turn.
  Application->OnIdle = [&](TObject*, bool& Done) {
    Done = true;
    if (GetTickCount() - started > 20000) {
      ADD_FAILURE() << "script stuck at step " << step;
      Application->Terminate();
      return;
    }
    HWND h = form->Handle();
    switch (step) {
      case 0:
        if (!IsWindowVisible(h)) return;
        SetForegroundWindow(h);
        break;
      case 1: {
        // Layout read from the resource, then aligned: pixels where it puts them.
        UpdateWindow(h);
        for (POINT p : {POINT{150, 20}, POINT{30, 100}, POINT{200, 150}, POINT{200, 55},
                        POINT{60 + 10, 40 + 10}})
          pixels.push_back(PixelAt(h, p.x, p.y));
        break;
      }
      case 2:
        ClickAt(header->ClientToScreen(POINT{3, 3}));  // the handler raises
        break;
      case 3:
        ClickAt(header->ClientToScreen(POINT{200, 30}));  // the loop still runs
        break;
      case 4:
        ClickAt(spot->ClientToScreen(POINT{2, 2}));
        break;
      case 5:
        PostMessageW(h, WM_CLOSE, 0, 0);  // refused by OnCloseQuery
        break;
      case 6:
        closeAllowed = true;
        PostMessageW(h, WM_CLOSE, 0, 0);
        break;
      default:
        return;
    }
    ++step;
    Done = false;
  };
  Application->Run();
  Application->OnIdle = nullptr;
  Application->OnException = nullptr;

  EXPECT_EQ(step, 7);
  EXPECT_TRUE(Application->Terminated());
  ASSERT_EQ(pixels.size(), 5u);
  EXPECT_EQ(pixels[0], clRed);
  EXPECT_EQ(pixels[1], clLime);
  EXPECT_EQ(pixels[2], clBlue);
  EXPECT_EQ(pixels[3], clYellow);
  EXPECT_EQ(pixels[4], clFuchsia);
  EXPECT_EQ(form->HeaderClicks, 2);
  EXPECT_EQ(form->SpotClicks, 1);
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0], L"Header click 1 failed");
  EXPECT_EQ(errors[1], L"Header click 2 failed");
  EXPECT_EQ(closeQueries, 2);
  delete form;
  EXPECT_EQ(Application->MainForm(), nullptr);
  EXPECT_EQ(Screen->FormCount(), 0);
}

}  // namespace

TEST(Forms, NoControlBecomesItsOwnAncestor) {
  static TRegistration registered;
  std::unique_ptr<TForm> form(TCustomForm::Create<TForm>(nullptr));
  TextToComponent(L"object Nest: TForm\n"
                  L"  object Outer: TSwatch\n"
                  L"    object Inner: TSwatch\n"
                  L"    end\n"
                  L"  end\n"
                  L"end\n",
                  form.get());
  auto* outer = dynamic_cast<TSwatch*>(form->FindComponent(L"Outer"));
  auto* inner = dynamic_cast<TSwatch*>(form->FindComponent(L"Inner"));
  ASSERT_TRUE(outer && inner);
  ASSERT_EQ(inner->Parent(), outer);
  EXPECT_THROW(outer->SetParent(outer), EInvalidOperation);
  EXPECT_THROW(outer->SetParent(inner), EInvalidOperation);
  EXPECT_THROW(form->SetParent(inner), EInvalidOperation);
  EXPECT_EQ(outer->Parent(), form.get());
  EXPECT_EQ(inner->Parent(), outer);
  // A form text that names the outer control inside its own child is refused instead of
  // closing the cycle and recursing without end.
  try {
    TextToComponent(L"inherited Nest: TForm\n"
                    L"  inherited Outer: TSwatch\n"
                    L"    inherited Inner: TSwatch\n"
                    L"      inherited Outer: TSwatch\n"
                    L"      end\n"
                    L"    end\n"
                    L"  end\n"
                    L"end\n",
                    form.get());
    ADD_FAILURE() << "read";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), L"A control cannot have one of its children as its parent");
  }
  EXPECT_EQ(outer->Parent(), form.get());
  EXPECT_EQ(inner->Parent(), outer);
}

}  // namespace ZS_UNITY_ID
