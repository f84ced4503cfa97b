// Thin owner of one platform file handle. Every failure throws a QVException* naming the file.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "QVEOptions.h"
#include "QVEString.h"

namespace Qve {

// POSIX file descriptor; -1 when no file is open.
using QVFileHandle = int;
constexpr QVFileHandle kQVInvalidHandle = -1;

// Options read by QVFile (absent means false).
inline constexpr const char* kQVFileReadOnly = "ReadOnly";            // Bool, read by Open
inline constexpr const char* kQVFileDeleteOnClose = "DeleteOnClose";  // Bool, read by Create
inline constexpr const char* kQVFileExclusive = "Exclusive";          // Bool, read by Create

class QVFile : public QVOptions {
 public:
  QVFile() = default;
  ~QVFile() override;

  // Opens an existing file, read-only with "ReadOnly", else read-write. -999 on failure.
  // Open, Create and ReplaceContents never go through a symbolic link that another user owns
  // (the file's name, a link it leads to, or a folder on the path; for folders, root's links
  // count as the system's own): that fails as the file would. The user's own links are
  // followed.
  virtual void Open(const QVEstring& path);
  // Creates or truncates the file; "DeleteOnClose" removes it on Close. -998 on failure.
  // "Exclusive": a regular file is opened without truncating it and truncated only once this
  // object holds an exclusive advisory lock on it (until Close); when another holder has the
  // lock, the file is left as it is and -994 "resource unavailable: file F is in use by another
  // run" is thrown. Other files (devices) are shared, as without the option.
  virtual void Create(const QVEstring& path);
  // Takes ownership of an open handle (pipe ends).
  virtual void Attach(QVFileHandle handle, const QVEstring& name);
  virtual void Close();
  // Returns the bytes read; 0 at the end of a file or of a pipe. -997 on failure.
  virtual uint64_t Read(void* buffer, uint64_t size);
  // Writes every byte. -996 on failure.
  virtual uint64_t Write(const void* buffer, uint64_t size);
  virtual void Flush();                 // -996
  virtual void SetSize(uint64_t size);  // -995; position is `size` afterwards
  virtual uint64_t GetSize();           // -995
  virtual uint64_t GetPosition();       // -995
  // UINT64_MAX (all ones) means SeekToEnd. -995.
  virtual uint64_t Seek(uint64_t position);
  virtual void SeekToBegin();
  virtual uint64_t SeekToEnd();  // -995

  // Replaces the whole content of the open file without ever leaving it half written: the
  // bytes go to a new temporary file in the same folder, are flushed to disk, get the file's
  // permission bits (and owner, where allowed) and are renamed over it (over the target of a
  // symbolic link); then this object is closed. On any failure the file keeps its old content
  // byte for byte, the temporary file is removed, this object stays open, and the exception
  // names this file: -998 when the temporary file cannot be created, -996 when writing or
  // flushing it fails, -995 when the mode cannot be read or set or the rename fails.
  void ReplaceContents(const void* buffer, uint64_t size);

  // Writes the parts one after the other with one system call (more only for a partial write),
  // as one Write of their concatenation would, without building it. -996 on failure.
  uint64_t Write(std::initializer_list<std::string_view> parts);

  const QVEstring& GetFileName() const { return file_name_; }
  QVFileHandle GetHandle() const { return handle_; }
  bool IsOpen() const { return handle_ != kQVInvalidHandle; }

 private:
  QVFileHandle handle_ = kQVInvalidHandle;
  QVEstring file_name_;
  bool delete_on_close_ = false;
};

}  // namespace Qve
