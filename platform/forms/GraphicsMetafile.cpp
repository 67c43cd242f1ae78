// Metafiles: enhanced metafiles held by their GDI handle, read from and written to .emf
// and placeable .wmf bytes.
#include <algorithm>
#include <cstring>

#include "Classes.h"
#include "Graphics.h"
#include "SysUtils.h"

namespace {

constexpr DWORD CPlaceableKey = 0x9AC6CDD7;
constexpr size_t CPlaceableHeaderSize = 22;
constexpr size_t CWinMetaHeaderSize = 18;
// The part of an enhanced metafile header every version has (up to and with szlMillimeters).
constexpr size_t CEnhHeaderMinSize = 88;
constexpr Integer CHundredthMMPerInch = 2540;

template <class T>
T ReadLE(const TBytes& AData, size_t AOffset) {
  T v;
  std::memcpy(&v, AData.data() + AOffset, sizeof v);
  return v;
}

template <class T>
void WriteLE(TBytes& AData, size_t AOffset, T AValue) {
  std::memcpy(AData.data() + AOffset, &AValue, sizeof AValue);
}

[[noreturn]] void InvalidMetafile() { throw EInvalidGraphic(L"Metafile is not valid"); }

bool IsEnhancedData(const TBytes& AData) {
  return AData.size() >= CEnhHeaderMinSize && ReadLE<DWORD>(AData, 0) == EMR_HEADER &&
         ReadLE<DWORD>(AData, 40) == ENHMETA_SIGNATURE;
}

bool IsPlaceableData(const TBytes& AData) {
  return AData.size() >= 4 && ReadLE<DWORD>(AData, 0) == CPlaceableKey;
}

// The records of an enhanced metafile must tile its bytes exactly and end with EMR_EOF:
// the system trusts the sizes it is given.
bool EnhancedRecordsValid(const TBytes& AData, size_t ABytes) {
  size_t at = 0;
  DWORD last = 0;
  while (at < ABytes) {
    if (ABytes - at < 8) return false;
    const DWORD size = ReadLE<DWORD>(AData, at + 4);
    if (size < 8 || size % 4 != 0 || size > ABytes - at) return false;
    last = ReadLE<DWORD>(AData, at);
    at += size;
  }
  return last == EMR_EOF;
}

// A Windows metafile's records (sizes in 16-bit words) after its 18-byte header, ending
// with the three-word end record.
bool WinRecordsValid(const TBytes& AData, size_t AStart, size_t ABytes) {
  size_t at = AStart + CWinMetaHeaderSize;
  const size_t end = AStart + ABytes;
  while (at < end) {
    if (end - at < 6) return false;
    const DWORD words = ReadLE<DWORD>(AData, at);
    if (words < 3 || words > (end - at) / 2) return false;
    if (ReadLE<Word>(AData, at + 4) == 0) return words == 3 && at + 6 == end;
    at += static_cast<size_t>(words) * 2;
  }
  return false;
}

// The bytes at the start of a stream that tell a metafile's length.
constexpr size_t CProbeSize = CEnhHeaderMinSize;

// The length of the metafile that starts with AHead, or -1 when the head does not say.
Int64 MetafileLength(const TBytes& AHead) {
  if (IsEnhancedData(AHead)) return ReadLE<DWORD>(AHead, 48);
  if (IsPlaceableData(AHead) && AHead.size() >= CPlaceableHeaderSize + CWinMetaHeaderSize)
    return Int64(CPlaceableHeaderSize) + Int64(ReadLE<DWORD>(AHead, CPlaceableHeaderSize + 6)) * 2;
  return -1;
}

}  // namespace

TMetafile::~TMetafile() { Reset(); }

void TMetafile::Reset() {
  if (FHandle) DeleteEnhMetaFile(FHandle);
  FHandle = nullptr;
  FMMWidth = FMMHeight = 0;
}

void TMetafile::Clear() {
  Reset();
  Changed(this);
}

Integer TMetafile::Width() const { return MulDiv(FMMWidth, ScreenPixelsPerInch(), CHundredthMMPerInch); }
Integer TMetafile::Height() const { return MulDiv(FMMHeight, ScreenPixelsPerInch(), CHundredthMMPerInch); }

void TMetafile::SetWidth(Integer Value) { SetMMWidth(MulDiv(Value, CHundredthMMPerInch, ScreenPixelsPerInch())); }
void TMetafile::SetHeight(Integer Value) { SetMMHeight(MulDiv(Value, CHundredthMMPerInch, ScreenPixelsPerInch())); }

void TMetafile::SetMMWidth(Integer Value) {
  if (Value < 0) throw EInvalidGraphic(L"Invalid image size");
  if (FMMWidth == Value) return;
  FMMWidth = Value;
  Changed(this);
}

