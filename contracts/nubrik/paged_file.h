// A file the library reads on demand (host build): the file's bytes are not
// mapped but read into a private buffer piece by piece, as the calls first
// ask for them, and only those pieces. For programs that read many files
// through the library alone: every page of a mapping costs a page fault
// when first touched, a read of only the tables costs a few reads.
//
// While a file is open its buffer is registered as an image: pass Image()
// to the Nubrik* calls. Only the bytes the calls have read are valid, so
// read the file through the calls, never through the pointer directly.
// One PagedFile reuses its buffer from file to file.
#ifndef CONTRACTS_NUBRIK_PAGED_FILE_H
#define CONTRACTS_NUBRIK_PAGED_FILE_H

#include <cstddef>
#include <memory>
#include <string>

namespace nubrik {

class PagedFile {
 public:
  PagedFile();
  ~PagedFile();
  PagedFile(const PagedFile&) = delete;
  PagedFile& operator=(const PagedFile&) = delete;

  // Opens the file (closing the one open before) and registers it. False
  // when it cannot be opened, is empty or too large for memory.
  bool Open(const std::string& path);
  // Unregisters the image and closes the file.
  void Close();
  const void* Image() const;
  size_t Size() const;

 private:
  class Reader;
  std::unique_ptr<Reader> reader_;
};

}  // namespace nubrik

#endif  // CONTRACTS_NUBRIK_PAGED_FILE_H
