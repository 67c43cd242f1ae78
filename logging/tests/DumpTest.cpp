// Process, system, registry, window, key, file, memory and image dumps, read back
// through a capturing send hook; windows are real windows under the test display.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "CaptureLogger.h"
#include "VantrelLogging.h"

namespace ZS_UNITY_ID {

using capture::TCapturingLogger;

namespace {

std::vector<String> Labels(const std::vector<String>& Lines) {
  std::vector<String> r;
  for (const String& l : Lines) r.push_back(l.substr(0, l.find(L'=') + 1));
  return r;
}

bool Has(const std::vector<String>& Lines, const String& Line) {
  return std::find(Lines.begin(), Lines.end(), Line) != Lines.end();
}

void Pump(DWORD Ms) {
  const ULONGLONG end = GetTickCount64() + Ms;
  MSG msg;
  while (GetTickCount64() < end) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(5);
  }
}

// A top-level window of its own class, painted with one colour, destroyed with the scope.
class TTestWindow {
 public:
  TTestWindow(DWORD Style, DWORD ExStyle, const RECT& R, COLORREF Color, const wchar_t* Caption) {
    FBrush = CreateSolidBrush(Color);
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = FBrush;
    wc.lpszClassName = L"ZsDumpTestWindow";
    RegisterClassW(&wc);
    FWnd = CreateWindowExW(ExStyle, wc.lpszClassName, Caption, Style, R.left, R.top, R.right - R.left,
                           R.bottom - R.top, nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~TTestWindow() {
    DestroyWindow(FWnd);
    // The class goes with the window, so that the next window registers its own colour.
    UnregisterClassW(L"ZsDumpTestWindow", GetModuleHandleW(nullptr));
    DeleteObject(FBrush);
  }
  HWND Wnd() const { return FWnd; }

 private:
  HWND FWnd = nullptr;
  HBRUSH FBrush = nullptr;
};

COLORREF ScreenPixel(int X, int Y) {
  HDC dc = GetDC(nullptr);
  const COLORREF c = GetPixel(dc, X, Y);
  ReleaseDC(nullptr, dc);
  return c;
}

TBytes HexToBytes(const String& Hex) {
  TBytes r;
  for (std::size_t i = 0; i + 1 < Hex.size(); i += 2) r.push_back(static_cast<Byte>(std::stoi(Hex.substr(i, 2), nullptr, 16)));
  return r;
}

String TempFile(const String& Name) {
  wchar_t dir[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, dir);
  return String(dir) + Name;
}

void WriteBytes(const String& Path, const std::string& Bytes) {
  HANDLE f = CreateFileW(Path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(f, Bytes.data(), static_cast<DWORD>(Bytes.size()), &written, nullptr);
  CloseHandle(f);
}

}  // namespace

TEST(HexDump, AlignedLinesFromTheStart) {
  TMemoryStream s;
  for (Byte b = 0; b < 10; ++b) s.Write(&b, 1);
  s.SetPosition(0);
  TStringList lines;
  HexDumpStream(&s, &lines);
  ASSERT_EQ(lines.Count(), 2);
  EXPECT_EQ(lines[0], L"00000000: 00 01 02 03 04 05 06 07  | ........");
  EXPECT_EQ(lines[1], L"00000008: 08 09                    | ..");
  EXPECT_EQ(s.Position(), 0);
}

TEST(HexDump, APositionInsideALineLeadsWithBlanksAndIsRestored) {
  const char text[] = "ABCDEFGHIJK";
  TMemStream s;
  s.SetPointer(const_cast<char*>(text), 11);
  s.SetPosition(3);
  TStringList lines;
  HexDumpStream(&s, &lines);
  ASSERT_EQ(lines.Count(), 2);
  EXPECT_EQ(lines[0], L"00000000:          44 45 46 47 48  |    DEFGH");
  EXPECT_EQ(lines[1], L"00000008: 49 4A 4B                 | IJK");
  EXPECT_EQ(s.Position(), 3);
}

TEST(HexDump, MemoryStreamAndFileSends) {
  const Byte data[3] = {0x41, 0x00, 0xFF};
  TCapturingLogger cap;
  cap.Logger.SendMemoryAsHex(L"mem", data, 3);
  const auto& m = cap.Only();
  EXPECT_EQ(m.Type, vrmMemory);
  EXPECT_EQ(m.TypeName, L"Stream");
  ASSERT_EQ(m.Details.size(), 1u);
  EXPECT_EQ(m.Details[0], L"00000000: 41 00 FF                 | A.\u00FF");

  const String path = TempFile(L"zs_hexdump.bin");
  WriteBytes(path, "0123456789");
  TCapturingLogger file;
  file.Logger.SendFileAsHex(L"file", path);
  ASSERT_EQ(file.Only().Details.size(), 2u);
  EXPECT_EQ(file.Only().Details[1], L"00000008: 38 39                    | 89");
  DeleteFileW(path.c_str());

  TCapturingLogger missing;
  missing.Logger.SendFileAsHex(L"file", path);
  EXPECT_EQ(missing.Only().Type, vrmError);
  EXPECT_EQ(missing.Only().Text, L"SendFileAsHex Error: File does not exist (" + path + L")");
}

TEST(FileSends, TextAndXmlFilesAndData) {
  const String path = TempFile(L"zs_textfile.txt");
  WriteBytes(path, "\xEF\xBB\xBF" "first\r\n\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\r\n");
  TCapturingLogger cap;
  cap.Logger.SendTextFile(L"text", path);
  cap.Logger.SendXmlFile(L"xml", path);
  ASSERT_EQ(cap.Messages.size(), 2u);
  EXPECT_EQ(cap.Messages[0].Type, vrmTextFile);
  EXPECT_EQ(cap.Messages[0].TypeName, L"Text File");
  EXPECT_EQ(cap.Messages[0].Details, (std::vector<String>{L"first", L"日本語"}));
  EXPECT_EQ(cap.Messages[1].Type, vrmXmlData);
  EXPECT_EQ(cap.Messages[1].TypeName, L"Xml File");

  // A file locked against readers is reported as unreadable, not raised.
  HANDLE lock = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  TCapturingLogger locked;
  locked.Logger.SendTextFile(L"text", path);
  EXPECT_EQ(locked.Only().Text, L"SendTextFile Error: Unable to read file (" + path + L")");
  CloseHandle(lock);
  DeleteFileW(path.c_str());

  TCapturingLogger missing;
  missing.Logger.SendXmlFile(L"xml", path);
  EXPECT_EQ(missing.Only().Text, L"SendXmlFile Error: File does not exist (" + path + L")");

  TCapturingLogger data;
  data.Logger.SendXmlData(L"raw", String(L"<a>\r\n<b/></a>"));
  TStringList list;
  list.Add(L"<x/>");
  data.Logger.SendXmlData(L"list", &list);
  ASSERT_EQ(data.Messages.size(), 2u);
  EXPECT_EQ(data.Messages[0].TypeName, L"Xml Data");
  EXPECT_EQ(data.Messages[0].Details, (std::vector<String>{L"<a>", L"<b/></a>"}));
  EXPECT_EQ(data.Messages[1].Details, (std::vector<String>{L"<x/>"}));

  // A stream's text is read from its position.
  const char raw[] = "abc\r\ndef";
  TMemStream stream;
  stream.SetPointer(const_cast<char*>(raw), 8);
  stream.SetPosition(2);
  TCapturingLogger text;
  text.Logger.SendStreamAsText(L"s", &stream);
  EXPECT_EQ(text.Only().Type, vrmMemory);
  EXPECT_EQ(text.Only().TypeName, L"Stream");
  EXPECT_EQ(text.Only().Details, (std::vector<String>{L"c", L"def"}));
}

TEST(KeySends, NamesCodesAndShiftStates) {
  struct Case {
    Word Key;
    TShiftState Shift;
    String Text;
  };
  const std::vector<Case> cases = {
      {VK_RETURN, TShiftState{ssShift}, L"k = VK_RETURN ($000D, [ssShift])"},
      {200, TShiftState{}, L"k =  ($00C8, [])"},
      {'A', TShiftState{ssCtrl, ssAlt}, L"k = VK_A ($0041, [ssAlt, ssCtrl])"},
      {'7', TShiftState{}, L"k = VK_7 ($0037, [])"},
      {VK_NUMPAD3, TShiftState{}, L"k = VK_NUMPAD3 ($0063, [])"},
      {VK_F24, TShiftState{ssDouble}, L"k = VK_F24 ($0087, [ssDouble])"},
      {25, TShiftState{}, L"k = VK_HANJA or VK_KANJI ($0019, [])"},
      {VK_OEM_CLEAR, TShiftState{}, L"k = VK_OEM_CLEAR ($00FE, [])"},
  };
  for (const Case& c : cases) {
    TCapturingLogger cap;
    cap.Logger.SendKey(L"k", c.Key, c.Shift);
    EXPECT_EQ(cap.Only().Text, c.Text);
    EXPECT_EQ(cap.Only().Type, vrmInfo);
  }
  TCapturingLogger mouse;
  mouse.Logger.SendMouseButton(vrmNote, L"b", mbRight, TShiftState{ssRight});
  EXPECT_EQ(mouse.Only().Text, L"b = VK_RBUTTON ($0002, [ssRight])");
  EXPECT_EQ(mouse.Only().Type, vrmNote);
}

TEST(RegistryDump, ValuesSubKeysAndTheMissingKey) {
  const String key = L"Software\\ZalvoSorvaneTests\\Dump";
  HKEY k = nullptr, sub = nullptr;
  RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), 0);
  auto setStr = [](HKEY K, const wchar_t* Name, const wchar_t* Text) {
    RegSetValueExW(K, Name, 0, REG_SZ, reinterpret_cast<const BYTE*>(Text), static_cast<DWORD>((wcslen(Text) + 1) * 2));
  };
  setStr(k, L"", L"the default");
  setStr(k, L"Zeta", L"last");
  const DWORD num = 255;
  RegSetValueExW(k, L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&num), 4);
  const BYTE bin[] = {0xAB, 0x01};
  RegSetValueExW(k, L"Bin", 0, REG_BINARY, bin, 2);
  const wchar_t multi[] = L"a\0b\0";
  RegSetValueExW(k, L"Multi", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi), sizeof(multi));
  ASSERT_EQ(RegCreateKeyExW(k, L"Child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr), 0);
  setStr(sub, L"X", L"y");
  RegCloseKey(sub);
  RegCloseKey(k);

  TCapturingLogger cap;
  cap.Logger.SendRegistry(key, true);
  const auto& m = cap.Only();
  EXPECT_EQ(m.Type, vrmRegistry);
  EXPECT_EQ(m.Text, L"HKEY_CURRENT_USER\\" + key);
  EXPECT_EQ(m.TypeName, L"Registry Key");
  // The names are padded to the longest name (6); "Default" stands for the empty name.
  const std::vector<String> expected = {L"[" + key + L"]",
                                        L"Default = the default",
                                        L"Bin    = AB 01 ",
                                        L"Multi  = Unknown Data Type",
                                        L"Number = 0x000000FF (255)",
                                        L"Zeta   = last",
                                        L"",
                                        L"[" + key + L"\\Child]",
                                        L"X = y"};
  EXPECT_EQ(m.Details, expected);

  TCapturingLogger flat;
  flat.Logger.SendRegistry(HKEY_CURRENT_USER, key, false);
  EXPECT_EQ(flat.Only().Details.size(), 6u);

  TCapturingLogger missing;
  missing.Logger.SendRegistry(key + L"\\Nope", true);
  EXPECT_EQ(missing.Only().Type, vrmError);
  EXPECT_EQ(missing.Only().Text, L"SendRegistry Error: Key does not exist (" + key + L"\\Nope)");
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ZalvoSorvaneTests");
}

TEST(WindowDump, PropertiesAndStyleNames) {
  TTestWindow w(WS_OVERLAPPEDWINDOW, WS_EX_TOOLWINDOW, RECT{30, 40, 230, 140}, RGB(10, 20, 30), L"Dump me");
  ASSERT_TRUE(w.Wnd());
  SetWindowLongPtrW(w.Wnd(), GWLP_USERDATA, -5);
  TCapturingLogger cap;
  cap.Logger.SendWindowHandle(L"win", w.Wnd());
  const auto& m = cap.Only();
  EXPECT_EQ(m.Type, vrmWindow);
  EXPECT_EQ(m.TypeName, L"Window Handle");
  const std::vector<String> head = {L"Caption = Dump me", L"Top = 40", L"Left = 30", L"Width = 200",
                                    L"Height = 100", L"", L"Class Name = ZsDumpTestWindow", L"User Data = -5",
                                    L"", L"Styles:"};
  ASSERT_GT(m.Details.size(), head.size());
  EXPECT_EQ(std::vector<String>(m.Details.begin(), m.Details.begin() + head.size()), head);
  const auto stylesEnd = std::find(m.Details.begin() + head.size(), m.Details.end(), L"");
  const std::vector<String> styles(m.Details.begin() + head.size(), stylesEnd);
  const std::vector<String> expectedStyles = {L"WS_OVERLAPPEDWINDOW", L"WS_BORDER", L"WS_CLIPSIBLINGS", L"WS_CAPTION",
                                              L"WS_BORDER", L"WS_DLGFRAME", L"WS_SYSMENU", L"WS_THICKFRAME",
                                              L"WS_GROUP", L"WS_TABSTOP", L"WS_MINIMIZEBOX", L"WS_MAXIMIZEBOX"};
  EXPECT_EQ(styles, expectedStyles);
  const std::vector<String> ex(stylesEnd + 2, m.Details.end());
  EXPECT_EQ(*(stylesEnd + 1), L"ExStyles:");
  EXPECT_TRUE(Has(ex, L"WS_EX_TOOLWINDOW"));
  EXPECT_TRUE(Has(ex, L"WS_EX_LEFT"));
  EXPECT_TRUE(Has(ex, L"WS_EX_LTRREADING"));
  EXPECT_TRUE(Has(ex, L"WS_EX_RIGHTSCROLLBAR"));
  EXPECT_FALSE(Has(ex, L"WS_EX_TOPMOST"));

  TCapturingLogger bad;
  bad.Logger.SendWindowHandle(L"gone", reinterpret_cast<HWND>(static_cast<NativeUInt>(0x7FFF0)));
  EXPECT_EQ(bad.Only().Type, vrmError);
  EXPECT_EQ(bad.Only().Text, L"SendWindowHandle Error: Not a valid HWND (gone)");
}

TEST(ImageDumps, ScreenShotReadsBackAsTheWindowsPixels) {
  TTestWindow w(WS_POPUP | WS_VISIBLE, WS_EX_TOPMOST, RECT{60, 70, 100, 100}, RGB(0, 128, 255), L"");
  UpdateWindow(w.Wnd());
  // Wait until the window shows on the screen.
  for (int i = 0; i < 100 && ScreenPixel(80, 85) != RGB(0, 128, 255); ++i) Pump(20);
  TCapturingLogger cap;
  cap.Logger.SendScreenShot(L"shot", w.Wnd());
  const auto& m = cap.Only();
  EXPECT_EQ(m.Type, vrmBitmap);
  EXPECT_EQ(m.TypeName, L"Bitmap");
  ASSERT_EQ(m.Details.size(), 1u);
  const TBytes bytes = HexToBytes(m.Details[0]);
  ASSERT_GT(bytes.size(), 2u);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  TMemoryStream s;
  s.Write(bytes.data(), static_cast<Integer>(bytes.size()));
  s.SetPosition(0);
  TBitmap bmp;
  bmp.LoadFromStream(&s);
  EXPECT_EQ(bmp.Width(), 40);
  EXPECT_EQ(bmp.Height(), 30);
  for (POINT p : {POINT{0, 0}, POINT{20, 15}, POINT{39, 29}})
    EXPECT_EQ(GetPixel(bmp.Canvas()->Handle(), p.x, p.y), RGB(0, 128, 255)) << p.x << "," << p.y;
}

TEST(ImageDumps, BitmapsGraphicsAndTheirErrors) {
  TBitmap bmp(3, 2);
  bmp.Canvas()->Brush()->SetColor(clRed);
  bmp.Canvas()->FillRect(RECT{0, 0, 3, 2});
  TMemoryStream direct;
  bmp.SaveToStream(&direct);
  TCapturingLogger cap;
  cap.Logger.Send(L"bmp", &bmp);
  TPicture pic;
  pic.SetBitmap(&bmp);
  cap.Logger.Send(L"pic", &pic);
  ASSERT_EQ(cap.Messages.size(), 2u);
  TBytes expected(static_cast<std::size_t>(direct.Size()));
  memcpy(expected.data(), direct.Memory(), expected.size());
  EXPECT_EQ(cap.Messages[0].Details[0], BytesToHexText(expected));
  EXPECT_EQ(cap.Messages[1].Type, vrmBitmap);
  EXPECT_EQ(cap.Messages[1].TypeName, L"Bitmap");

  TPicture empty;
  TCapturingLogger errors;
  errors.Logger.Send(L"x", static_cast<TBitmap*>(nullptr));
  errors.Logger.Send(L"x", static_cast<TIcon*>(nullptr));
  errors.Logger.Send(L"x", static_cast<TPicture*>(nullptr));
  errors.Logger.Send(L"x", &empty);
  errors.Logger.Send(L"x", static_cast<TGraphic*>(nullptr));
  const std::vector<String> texts = {L"Send Data Error: Bitmap is Not Assigned", L"Send Data Error: Icon is Not Assigned",
                                     L"Send Data Error: Picture is Not Assigned",
                                     L"Send Data Error: Picture.Graphic is Not Assigned",
                                     L"Send Data Error: Graphic is Not Assigned"};
  ASSERT_EQ(errors.Messages.size(), texts.size());
  for (std::size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(errors.Messages[i].Text, texts[i]);
    EXPECT_EQ(errors.Messages[i].Type, vrmError);
  }
}

TEST(SystemDumps, HeapMemorySystemAndVersionLines) {
  TCapturingLogger cap;
  cap.Logger.SendHeapStatus();
  cap.Logger.SendMemoryStatus();
  cap.Logger.SendSystemInfo();
  cap.Logger.SendVersionInfo();
  ASSERT_EQ(cap.Messages.size(), 4u);
  const auto& heap = cap.Messages[0];
  EXPECT_EQ(heap.Type, vrmMemStatus);
  EXPECT_EQ(heap.Text, L"RTL Heap Status");
  EXPECT_EQ(Labels(heap.Details),
            (std::vector<String>{L"Total Address Space=", L"Total Uncommitted=", L"Total Committed=",
                                 L"Total Allocated=", L"TotalFree=", L"FreeSmall=", L"FreeBig=", L"Unused=",
                                 L"Overhead=", L"Heap Error Code="}));
  // The figures were taken at start-up, with the thousands separator.
  EXPECT_NE(heap.Details[3], L"Total Allocated=0");
  EXPECT_NE(heap.Details[2].find(FormatSettings.ThousandSeparator), String::npos);
  EXPECT_EQ(heap.Details[9], L"Heap Error Code=0");

  const auto& mem = cap.Messages[1];
  EXPECT_EQ(mem.Text, L"Memory Status");
  EXPECT_EQ(Labels(mem.Details),
            (std::vector<String>{L"Memory Load=", L"Total Physical Memory=", L"Avail Physical Memory=",
                                 L"Total Page File=", L"Avail Page File=", L"Total Virtual Memory=",
                                 L"Avail Virtual Memory=", L"Avail Ext Virtual Memory="}));
  EXPECT_EQ(mem.Details[0].back(), L'%');

  const auto& sys = cap.Messages[2];
  EXPECT_EQ(sys.Type, vrmSysInfo);
  EXPECT_EQ(Labels(sys.Details),
            (std::vector<String>{L"Platform=", L"Major Version=", L"Minor Version=", L"Build Number=",
                                 L"Other Info=", L"=", L"Computer Name=", L"User Name=", L"=", L"Screen Width=",
                                 L"Screen Height=", L"Pixels Per Inch=", L"Small Fonts=", L"Color Depth="}));
  EXPECT_EQ(sys.Details[9], L"Screen Width=" + IntToStr(GetSystemMetrics(SM_CXSCREEN)));
  EXPECT_EQ(sys.Details[6], L"Computer Name=" + GlobalLogManager->ComputerName());

  // The test program carries no version resource.
  const auto& ver = cap.Messages[3];
  EXPECT_EQ(ver.Type, vrmVerInfo);
  ASSERT_EQ(ver.Details.size(), 12u);
  EXPECT_EQ(ver.Details[0], L"LanguageID=Not Available");
  EXPECT_EQ(ver.Details[2], L"Company Name=Not Available");
  EXPECT_EQ(ver.Details[11], L"Comments=Not Available");
}

}  // namespace ZS_UNITY_ID
