// JSON library: a tree of value objects (objects, arrays, strings, numbers, booleans,
// null) with get/opt/put accessors, a compact and an indented writer, a lenient tokener
// and parser, and file input and output.
//
// C++ reserves names that begin with an underscore followed by a capital letter, so the
// scalar value classes are spelled with a trailing underscore instead of a leading one:
// Number_, Integer_, Double_, Boolean_, String_ and NULL_.
//
// Ownership: an object owns the values stored under its keys and an array owns its
// elements. A value handed to put is taken over (not copied); replacing a value frees
// the old one, removing frees it, and destroying a container frees everything it holds.
// Operations that build a container from values that another container (or list)
// already holds copy those values, so that no value ever has two owners.
//
// Everything here is single-threaded: a tree belongs to one thread at a time.
#pragma once

#include <memory>
#include <vector>

#include "SysUtils.h"
#include "Variants.h"

class TEncoding;
class TStrings;
class TStringList;
class TList;
class JSONTokener;
class TJSONObject;
class TJSONArray;
class Number_;
class String_;

DECLARE_EXCEPTION(ClassCastException, Exception)
DECLARE_EXCEPTION(NoSuchElementException, Exception)
DECLARE_EXCEPTION(NumberFormatException, Exception)
DECLARE_EXCEPTION(NullPointerException, Exception)
DECLARE_EXCEPTION(NotImplmentedFeature, Exception)

// A syntax error met while reading JSON text. The message ends with a line feed, a
// carriage return and " erro no caracter : " followed by the 1-based character index.
class ParseException : public Exception {
  DECLARE_CLASS(ParseException, Exception)
 public:
  ParseException(const String& Message, Integer Index);
  Integer Index() const { return FIndex; }

 private:
  Integer FIndex;
};

// The deepest nesting of objects and arrays the parser accepts; deeper text raises
// ParseException instead of exhausting the stack.
constexpr Integer JSONMaxNestingDepth = 256;

// The root of every JSON value.
class TZvAbstractObject : public TObject {
  DECLARE_CLASS(TZvAbstractObject, TObject)
 public:
  // True when Value is this very object (overridden by strings and null).
  virtual bool equals(const TZvAbstractObject* Value) const;
  // A new copy that the caller owns. NotImplmentedFeature for classes without a copy.
  virtual TZvAbstractObject* clone() const;
  // The class name and the object's address.
  virtual String toString() const;
  // The object's identity.
  NativeInt hash() const { return reinterpret_cast<NativeInt>(this); }
  // True when Value is not nil.
  bool instanceOf(const TZvAbstractObject* Value) const { return Value != nullptr; }
};

// A container that can be read from a tokener and written to text and files.
class TJSONIO : public TZvAbstractObject {
  DECLARE_CLASS(TJSONIO, TZvAbstractObject)
 public:
  // Reads the container's content from x (see TJSONObject::parse, TJSONArray::parse).
  virtual void parse(JSONTokener* x) = 0;
  // The indented text with the given indent factor.
  virtual String ConvertToString(Integer indentFactor) const = 0;
  // Writes ConvertToString(2) in aEncoding, preceded by the encoding's preamble, with
  // every line (the last one included) ending in CR LF. A nil aEncoding writes in the
  // system ANSI code page.
  void SaveToFile(const String& aFilePath, TEncoding* aEncoding) const;
  // SaveToFile in UTF-8: the file starts with the UTF-8 byte-order mark.
  void SaveToFileUtf8(const String& aFilePath) const;
  // Parses aText into this container.
  void LoadFromText(const String& aText, bool ApplyNoQuote);
  // Reads the whole file (in aEncoding, or in the detected encoding when nil) and
  // parses it. A missing file changes nothing and raises nothing.
  void LoadFromFile(const String& aFilePath, TEncoding* aEncoding, bool ApplyNoQuote);
  void LoadFromFile(const String& aFilePath, bool ApplyNoQuote);
};