void TMetafile::SetMMHeight(Integer Value) {
  if (Value < 0) throw EInvalidGraphic(L"Invalid image size");
  if (FMMHeight == Value) return;
  FMMHeight = Value;
  Changed(this);
}

void TMetafile::SetInch(Word Value) {
  if (FInch == Value) return;
  FInch = Value;
  Changed(this);
}

void TMetafile::SetEnhanced(bool Value) {
  if (FEnhanced == Value) return;
  FEnhanced = Value;
  Changed(this);
}

void TMetafile::SetHandle(HENHMETAFILE Value) {
  if (Value == FHandle) return;
  ENHMETAHEADER header{};
  if (Value && GetEnhMetaFileHeader(Value, sizeof header, &header) == 0) InvalidMetafile();
  Reset();
  FHandle = Value;
  if (Value) {
    FMMWidth = header.rclFrame.right - header.rclFrame.left;
    FMMHeight = header.rclFrame.bottom - header.rclFrame.top;
  }
  Changed(this);
}

HENHMETAFILE TMetafile::ReleaseHandle() {
  HENHMETAFILE h = FHandle;
  FHandle = nullptr;
  Reset();
  Changed(this);
  return h;
}

void TMetafile::Assign(TPersistent* Source) {
  if (!Source) {
    Clear();
    return;
  }
  if (auto* m = dynamic_cast<TMetafile*>(Source)) {
    if (m == this) return;
    HENHMETAFILE copy = m->FHandle ? CopyEnhMetaFileW(m->FHandle, nullptr) : nullptr;
    if (m->FHandle && !copy) throw EOutOfResources(L"Out of system resources");
    Reset();
    FHandle = copy;
    FMMWidth = m->FMMWidth;
    FMMHeight = m->FMMHeight;
    FInch = m->FInch;
    FEnhanced = m->FEnhanced;
    Changed(this);
    return;
  }
  inherited::Assign(Source);
}

void TMetafile::LoadFromBytes(const TBytes& Data) {
  if (IsEnhancedData(Data))
    LoadEnhanced(Data);
  else if (IsPlaceableData(Data))
    LoadPlaceable(Data);
  else
    InvalidMetafile();
}

void TMetafile::LoadEnhanced(const TBytes& Data) {
  const DWORD bytes = ReadLE<DWORD>(Data, 48);
  const DWORD headerSize = ReadLE<DWORD>(Data, 4);
  if (bytes > Data.size() || headerSize < CEnhHeaderMinSize || headerSize > bytes ||
      !EnhancedRecordsValid(Data, bytes))
    InvalidMetafile();
  HENHMETAFILE h = SetEnhMetaFileBits(bytes, Data.data());
  if (!h) InvalidMetafile();
  const RECTL frame = ReadLE<RECTL>(Data, 24);
  Reset();
  FHandle = h;
  FMMWidth = frame.right - frame.left;
  FMMHeight = frame.bottom - frame.top;
  FInch = 0;
  FEnhanced = true;
  Changed(this);
}

void TMetafile::LoadPlaceable(const TBytes& Data) {
  if (Data.size() < CPlaceableHeaderSize + CWinMetaHeaderSize) InvalidMetafile();
  // The placeable header: key, handle, frame (left, top, right, bottom), units per inch,
  // reserved, and the XOR of its first ten words.
  Word check = 0;
  for (size_t i = 0; i < 10; ++i) check ^= ReadLE<Word>(Data, i * 2);
  if (check != ReadLE<Word>(Data, 20)) InvalidMetafile();
  const Integer left = ReadLE<SmallInt>(Data, 6), top = ReadLE<SmallInt>(Data, 8);
  const Integer right = ReadLE<SmallInt>(Data, 10), bottom = ReadLE<SmallInt>(Data, 12);
  const Word inch = ReadLE<Word>(Data, 14);
  if (inch == 0 || right <= left || bottom <= top) InvalidMetafile();
  const size_t bytes = static_cast<size_t>(ReadLE<DWORD>(Data, CPlaceableHeaderSize + 6)) * 2;
  if (ReadLE<Word>(Data, CPlaceableHeaderSize + 2) != 9 || bytes < CWinMetaHeaderSize ||
      bytes > Data.size() - CPlaceableHeaderSize || !WinRecordsValid(Data, CPlaceableHeaderSize, bytes))
    InvalidMetafile();
  METAFILEPICT picture{};
  picture.mm = MM_ANISOTROPIC;
  picture.xExt = MulDiv(right - left, CHundredthMMPerInch, inch);
  picture.yExt = MulDiv(bottom - top, CHundredthMMPerInch, inch);
  HENHMETAFILE h = SetWinMetaFileBits(static_cast<UINT>(bytes), Data.data() + CPlaceableHeaderSize, nullptr, &picture);
  if (!h) InvalidMetafile();
  Reset();
  FHandle = h;
  FMMWidth = picture.xExt;
  FMMHeight = picture.yExt;
  FInch = inch;
  FEnhanced = false;
  Changed(this);
}

