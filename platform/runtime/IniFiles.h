// IniFiles: sections of name=value settings, in a profile file through the system
// (TIniFile) or in memory with an explicit save (TMemIniFile).
#pragma once

#include "Classes.h"
#include "Encoding.h"
#include "SysUtils.h"

DECLARE_EXCEPTION(EIniFileException, Exception)

// The typed reads and writes shared by every settings file, built on ReadString and
// WriteString. Numbers and dates are written as text in the user's locale; a read of
// text that does not convert gives the default.
class TCustomIniFile : public TObject {
  DECLARE_CLASS(TCustomIniFile, TObject)
 public:
  explicit TCustomIniFile(const String& FileName) : FFileName(FileName) {}
  ~TCustomIniFile() override = default;

  const String& FileName() const { return FFileName; }

  bool SectionExists(const String& Section);
  virtual String ReadString(const String& Section, const String& Ident, const String& Default) = 0;
  virtual void WriteString(const String& Section, const String& Ident, const String& Value) = 0;
  // Decimal, "$hex" or "0xhex" text.
  virtual Integer ReadInteger(const String& Section, const String& Ident, Integer Default);
  virtual void WriteInteger(const String& Section, const String& Ident, Integer Value);
  // Stored as "1" or "0"; any non-zero number reads as true.
  virtual bool ReadBool(const String& Section, const String& Ident, bool Default);
  virtual void WriteBool(const String& Section, const String& Ident, bool Value);
  virtual double ReadFloat(const String& Section, const String& Ident, double Default);
  virtual void WriteFloat(const String& Section, const String& Ident, double Value);
  virtual TDateTime ReadDate(const String& Section, const String& Ident, TDateTime Default);
  virtual void WriteDate(const String& Section, const String& Ident, TDateTime Value);
  virtual TDateTime ReadDateTime(const String& Section, const String& Ident, TDateTime Default);
  virtual void WriteDateTime(const String& Section, const String& Ident, TDateTime Value);
  virtual TDateTime ReadTime(const String& Section, const String& Ident, TDateTime Default);
  virtual void WriteTime(const String& Section, const String& Ident, TDateTime Value);
  // Binary data as hexadecimal text. Read writes the bytes into Value at its position
  // and returns their number; Write stores Value from its position to its end.
  virtual Integer ReadBinaryStream(const String& Section, const String& Name, TStream* Value);
  virtual void WriteBinaryStream(const String& Section, const String& Name, TStream* Value);

  // The names in a section, the section names, and a section's name=value lines.
  virtual void ReadSection(const String& Section, TStrings* Strings) = 0;
  virtual void ReadSections(TStrings* Strings) = 0;
  virtual void ReadSectionValues(const String& Section, TStrings* Strings) = 0;
  virtual void EraseSection(const String& Section) = 0;
  virtual void DeleteKey(const String& Section, const String& Ident) = 0;
  // Writes pending changes to the file.
  virtual void UpdateFile() = 0;
  virtual bool ValueExists(const String& Section, const String& Ident);

 protected:
  String FFileName;
};

// A settings file read and written through the system's profile functions: every write
// reaches the file (the system may cache it until UpdateFile or destruction).
class TIniFile : public TCustomIniFile {
  DECLARE_CLASS(TIniFile, TCustomIniFile)
 public:
  explicit TIniFile(const String& FileName) : TCustomIniFile(FileName) {}
  ~TIniFile() override;
  String ReadString(const String& Section, const String& Ident, const String& Default) override;
  // EIniFileException "Unable to write to %s" when the file cannot be written.
  void WriteString(const String& Section, const String& Ident, const String& Value) override;
  void ReadSection(const String& Section, TStrings* Strings) override;
  void ReadSections(TStrings* Strings) override;
  void ReadSectionValues(const String& Section, TStrings* Strings) override;
  void EraseSection(const String& Section) override;
  void DeleteKey(const String& Section, const String& Ident) override;
  void UpdateFile() override;
};

// A settings file held in memory: loaded when created (when the file exists), saved by
// UpdateFile. Sections and names compare without case unless CaseSensitive. Comment
// lines (';') and lines outside a section are dropped on loading. The encoding is the
// caller's (never freed here); without one the file's byte-order mark decides, else the
// ANSI code page, and saving uses the same.
class TMemIniFile : public TCustomIniFile {
  DECLARE_CLASS(TMemIniFile, TCustomIniFile)
 public:
  explicit TMemIniFile(const String& FileName);
  TMemIniFile(const String& FileName, TEncoding* Encoding);
  TMemIniFile(const String& FileName, TEncoding* Encoding, bool CaseSensitive);
  ~TMemIniFile() override;

  void Clear();
  // The whole file as lines; SetStrings replaces the contents by parsed lines.
  void GetStrings(TStrings* List);
  void SetStrings(TStrings* List);
  // Changes the file name; with Reload the contents are read from the new file.
  void Rename(const String& FileName, bool Reload);

  String ReadString(const String& Section, const String& Ident, const String& Default) override;
  void WriteString(const String& Section, const String& Ident, const String& Value) override;
  void ReadSection(const String& Section, TStrings* Strings) override;
  void ReadSections(TStrings* Strings) override;
  void ReadSectionValues(const String& Section, TStrings* Strings) override;
  void EraseSection(const String& Section) override;
  void DeleteKey(const String& Section, const String& Ident) override;
  void UpdateFile() override;

  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool Value);
  TEncoding* Encoding() const { return FEncoding; }
  void SetEncoding(TEncoding* Value) { FEncoding = Value; }

 private:
  TStrings* AddSection(const String& Section);
  TStrings* FindSection(const String& Section) const;
  void LoadValues();
  std::unique_ptr<THashedStringList> FSections;  // section names; objects: the lines
  TEncoding* FEncoding = nullptr;
  bool FCaseSensitive = false;
};
