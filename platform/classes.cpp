#include "platform/classes.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/text_codec.hpp"

Int64 TStream::GetSize() {
  Int64 pos = Seek(0, TSeekOrigin::soCurrent);
  Int64 size = Seek(0, TSeekOrigin::soEnd);
  Seek(pos, TSeekOrigin::soBeginning);
  return size;
}

void TStream::SetSize(Int64) {}

void TStream::ReadBuffer(void* buffer, Int64 count) {
  if (count < 0 || (count != 0 && Read(buffer, count) != count)) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, Int64 count) {
  if (count < 0 || (count != 0 && Write(buffer, count) != count)) throw EWriteError("Stream write error");
}

Int64 TStream::CopyFrom(TStream& source, Int64 count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  Int64 result = count;
  std::vector<Byte> buf(static_cast<size_t>(std::min<Int64>(count, 1 << 20)) + 1);
  while (count > 0) {
    Int64 n = std::min<Int64>(count, static_cast<Int64>(buf.size()));
    source.ReadBuffer(buf.data(), n);
    WriteBuffer(buf.data(), n);
    count -= n;
  }
  return result;
}

// ---- TMemoryStream

Int64 TMemoryStream::Read(void* buffer, Int64 count) {
  if (count <= 0 || pos_ >= GetSize()) return 0;
  Int64 n = std::min(count, GetSize() - pos_);
  std::memcpy(buffer, data_.data() + pos_, static_cast<size_t>(n));
  pos_ += n;
  return n;
}

Int64 TMemoryStream::Write(const void* buffer, Int64 count) {
  if (count <= 0) return 0;
  if (pos_ + count > GetSize()) data_.resize(static_cast<size_t>(pos_ + count));
  std::memcpy(data_.data() + pos_, buffer, static_cast<size_t>(count));
  pos_ += count;
  return count;
}

Int64 TMemoryStream::Seek(Int64 offset, TSeekOrigin origin) {
  Int64 base = origin == TSeekOrigin::soBeginning ? 0 : origin == TSeekOrigin::soCurrent ? pos_ : GetSize();
  Int64 p = base + offset;
  if (p < 0) throw EStreamError("Invalid stream seek");
  pos_ = p;
  return pos_;
}

void TMemoryStream::SetSize(Int64 size) {
  if (size < 0) throw EStreamError("Invalid stream size");
  data_.resize(static_cast<size_t>(size));
  if (pos_ > size) pos_ = size;
}

void TMemoryStream::Clear() {
  data_.clear();
  pos_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  Int64 n = stream.Size();
  data_.resize(static_cast<size_t>(n));
  if (n) stream.ReadBuffer(data_.data(), n);
  pos_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& name) {
  std::string bytes = read_file_bytes(name);
  data_.assign(bytes.begin(), bytes.end());
  pos_ = 0;
}

void TMemoryStream::SaveToStream(TStream& stream) { stream.WriteBuffer(data_.data(), GetSize()); }

void TMemoryStream::SaveToFile(const std::string& name) {
  write_file_bytes_atomic(name, std::string_view(reinterpret_cast<const char*>(data_.data()), data_.size()));
}

// ---- TBytesStream

Int64 TBytesStream::Read(void* buffer, Int64 count) {
  if (count <= 0 || pos_ >= size_) return 0;
  Int64 n = std::min(count, size_ - pos_);
  std::memcpy(buffer, data_ + pos_, static_cast<size_t>(n));
  pos_ += n;
  return n;
}

Int64 TReadOnlyStream::Seek(Int64 offset, TSeekOrigin origin) {
  Int64 base = origin == TSeekOrigin::soBeginning ? 0 : origin == TSeekOrigin::soCurrent ? pos_ : size_;
  Int64 p = base + offset;
  if (p < 0) throw EStreamError("Invalid stream seek");
  pos_ = p;
  return pos_;
}

// ---- TFileStream

TFileStream::TFileStream(const std::string& name, Word mode) : name_(name) {
  if (mode == fmCreate || (mode & 0xFF00) == fmCreate) {
    fd_ = ::open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) throw EFCreateError(Format("Cannot create file \"%s\". %s", {name, SysErrorMessage(errno)}));
    return;
  }
  int access = mode & 3;
  int flags = access == fmOpenWrite ? O_WRONLY : access == fmOpenReadWrite ? O_RDWR : O_RDONLY;
  fd_ = ::open(name.c_str(), flags | O_CLOEXEC);
  if (fd_ >= 0) {
    struct stat st;
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fd_);
      fd_ = -1;
      errno = EISDIR;
    }
  }
  if (fd_ < 0) throw EFOpenError(Format("Cannot open file \"%s\". %s", {name, SysErrorMessage(errno)}));
}

TFileStream::~TFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

Int64 TFileStream::Read(void* buffer, Int64 count) {
  Int64 done = 0;
  while (done < count) {
    ssize_t n = ::read(fd_, static_cast<char*>(buffer) + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

Int64 TFileStream::Write(const void* buffer, Int64 count) {
  Int64 done = 0;
  while (done < count) {
    ssize_t n = ::write(fd_, static_cast<const char*>(buffer) + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

Int64 TFileStream::Seek(Int64 offset, TSeekOrigin origin) {
  int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET : origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
  off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
  if (r < 0) throw EStreamError("Invalid stream seek");
  return r;
}

void TFileStream::SetSize(Int64 size) {
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) RaiseLastOSError();
  if (Position() > size) SetPosition(size);
}

// ---- TStringList

const std::string& TStringList::operator[](int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", {index}));
  return items_[static_cast<size_t>(index)];
}

std::string& TStringList::operator[](int index) {
  if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", {index}));
  return items_[static_cast<size_t>(index)];
}

int TStringList::Add(std::string s) {
  items_.push_back(std::move(s));
  return Count() - 1;
}

void TStringList::Insert(int index, std::string s) {
  if (index < 0 || index > Count()) throw EListError(Format("List index out of bounds (%d)", {index}));
  items_.insert(items_.begin() + index, std::move(s));
}

void TStringList::Delete(int index) {
  if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", {index}));
  items_.erase(items_.begin() + index);
}

int TStringList::IndexOf(std::string_view s) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(items_[static_cast<size_t>(i)], s)) return i;
  return -1;
}

void TStringList::Sort() {
  std::stable_sort(items_.begin(), items_.end(),
                   [](const std::string& a, const std::string& b) { return LowerCase(a) < LowerCase(b); });
}

std::string TStringList::Text() const {
  std::string out;
  for (const auto& s : items_) out += s + "\r\n";
  return out;
}

void TStringList::SetText(std::string_view text) {
  items_.clear();
  std::string cur;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      items_.push_back(cur);
      cur.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) items_.push_back(cur);
}

void TStringList::LoadFromFile(const std::string& name) { items_ = decode_text_lines(read_file_bytes(name), &utf8_); }

void TStringList::SaveToFile(const std::string& name) const {
  write_file_bytes_atomic(name, encode_text_lines(items_, utf8_));
}

void TStringList::LoadFromStream(TStream& stream) {
  Int64 n = stream.Size() - stream.Position();
  std::string bytes(static_cast<size_t>(std::max<Int64>(n, 0)), '\0');
  if (n > 0) stream.ReadBuffer(bytes.data(), n);
  items_ = decode_text_lines(bytes, &utf8_);
}

void TStringList::SaveToStream(TStream& stream) const {
  std::string bytes = encode_text_lines(items_, utf8_);
  stream.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
}