TBytes TMetafile::SaveToBytes() {
  if (!FHandle) return {};
  if (!FEnhanced) return SavePlaceable();
  const UINT size = GetEnhMetaFileBits(FHandle, 0, nullptr);
  TBytes data(size);
  if (size == 0 || GetEnhMetaFileBits(FHandle, size, data.data()) != size) InvalidMetafile();
  return data;
}

TBytes TMetafile::SavePlaceable() {
  UINT size = 0;
  TBytes bits;
  {
    TWindowDC screen(nullptr);
    size = GetWinMetaFileBits(FHandle, 0, nullptr, MM_ANISOTROPIC, screen.DC());
    bits.resize(size);
    if (size == 0 || GetWinMetaFileBits(FHandle, size, bits.data(), MM_ANISOTROPIC, screen.DC()) != size)
      InvalidMetafile();
  }
  // The frame is given in 16-bit units: fewer units per inch when the picture is large.
  Integer inch = FInch ? FInch : ScreenPixelsPerInch();
  Integer w = MulDiv(FMMWidth, inch, CHundredthMMPerInch), h = MulDiv(FMMHeight, inch, CHundredthMMPerInch);
  while ((w > 32767 || h > 32767) && inch > 1) {
    inch /= 2;
    w = MulDiv(FMMWidth, inch, CHundredthMMPerInch);
    h = MulDiv(FMMHeight, inch, CHundredthMMPerInch);
  }
  TBytes data(CPlaceableHeaderSize + bits.size());
  WriteLE<DWORD>(data, 0, CPlaceableKey);
  WriteLE<SmallInt>(data, 10, static_cast<SmallInt>(std::max(w, 1)));
  WriteLE<SmallInt>(data, 12, static_cast<SmallInt>(std::max(h, 1)));
  WriteLE<Word>(data, 14, static_cast<Word>(inch));
  Word check = 0;
  for (size_t i = 0; i < 10; ++i) check ^= ReadLE<Word>(data, i * 2);
  WriteLE<Word>(data, 20, check);
  std::memcpy(data.data() + CPlaceableHeaderSize, bits.data(), bits.size());
  return data;
}

void TMetafile::SaveToFile(const String& FileName) {
  // The file's extension names the kind written; the metafile keeps its own kind.
  const size_t dot = FileName.find_last_of(L'.');
  const String ext = dot == String::npos ? String() : LowerCase(FileName.substr(dot));
  TValueScope<bool> kind(FEnhanced, ext == L".wmf" ? false : ext == L".emf" ? true : FEnhanced);
  TGraphic::SaveToFile(FileName);
}

void TMetafile::LoadFromStream(TStream* Stream) {
  // The header's length tells how much of the stream belongs to the metafile.
  const Int64 avail = Stream->Size() - Stream->Position();
  TBytes data(static_cast<size_t>(std::clamp<Int64>(avail, 0, CProbeSize)));
  if (!data.empty()) Stream->ReadBuffer(data.data(), static_cast<Integer>(data.size()));
  Int64 total = MetafileLength(data);
  if (total < Int64(data.size()) || total > avail) total = avail;
  const size_t head = data.size();
  data.resize(static_cast<size_t>(total));
  if (data.size() > head) Stream->ReadBuffer(data.data() + head, static_cast<Integer>(data.size() - head));
  LoadFromBytes(data);
}

void TMetafile::SaveToStream(TStream* Stream) {
  const TBytes data = SaveToBytes();
  if (!data.empty()) Stream->WriteBuffer(data.data(), static_cast<Integer>(data.size()));
}

void TMetafile::Draw(TCanvas* ACanvas, const RECT& Rect) {
  if (FHandle) PlayEnhMetaFile(ACanvas->Handle(), FHandle, &Rect);
}

// ---------------------------------------------------------------------------------------
// TMetafileCanvas

TMetafileCanvas::TMetafileCanvas(TMetafile* AMetafile, HDC AReferenceDevice) : FMetafile(AMetafile) {
  const RECT frame{0, 0, AMetafile->MMWidth(), AMetafile->MMHeight()};
  const bool sized = frame.right > 0 && frame.bottom > 0;
  HDC dc = CreateEnhMetaFileW(AReferenceDevice, nullptr, sized ? &frame : nullptr, nullptr);
  if (!dc) throw EOutOfResources(L"Out of system resources");
  SetHandle(dc);
}

TMetafileCanvas::~TMetafileCanvas() {
  HDC dc = Handle();
  SetHandle(nullptr);
  HENHMETAFILE h = CloseEnhMetaFile(dc);
  // A change handler that raises must not leave the destructor.
  RunWithoutThrowing([&] {
    if (h) FMetafile->SetHandle(h);
  });
  if (h && FMetafile->Handle() != h) DeleteEnhMetaFile(h);
}
