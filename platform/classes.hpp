// Objects, events, streams and string lists of the class library.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/sysutils.hpp"

class TObject {
public:
  virtual ~TObject() = default;
  virtual std::string ClassName() const { return "TObject"; }
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

// ---------------------------------------------------------------------------------------------
// Streams
// ---------------------------------------------------------------------------------------------
enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
public:
  std::string ClassName() const override { return "TStream"; }

  // Reads or writes up to `count` bytes and returns how many moved.
  virtual Int64 Read(void* buffer, Int64 count) = 0;
  virtual Int64 Write(const void* buffer, Int64 count) = 0;
  // Returns the new position. A seek before the start fails with EStreamError.
  virtual Int64 Seek(Int64 offset, TSeekOrigin origin) = 0;
  virtual Int64 GetSize();
  virtual void SetSize(Int64 size);

  Int64 Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(Int64 pos) { Seek(pos, TSeekOrigin::soBeginning); }
  Int64 Size() { return GetSize(); }

  // Whole reads and writes: a short transfer raises EReadError "Stream read error" or
  // EWriteError "Stream write error".
  void ReadBuffer(void* buffer, Int64 count);
  void WriteBuffer(const void* buffer, Int64 count);
  // Copies `count` bytes from `source`; a count of 0 copies the whole source from its start.
  Int64 CopyFrom(TStream& source, Int64 count);
};

class TMemoryStream : public TStream {
public:
  std::string ClassName() const override { return "TMemoryStream"; }
  Int64 Read(void* buffer, Int64 count) override;
  Int64 Write(const void* buffer, Int64 count) override;
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  Int64 GetSize() override { return static_cast<Int64>(data_.size()); }
  void SetSize(Int64 size) override;

  void Clear();
  void LoadFromStream(TStream& stream);
  void LoadFromFile(const std::string& name);
  void SaveToStream(TStream& stream);
  void SaveToFile(const std::string& name);

  Byte* Memory() { return data_.data(); }
  const Byte* Memory() const { return data_.data(); }
  std::vector<Byte>& Bytes() { return data_; }

private:
  std::vector<Byte> data_;
  Int64 pos_ = 0;
};

// A stream of a fixed size that takes no writes: seeking anywhere at or after its start (reads past
// its end give nothing).
class TReadOnlyStream : public TStream {
public:
  Int64 Write(const void*, Int64) override { return 0; }
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  Int64 GetSize() override { return size_; }

protected:
  explicit TReadOnlyStream(Int64 size, Int64 position = 0) : size_(size), pos_(position) {}
  Int64 size_;
  Int64 pos_;
};

// A read-only stream over bytes the caller keeps alive.
class TBytesStream : public TReadOnlyStream {
public:
  TBytesStream(const void* data, Int64 size) : TReadOnlyStream(size), data_(static_cast<const Byte*>(data)) {}
  std::string ClassName() const override { return "TBytesStream"; }
  Int64 Read(void* buffer, Int64 count) override;

private:
  const Byte* data_;
};

// File open modes: one access mode or fmCreate, combined with one share mode. Sharing is not
// enforced on this system; the modes are kept for the callers' sake.
enum : Word {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareCompat = 0x0000,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFF00,
};

class TFileStream : public TStream {
public:
  // Raises EFOpenError "Cannot open file \"%s\". %s" or EFCreateError
  // "Cannot create file \"%s\". %s".
  TFileStream(const std::string& name, Word mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  std::string ClassName() const override { return "TFileStream"; }
  Int64 Read(void* buffer, Int64 count) override;
  Int64 Write(const void* buffer, Int64 count) override;
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  void SetSize(Int64 size) override;
  const std::string& FileName() const { return name_; }
  int Handle() const { return fd_; }

private:
  std::string name_;
  int fd_ = -1;
};

// ---------------------------------------------------------------------------------------------
// String lists. Texts are UTF-8 in memory; files are Windows-1252 with CR LF line ends (a UTF-8
// byte-order mark on read means UTF-8, and the list is then saved as UTF-8 with its mark).
// ---------------------------------------------------------------------------------------------
class TStringList : public TObject {
public:
  std::string ClassName() const override { return "TStringList"; }

  int Count() const { return static_cast<int>(items_.size()); }
  // Index checks raise EListError "List index out of bounds (%d)".
  const std::string& operator[](int index) const;
  std::string& operator[](int index);
  const std::string& Strings(int index) const { return (*this)[index]; }
  void SetStrings(int index, std::string s) { (*this)[index] = std::move(s); }
  int Add(std::string s);
  void Insert(int index, std::string s);
  void Delete(int index);
  void Clear() { items_.clear(); }
  int IndexOf(std::string_view s) const;  // case-insensitive, as the class library's
  void Sort();
  void Assign(const TStringList& other) {
    items_ = other.items_;
    utf8_ = other.utf8_;
  }

  // All lines joined with CR LF, each line ended.
  std::string Text() const;
  void SetText(std::string_view text);

  void LoadFromFile(const std::string& name);
  // Writes through a temporary sibling and a rename, so a failed write keeps the old file.
  void SaveToFile(const std::string& name) const;
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;

  const std::vector<std::string>& Items() const { return items_; }

private:
  std::vector<std::string> items_;
  bool utf8_ = false;  // last loaded from UTF-8 text with a byte-order mark
};
