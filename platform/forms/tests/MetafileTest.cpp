// Metafiles: pictures recorded on a metafile canvas, played back through the system's
// GDI, and read and written as .emf and placeable .wmf bytes, files and streams.
#include <gtest/gtest.h>

#include "Classes.h"
#include "Graphics.h"

namespace ZS_UNITY_ID {

namespace {

// A 60 x 40 pixel picture: white, with a red square at (10, 10)-(30, 30) and a blue bar
// along the bottom.
std::unique_ptr<TMetafile> Recorded() {
  auto m = std::make_unique<TMetafile>();
  m->SetWidth(60);
  m->SetHeight(40);
  {
    TMetafileCanvas c(m.get(), nullptr);
    c.Brush()->SetColor(clWhite);
    c.FillRect(RECT{0, 0, 60, 40});
    c.Brush()->SetColor(clRed);
    c.FillRect(RECT{10, 10, 30, 30});
    c.Brush()->SetColor(clBlue);
    c.FillRect(RECT{0, 34, 60, 40});
  }
  return m;
}

// The picture drawn at its own size on a grey bitmap, as COLORREFs at a few points.
std::vector<COLORREF> Played(TGraphic* G) {
  TBitmap b(G->Width(), G->Height());
  b.Canvas()->Brush()->SetColor(clGray);
  b.Canvas()->FillRect(RECT{0, 0, G->Width(), G->Height()});
  b.Canvas()->Draw(0, 0, G);
  std::vector<COLORREF> r;
  for (POINT p : {POINT{3, 3}, POINT{20, 20}, POINT{50, 20}, POINT{30, 37}})
    r.push_back(b.Canvas()->Pixel(p.x, p.y) & 0xFFFFFF);
  return r;
}

const std::vector<COLORREF> CExpected{RGB(255, 255, 255), RGB(255, 0, 0), RGB(255, 255, 255), RGB(0, 0, 255)};

}  // namespace

TEST(Metafile, RecordedPictureRoundTripsAsEnhancedAndPlaceableBytes) {
  auto m = Recorded();
  ASSERT_FALSE(m->Empty());
  EXPECT_TRUE(m->Enhanced());
  EXPECT_EQ(60, m->Width());
  EXPECT_EQ(40, m->Height());
  EXPECT_EQ(CExpected, Played(m.get()));

  for (bool enhanced : {true, false}) {
    SCOPED_TRACE(enhanced ? "emf" : "wmf");
    m->SetEnhanced(enhanced);
    const TBytes data = m->SaveToBytes();
    ASSERT_GT(data.size(), 40u);
    TMetafile back;
    back.LoadFromBytes(data);
    EXPECT_EQ(enhanced, back.Enhanced());
    EXPECT_EQ(60, back.Width());
    EXPECT_EQ(40, back.Height());
    EXPECT_EQ(CExpected, Played(&back));
    // Written again, it keeps its kind.
    TMetafile again;
    again.LoadFromBytes(back.SaveToBytes());
    EXPECT_EQ(enhanced, again.Enhanced());
    EXPECT_EQ(CExpected, Played(&again));
  }
}

TEST(Metafile, StreamReadsOnlyItsOwnBytesFromThePosition) {
  auto m = Recorded();
  for (bool enhanced : {true, false}) {
    SCOPED_TRACE(enhanced ? "emf" : "wmf");
    m->SetEnhanced(enhanced);
    TMemoryStream s;
    s.WriteBuffer("head", 4);
    m->SaveToStream(&s);
    const Int64 end = s.Position();
    s.WriteBuffer("tail", 4);
    s.SetPosition(4);
    TMetafile back;
    back.LoadFromStream(&s);
    EXPECT_EQ(end, s.Position());
    EXPECT_EQ(CExpected, Played(&back));
  }
}

TEST(Metafile, FilesByExtensionAndThroughAPicture) {
  EXPECT_EQ(TMetafile::StaticClass(), TPicture::FileFormatFor(L"emf"));
  EXPECT_EQ(TMetafile::StaticClass(), TPicture::FileFormatFor(L".WMF"));
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  auto m = Recorded();
  for (const wchar_t* name : {L"zs_forms_meta.wmf", L"zs_forms_meta.emf"}) {
    SCOPED_TRACE(name);
    const String file = String(dir) + name;
    m->SaveToFile(file);
    EXPECT_TRUE(m->Enhanced());  // the file's kind follows its extension, not the object's
    TPicture p;
    p.LoadFromFile(file);
    DeleteFileW(file.c_str());
    auto* g = dynamic_cast<TMetafile*>(p.Graphic());
    ASSERT_NE(nullptr, g);
    EXPECT_EQ(String(name).ends_with(L".emf"), g->Enhanced());
    EXPECT_EQ(CExpected, Played(g));
    // A copy is a picture of its own.
    TPicture q;
    q.Assign(&p);
    ASSERT_NE(q.Graphic(), p.Graphic());
    EXPECT_EQ(CExpected, Played(q.Graphic()));
  }
}

TEST(Metafile, BrokenBytesAreRefusedBeforeTheSystemSeesThem) {
  auto m = Recorded();
  const TBytes emf = m->SaveToBytes();
  m->SetEnhanced(false);
  const TBytes wmf = m->SaveToBytes();
  auto with = [](TBytes d, size_t at, Byte v) {
    d[at] = v;
    return d;
  };
  struct Case {
    const char* Name;
    TBytes Data;
  } cases[] = {
      {"empty", {}},
      {"not a metafile", TBytes(200, 7)},
      {"emf cut short", TBytes(emf.begin(), emf.begin() + emf.size() / 2)},
      {"emf record size past the end", with(emf, size_t(emf[4] | emf[5] << 8) + 7, 0x70)},
      {"emf length larger than the data", with(emf, 51, 0x10)},
      {"wmf checksum wrong", with(wmf, 20, Byte(wmf[20] ^ 1))},
      {"wmf cut short", TBytes(wmf.begin(), wmf.end() - 6)},
      {"wmf zero units per inch", [&] {
         TBytes d = with(with(wmf, 14, 0), 15, 0);
         d[20] ^= wmf[14];
         d[21] ^= wmf[15];
         return d;
       }()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TMetafile t;
    EXPECT_THROW(t.LoadFromBytes(c.Data), EInvalidGraphic);
    EXPECT_TRUE(t.Empty());
  }
}

}  // namespace ZS_UNITY_ID