// An object: keys in insertion order, looked up without regard to case (the first
// match wins).
class TJSONObject : public TJSONIO {
  DECLARE_CLASS(TJSONObject, TJSONIO)
 public:
  TJSONObject();
  // For each name that jo holds, a clone of its value under that name.
  TJSONObject(const TJSONObject* jo, const std::vector<String>& names);
  // Parses x.
  explicit TJSONObject(JSONTokener* x);
  // Every string of map as a key, in order, with a copy of the JSON value attached to
  // it: the map keeps its own objects (a nil object stays nil; an object that is not a
  // JSON value raises ClassCastException).
  explicit TJSONObject(const TStrings* map);
  // Parses s (unquoted words keep their quotes when written back).
  explicit TJSONObject(const String& s);
  explicit TJSONObject(const wchar_t* s) : TJSONObject(String(s)) {}
  ~TJSONObject() override;

  bool equals(const TZvAbstractObject* Value) const override { return inherited::equals(Value); }
  // A new object parsed from this one's compact text.
  TZvAbstractObject* clone() const override;
  String toString() const override;
  String toString(Integer indentFactor) const;
  String toString(Integer indentFactor, Integer indent) const;
  void parse(JSONTokener* x) override;
  String ConvertToString(Integer indentFactor) const override { return toString(indentFactor); }

  // put: empty key raises NullPointerException "Null key." (a value object then stays
  // the caller's); a nil value removes the key; an existing key has its value replaced
  // in place (spelling and position kept, old value freed); otherwise the pair is
  // appended. Every put returns the object itself.
  TJSONObject* put(const String& key, TZvAbstractObject* value);
  TJSONObject* put(const String& key, bool value);
  TJSONObject* put(const String& key, double value);
  TJSONObject* put(const String& key, Integer value);
  TJSONObject* put(const String& key, const String& value, bool noquote = false);
  TJSONObject* put(const String& key, const wchar_t* value, bool noquote = false) {
    return put(key, String(value ? value : L""), noquote);
  }
  TJSONObject* put(const String& key, std::nullptr_t) {
    return put(key, static_cast<TZvAbstractObject*>(nullptr));
  }
  // By the variant's type: small and 32-bit integers, bytes and words give an integer;
  // doubles, 32-bit unsigned and 64-bit integers a floating value; strings a string
  // (its first 1,000,000 characters); booleans a boolean. Null raises Exception; every
  // other type puts nothing.
  TJSONObject* putVariant(const String& key, const Variant& value);
  // putVariant for each position present in both lists, skipping empty keys.
  TJSONObject* putValues(const std::vector<String>& keys, const std::vector<Variant>& values);
  // put only when value is not nil.
  TJSONObject* putOpt(const String& key, TZvAbstractObject* value);
  // No value under key: put. An array: append value. Otherwise the old value is
  // replaced by a new array holding a clone of it and then value.
  TJSONObject* accumulate(const String& key, TZvAbstractObject* value);

  // get: raises when the key is missing or the value has the wrong kind.
  TZvAbstractObject* get(const String& key) const;
  bool getBoolean(const String& key) const;
  double getDouble(const String& key) const;
  Integer getInt(const String& key) const;
  TJSONArray* getJSONArray(const String& key) const;
  TJSONObject* getJSONObject(const String& key) const;
  String getString(const String& key) const;
  // A string, integer, double or boolean variant; containers and null raise Exception.
  Variant getVariant(const String& key) const;

  // opt: never raises for a missing key or a wrong kind (an empty key still raises).
  TZvAbstractObject* opt(const String& key) const;
  bool optBoolean(const String& key, bool defaultValue = false) const;
  double optDouble(const String& key) const;
  double optDouble(const String& key, double defaultValue) const;
  Integer optInt(const String& key, Integer defaultValue = 0) const;
  TJSONArray* optJSONArray(const String& key) const;
  TJSONObject* optJSONObject(const String& key) const;
  String optString(const String& key, const String& defaultValue = String()) const;

  bool has(const String& key) const { return indexOfCS(key) >= 0; }
  // The position of the first key equal to aKey ignoring case (both keys upper-cased
  // alike), or -1. Objects with more than a few keys look keys up through an index.
  Integer indexOf(const String& aKey) const;
  Integer indexOfCS(const String& aKey) const;
  // True when the key is missing or holds a NULL_.
  bool isNull(const String& key) const;
  Integer length() const { return static_cast<Integer>(FItems.size()); }
  // A new string list of the keys in order; the caller frees it.
  TStringList* keys() const;
  // A new array of the keys as strings, or nil when the object is empty.
  TJSONArray* names() const;
  // The key or value at a position; '' or nil outside 0..length-1.
  String GetName(Integer Index) const { return keyFromIndex(Index); }
  String keyFromIndex(Integer aIndex) const;
  TZvAbstractObject* GetObject(Integer Index) const { return valueFromIndex(Index); }
  TZvAbstractObject* valueFromIndex(Integer aIndex) const;
  // Moves the pair under key to the first position.
  void moveFirst(const String& key);
  // Frees the value and deletes the pair; false when absent.
  bool remove(const String& key);
  // Removes every key.
  void clean();
  // nil when names is nil or empty; otherwise a new array holding, for each name, a
  // copy of the value under it (nil where missing).
  TJSONArray* toJSONArray(const TJSONArray* names) const;
  // Puts a clone of every value into json under the same key.
  void assignTo(TJSONObject* json) const;
  // Replaces the content by a parse of tjson's compact text.
  void Assign(const TJSONObject* tjson, bool ApplyNoQuote);

  // The compact text of Value without surrounding double quotes (no unescaping).
  static String ValueToUnquotedString(const TZvAbstractObject* Value);
  // s in double quotes with the JSON escapes.
  static String quote(const String& s);
  // The text of a number: decimal for integers; for floating values the fewest
  // significant digits that read back as the same double (15 or fewer whenever those
  // suffice); '' for nil.
  static String numberToString(const Number_* n);
  static String valueToString(const TZvAbstractObject* v);
  static String valueToString(const TZvAbstractObject* v, Integer indentFactor, Integer indent);

 private:
  struct TPair {
    String Key;
    TZvAbstractObject* Value;
  };
  // Owns the values; its destructor frees them, also when a parse fails half-way.
  struct TPairs : std::vector<TPair> {
    TPairs() = default;
    TPairs(const TPairs&) = delete;
    TPairs& operator=(const TPairs&) = delete;
    ~TPairs();
  };
  TPairs FItems;
  // Case-folded key -> first position, over FItems[0 .. Count); built on the first
  // lookup in a larger object, extended as pairs are appended, dropped when pairs are
  // removed or moved.
  struct TKeyIndex;
  mutable std::unique_ptr<TKeyIndex> FIndex;

  friend class TJSONArray;
  // Appends a pair without looking for the key (as parsing does with duplicates).
  void Append(String key, TZvAbstractObject* value);
  // A deep copy that keeps every value's kind, text and NoQuote flag (nil for nil).
  static TZvAbstractObject* CopyValue(const TZvAbstractObject* v);
};

// An array of values; nil elements are allowed (written as null).
class TJSONArray : public TJSONIO {
  DECLARE_CLASS(TJSONArray, TJSONIO)
 public:
  TJSONArray();
  explicit TJSONArray(JSONTokener* x);
  explicit TJSONArray(const String& s);
  explicit TJSONArray(const wchar_t* s) : TJSONArray(String(s)) {}
  // Copies of the JSON values (TZvAbstractObject pointers) of collection, in order:
  // the list keeps its own items; nil stays nil.
  explicit TJSONArray(const TList* collection);
  ~TJSONArray() override;

  bool equals(const TZvAbstractObject* Value) const override { return inherited::equals(Value); }
  // A new array parsed from this one's compact text.
  TZvAbstractObject* clone() const override;
  String toString() const override;
  String toString(Integer indentFactor) const;
  String toString(Integer indentFactor, Integer indent) const;
  // Appends the elements read from x to this array.
  void parse(JSONTokener* x) override;
  String ConvertToString(Integer indentFactor) const override { return toString(indentFactor); }

  // Appending puts.
  TJSONArray* put(TZvAbstractObject* value);
  TJSONArray* put(bool value);
  TJSONArray* put(double value);
  TJSONArray* put(Integer value);
  TJSONArray* put(const String& value, bool noquote = false);
  TJSONArray* put(const wchar_t* value, bool noquote = false) {
    return put(String(value ? value : L""), noquote);
  }
  // Puts at a position: index < 0 raises NoSuchElementException; a nil value raises
  // NullPointerException; an index inside the array replaces that element (the old one
  // is freed); beyond the end the array is padded with nil elements. A value object
  // stays the caller's when the put fails.
  TJSONArray* put(Integer index, TZvAbstractObject* value);
  TJSONArray* put(Integer index, bool value);
  TJSONArray* put(Integer index, double value);
  TJSONArray* put(Integer index, Integer value);
  TJSONArray* put(Integer index, const String& value, bool noquote = false);
  TJSONArray* put(Integer index, const wchar_t* value, bool noquote = false) {
    return put(index, String(value ? value : L""), noquote);
  }

  TZvAbstractObject* opt(Integer index) const;
  TZvAbstractObject* get(Integer index) const;
  bool getBoolean(Integer index) const;
  double getDouble(Integer index) const;
  Integer getInt(Integer index) const;
  TJSONArray* getJSONArray(Integer index) const;
  TJSONObject* getJSONObject(Integer index) const;
  String getString(Integer index) const;
  // aDefault when isNull(index), otherwise as above.
  bool getBoolean(Integer index, bool aDefault) const;
  double getDouble(Integer index, double aDefault) const;
  Integer getInt(Integer index, Integer aDefault) const;
  String getString(Integer index, const String& aDefault) const;
  // nil when NullExpected and isNull(index), otherwise as above.
  TJSONArray* getJSONArray(Integer index, bool NullExpected) const;
  TJSONObject* getJSONObject(Integer index, bool NullExpected) const;

  // True when the element is missing, nil or a NULL_.
  bool isNull(Integer index) const;
  bool optBoolean(Integer index, bool defaultValue = false) const;
  double optDouble(Integer index, double defaultValue = 0.0) const;
  Integer optInt(Integer index, Integer defaultValue = 0) const;
  String optString(Integer index, const String& defaultValue = String()) const;
  TJSONArray* optJSONArray(Integer index) const;
  TJSONObject* optJSONObject(Integer index) const;

  Integer length() const { return static_cast<Integer>(FItems.size()); }
  // Frees the element and deletes it; an index out of range is ignored.
  void remove(Integer index);
  // Removes every element, from the last.
  void clean();
  // A new list of the element pointers; the elements stay this array's, the caller
  // frees only the list.
  TList* toList() const;
  // The compact texts of the elements joined by separator.
  String join(const String& separator) const;
  // nil when names is nil or empty or this array is empty; otherwise a new object with
  // one pair per name: the name's text and a copy of the element at the same position
  // (a missing element puts nothing).
  TJSONObject* toJSONObject(const TJSONArray* names) const;
  // clean, then one String_ per line of aStrings.
  void LoadFromStringList(const TStrings* aStrings);
  // Clears aStrings, then adds each element's toString.
  void SaveToStringList(TStrings* aStrings) const;
  // Appends a parse of src's compact text.
  void Assign(const TJSONArray* src, bool ApplyNoQuote);

 private:
  // Owns the elements; its destructor frees them, also when a parse fails half-way.
  struct TElements : std::vector<TZvAbstractObject*> {
    TElements() = default;
    TElements(const TElements&) = delete;
    TElements& operator=(const TElements&) = delete;
    ~TElements();
  };
  TElements FItems;
};

// A number: integer or floating.
class Number_ : public TZvAbstractObject {
  DECLARE_CLASS(Number_, TZvAbstractObject)
 public:
  virtual double doubleValue() const = 0;
  virtual Integer intValue() const = 0;
};

class Integer_ : public Number_ {
  DECLARE_CLASS(Integer_, Number_)
 public:
  explicit Integer_(Integer i) : fvalue(i) {}
  // The decimal integer conversion of s; EConvertError on bad text.
  explicit Integer_(const String& s);
  TZvAbstractObject* clone() const override { return new Integer_(fvalue); }
  String toString() const override;
  double doubleValue() const override { return fvalue; }
  Integer intValue() const override { return fvalue; }
  // Radix 10: decimal; 16: hexadecimal digits (wrapping at 32 bits); 8: raises
  // NotImplmentedFeature; any other radix gives 0.
  static Integer parseInt(const String& s, Integer i);
  static Integer parseInt(const String_* s);
  // c as 16 bits in upper-case hexadecimal with at least two digits.
  static String toHexString(Char c);

 private:
  Integer fvalue;
};

class Double_ : public Number_ {
  DECLARE_CLASS(Double_, Number_)
 public:
  explicit Double_(double d) : fvalue(d) {}
  // Floating conversion with "." as the decimal separator; EConvertError on bad text.
  explicit Double_(const String& s);
  explicit Double_(const String_* s);
  TZvAbstractObject* clone() const override { return new Double_(fvalue); }
  String toString() const override;
  double doubleValue() const override { return fvalue; }
  // Truncated toward zero.
  Integer intValue() const override;
  // Zero (not a not-a-number value).
  static double NaN() { return 0.0; }

 private:
  double fvalue;
};

class Boolean_ : public TZvAbstractObject {
  DECLARE_CLASS(Boolean_, TZvAbstractObject)
 public:
  explicit Boolean_(bool b) : fvalue(b) {}
  TZvAbstractObject* clone() const override { return new Boolean_(fvalue); }
  String toString() const override { return fvalue ? L"true" : L"false"; }
  bool boolValue() const { return fvalue; }

 private:
  bool fvalue;
};

// A string. With NoQuote set, the writers put its text out without quotes.
class String_ : public TZvAbstractObject {
  DECLARE_CLASS(String_, TZvAbstractObject)
 public:
  explicit String_(const String& s, bool NoQuote = false) : FNoQuote(NoQuote), fvalue(s) {}
  // True when Value is a String_ with exactly the same text.
  bool equals(const TZvAbstractObject* Value) const override;
  TZvAbstractObject* clone() const override { return new String_(fvalue, FNoQuote); }
  String toString() const override { return fvalue; }
  // The text itself, without a copy.
  const String& value() const { return fvalue; }
  bool NoQuote() const { return FNoQuote; }
  void SetNoQuote(bool Value) { FNoQuote = Value; }

 private:
  bool FNoQuote;
  String fvalue;
};

class NULL_ : public TZvAbstractObject {
  DECLARE_CLASS(NULL_, TZvAbstractObject)
 public:
  NULL_() = default;
  // True when Value is nil or a NULL_.
  bool equals(const TZvAbstractObject* Value) const override;
  TZvAbstractObject* clone() const override { return new NULL_(); }
  String toString() const override { return L"null"; }
};

// Reads JSON text character by character. Lenient: comments (#, //, /* */), single-
// quoted strings, unquoted keys and values, "=" and "=>" after keys, ";" between
// members and trailing separators are accepted.
class JSONTokener : public TZvAbstractObject {
  DECLARE_CLASS(JSONTokener, TZvAbstractObject)
 public:
  JSONTokener(const String& s, bool ApplyNoQuote);

  // True while the text is not empty and the position is at most length + 1.
  bool more() const;
  // The next character; #0 at the end of the text.
  Char next();
  // Steps back one character (not before the first).
  void back();
  // Reads one character; a different one than c raises a syntax error.
  Char next(Char c);
  // The next n characters.
  String next(Integer n);
  // The next character that is neither blank nor inside a comment.
  Char nextClean();
  // The text up to the closing quote, with escapes resolved.
  String nextString(Char quote);
  // The text up to d, #0, LF or CR, trimmed.
  String nextTo(Char d);
  // The first character of the trimmed text up to any of delimiters (#0 when empty).
  Char nextTo(const String& delimiters);
  // The next value; the caller owns it.
  TZvAbstractObject* nextValue();
  // Advances to the next `to` (left as the next character) and returns it; #0 and the
  // position unchanged when there is none.
  Char skipTo(Char to);
  // Moves past the next occurrence of to, or to the end of the text.
  void skipPast(const String& to);
  static Integer dehexchar(Char c);
  ParseException syntaxError(const String& message) const;
  String toString() const override;

  bool ApplyNoQuote() const { return FApplyNoQuote; }
  Integer Index() const { return myIndex; }

 private:
  friend class TJSONObject;
  friend class TJSONArray;
  bool FApplyNoQuote;
  Integer myIndex;  // 1-based position of the next character
  String mySource;
  Integer FDepth = 0;  // containers being parsed

  // Counts one more level of nesting for the container parsers.
  class TDepthGuard {
   public:
    explicit TDepthGuard(JSONTokener* x);
    ~TDepthGuard() { --FOwner->FDepth; }
    TDepthGuard(const TDepthGuard&) = delete;
    TDepthGuard& operator=(const TDepthGuard&) = delete;

   private:
    JSONTokener* FOwner;
  };
};
