// pe::Image: a bounds-checked reader of a PE file held in memory (the whole
// file, as mapped). Every read goes through ByteView, which checks offset and
// length against the file size without overflow; a structure that runs past
// the end of the file is absent, and a list is cut where the file ends.
// Hostile files cannot make it loop forever or allocate without bound: counts
// are capped by what the file can hold and walks carry a work budget.
#ifndef CONTRACTS_NUBRIK_PE_IMAGE_H
#define CONTRACTS_NUBRIK_PE_IMAGE_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pe {

// Fills the bytes of a view on demand, for a file that is read piece by
// piece instead of mapped whole.
class Pager {
 public:
  virtual ~Pager() = default;
  // Makes [offset, offset + length) of the view's bytes valid (the range is
  // inside the view); false when they cannot be read.
  virtual bool Load(uint64_t offset, uint64_t length) const = 0;
};

// A read-only window on file bytes; every accessor checks its range (and,
// with a pager, has the bytes read first). The one byte view of the
// programs: the PE reader, the version reader and the image layout use it.
class ByteView {
 public:
  ByteView() = default;
  ByteView(const void* data, size_t size, const Pager* pager = nullptr)
      : data_(static_cast<const uint8_t*>(data)), size_(size), pager_(pager) {}

  size_t Size() const { return size_; }
  // The first byte (with a pager, read only through At and the readers).
  const uint8_t* Data() const { return data_; }
  // True when [offset, offset + length) lies inside the view.
  bool Has(uint64_t offset, uint64_t length) const {
    return offset <= size_ && length <= size_ - offset;
  }
  // The bytes at [offset, offset + length), or null when outside (or, with
  // a pager, when they cannot be read).
  const uint8_t* At(uint64_t offset, uint64_t length) const {
    if (!Has(offset, length)) return nullptr;
    if (pager_ && length != 0 && !pager_->Load(pagerBase_ + offset, length)) return nullptr;
    return data_ + offset;
  }
  // The part [offset, offset + count), cut at the end of this view.
  ByteView Sub(uint64_t offset, uint64_t count) const;
  // A copy of [offset, offset + count), or nothing when it does not all fit.
  std::optional<std::vector<uint8_t>> Copy(uint64_t offset, uint64_t count) const;
  std::optional<uint8_t> U8(uint64_t offset) const;
  std::optional<uint16_t> U16(uint64_t offset) const;
  std::optional<uint32_t> U32(uint64_t offset) const;
  std::optional<uint64_t> U64(uint64_t offset) const;
  // The NUL-terminated text at offset, at most maxLength bytes. A text that
  // the file ends inside (no NUL before the end) is cut there; an offset
  // outside the file gives nullopt.
  std::optional<std::string> CString(uint64_t offset, size_t maxLength) const;

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  const Pager* pager_ = nullptr;
  uint64_t pagerBase_ = 0;  // where this view starts in the pager's bytes
};

enum class Signature : uint16_t {
  kNone = 0,
  kMZ = 0x5A4D,
  kNE = 0x454E,
  kLE = 0x454C,
  kPE = 0x4550
};

constexpr size_t kDosHeaderSize = 64;
constexpr size_t kFileHeaderSize = 20;
constexpr size_t kOptionalHeader32Size = 224;
constexpr size_t kOptionalHeader64Size = 240;
constexpr size_t kSectionHeaderSize = 40;
constexpr size_t kDebugEntrySize = 28;
constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;
constexpr size_t kMaxDataDirectories = 16;

enum DirectoryIndex : size_t {
  kExportDirectory = 0,
  kImportDirectory = 1,
  kResourceDirectory = 2,
  kDebugDirectory = 6,
};

struct FileHeader {
  uint16_t Machine = 0;
  uint16_t NumberOfSections = 0;
  uint32_t TimeDateStamp = 0;
  uint32_t PointerToSymbolTable = 0;
  uint32_t NumberOfSymbols = 0;
  uint16_t SizeOfOptionalHeader = 0;
  uint16_t Characteristics = 0;
};

struct DataDirectory {
  uint32_t VirtualAddress = 0;
  uint32_t Size = 0;
};

// Both optional header layouts in one record; ImageBase and the stack and heap
// sizes are widened to 64 bits, BaseOfData is 0 for PE32+.
struct OptionalHeader {
  uint16_t Magic = 0;
  uint8_t MajorLinkerVersion = 0;
  uint8_t MinorLinkerVersion = 0;
  uint32_t SizeOfCode = 0;
  uint32_t SizeOfInitializedData = 0;
  uint32_t SizeOfUninitializedData = 0;
  uint32_t AddressOfEntryPoint = 0;
  uint32_t BaseOfCode = 0;
  uint32_t BaseOfData = 0;
  uint64_t ImageBase = 0;
  uint32_t SectionAlignment = 0;
  uint32_t FileAlignment = 0;
  uint16_t MajorOperatingSystemVersion = 0;
  uint16_t MinorOperatingSystemVersion = 0;
  uint16_t MajorImageVersion = 0;
  uint16_t MinorImageVersion = 0;
  uint16_t MajorSubsystemVersion = 0;
  uint16_t MinorSubsystemVersion = 0;
  uint32_t Win32VersionValue = 0;
  uint32_t SizeOfImage = 0;
  uint32_t SizeOfHeaders = 0;
  uint32_t CheckSum = 0;
  uint16_t Subsystem = 0;
  uint16_t DllCharacteristics = 0;
  uint64_t SizeOfStackReserve = 0;
  uint64_t SizeOfStackCommit = 0;
  uint64_t SizeOfHeapReserve = 0;
  uint64_t SizeOfHeapCommit = 0;
  uint32_t LoaderFlags = 0;
  uint32_t NumberOfRvaAndSizes = 0;
  // Directories beyond NumberOfRvaAndSizes (or beyond the file) stay zero.
  std::array<DataDirectory, kMaxDataDirectories> Directories{};

  bool Is64() const { return Magic == kMagicPe32Plus; }
};

struct SectionHeader {
  std::array<char, 8> Name{};  // as stored: not always NUL-terminated
  uint32_t VirtualSize = 0;
  uint32_t VirtualAddress = 0;
  uint32_t SizeOfRawData = 0;
  uint32_t PointerToRawData = 0;
  uint32_t PointerToRelocations = 0;
  uint32_t PointerToLinenumbers = 0;
  uint16_t NumberOfRelocations = 0;
  uint16_t NumberOfLinenumbers = 0;
  uint32_t Characteristics = 0;
  uint64_t FileOffset = 0;  // where this header sits in the file

  // The name up to its first NUL (at most 8 characters).
  std::string_view NameView() const;
  std::string NameText() const { return std::string(NameView()); }
};

// One entry of the debug directory (28 bytes).
struct DebugEntry {
  uint32_t Characteristics = 0;
  uint32_t TimeDateStamp = 0;
  uint16_t MajorVersion = 0;
  uint16_t MinorVersion = 0;
  uint32_t Type = 0;
  uint32_t SizeOfData = 0;
  uint32_t AddressOfRawData = 0;
  uint32_t PointerToRawData = 0;
};

// The records come in two forms: with texts of their own (std::string), and
// as views of the file's bytes (std::string_view), built without copying a
// text and valid while the file's bytes are. The callers that copy the texts
// elsewhere anyway (the C interface) read the views.

// One imported function: by name (with its hint) or by ordinal.
template <typename Text>
struct BasicImportFunction {
  bool ByOrdinal = false;
  uint16_t Ordinal = 0;
  uint16_t Hint = 0;
  Text Name;
};
using ImportFunction = BasicImportFunction<std::string>;
using ImportFunctionView = BasicImportFunction<std::string_view>;

// One import descriptor, in directory order.
template <typename Text>
struct BasicImportDescriptor {
  uint32_t OriginalFirstThunk = 0;
  uint32_t TimeDateStamp = 0;
  uint32_t ForwarderChain = 0;
  uint32_t NameRva = 0;
  uint32_t FirstThunk = 0;
  Text ModuleName;
};
using ImportDescriptorView = BasicImportDescriptor<std::string_view>;
struct ImportDescriptor : BasicImportDescriptor<std::string> {
  std::vector<ImportFunction> Functions;
};

struct ExportView {
  bool Named = false;
  std::string_view Name;
  uint32_t Ordinal = 0;
  uint32_t Rva = 0;
  bool Forwarded = false;
  std::string_view Forwarder;
};

// A resource directory entry's name as stored: an id, or a counted UTF-16
// text in the file.
struct ResourceNameView {
  std::optional<uint32_t> Id;
  const uint8_t* Utf16 = nullptr;
  size_t Chars = 0;

  // The text form: the id in decimal, or the name in UTF-8. A surrogate
  // without its pair and U+0000 become U+FFFD: the name keeps every
  // character after a NUL (a C caller would otherwise see it cut there, and
  // two different names could read the same) and stays valid UTF-8.
  // Written to out (which holds at least Length() bytes); Text() makes a
  // string of it.
  size_t Length() const;
  void Write(char* out) const;
  std::string Text() const;
};

struct ResourceView {
  ResourceNameView Type;
  ResourceNameView Name;
  uint32_t Language = 0;
  uint32_t OffsetToData = 0;
  uint32_t Size = 0;
  uint32_t CodePage = 0;
};

struct Export {
  std::optional<std::string> Name;  // absent for an export by ordinal only
  uint32_t Ordinal = 0;
  uint32_t Rva = 0;                      // of the code, or of the forwarder text
  std::optional<std::string> Forwarder;  // "MODULE.Function" for a forwarder
};

// One leaf of the resource tree (type / name / language).
struct Resource {
  std::optional<uint32_t> TypeId;  // absent when the type is named
  std::string TypeName;            // the type's string name, UTF-8
  std::optional<uint32_t> NameId;  // absent when the resource is named
  std::string Name;                // string name, UTF-8, or the id in decimal
  uint32_t Language = 0;
  uint32_t OffsetToData = 0;  // an RVA
  uint32_t Size = 0;
  uint32_t CodePage = 0;
};

// Module names match without regard to ASCII case (the loader's rule); other
// bytes compare as they are.
bool SameModuleName(std::string_view a, std::string_view b);

class Image {
 public:
  Image(const void* data, size_t size);
  explicit Image(ByteView view);

  const ByteView& View() const { return view_; }

  // "MZ" for a DOS file, "NE"/"LE"/"PE" when e_lfanew points at that
  // signature, kNone when the file does not start with "MZ".
  Signature GetSignature() const { return signature_; }
  bool IsPe() const { return signature_ == Signature::kPE; }

  // The 64 bytes of the DOS header (null when not an MZ file or cut).
  const uint8_t* DosHeaderBytes() const;
  uint32_t NewHeaderOffset() const { return lfanew_; }

  // The headers of a PE file; absent when not PE or cut by the file's end.
  const std::optional<FileHeader>& GetFileHeader() const { return fileHeader_; }
  const uint8_t* FileHeaderBytes() const;
  const std::optional<OptionalHeader>& GetOptionalHeader() const { return optionalHeader_; }
  uint64_t OptionalHeaderOffset() const { return lfanew_ + 4 + kFileHeaderSize; }
  // The optional header as stored, `size` bytes (224 or 240): bytes past the
  // end of the file are zero. False when the magic does not match the size or
  // the fixed fields are not in the file.
  bool CopyOptionalHeader(void* out, size_t size) const;

  // The section table, cut where the file ends.
  const std::vector<SectionHeader>& Sections() const { return sections_; }
  const SectionHeader* FindSection(const std::string& name) const;

  // The file offset of an RVA, or nullopt when no file byte backs it.
  std::optional<uint64_t> RvaToOffset(uint64_t rva) const;
  // The same, for a walk that reads many RVAs of one section after another:
  // `hint` remembers the section of the last hit (start it empty).
  struct RvaHint {
    uint64_t Begin = 0;
    uint64_t End = 0;  // empty while Begin == End
    uint64_t Offset = 0;
  };
  std::optional<uint64_t> RvaToOffset(uint64_t rva, RvaHint* hint) const;
  // Bytes at an RVA, `length` of them, all inside the file; null otherwise.
  const uint8_t* AtRva(uint64_t rva, uint64_t length, RvaHint* hint = nullptr) const;
  std::optional<std::string> CStringAtRva(uint64_t rva, size_t maxLength) const;
  // The same text as a view of the file's bytes.
  std::optional<std::string_view> CStringViewAtRva(uint64_t rva, size_t maxLength,
                                                   RvaHint* hint = nullptr) const;

  // The directories' contents, computed on each call.
  std::vector<ImportDescriptor> Imports() const;
  // The descriptors alone (Functions left empty), and one's functions
  // (at most `limit` of them; the array also ends where the file does).
  std::vector<ImportDescriptor> ImportDescriptors() const;
  std::vector<ImportFunction> ImportFunctionsOf(const ImportDescriptor& descriptor,
                                                uint64_t limit = UINT64_MAX) const;
  std::vector<Export> Exports() const;
  std::vector<Resource> Resources() const;
  // The same lists as views of the file. The descriptors are read once, on
  // first use, and kept with an index by module name.
  const std::vector<ImportDescriptorView>& ImportDescriptorViews() const;
  // The occurrence-th (from 0, in directory order) descriptor whose module
  // name equals `module` without regard to ASCII case, or null. A descriptor
  // without a readable name matches nothing, not even "". One hash lookup:
  // descriptors sharing a long name cost nothing per call.
  const ImportDescriptorView* FindImportDescriptor(std::string_view module,
                                                   size_t occurrence) const;
  std::vector<ImportFunctionView> ImportFunctionViews(uint32_t originalFirstThunk,
                                                      uint32_t firstThunk,
                                                      uint64_t limit = UINT64_MAX) const;
  // The export and resource lists are walked once, on first use, and kept.
  const std::vector<ExportView>& ExportViews() const;
  const std::vector<ResourceView>& ResourceViews() const;
  size_t ExportCount() const { return ExportViews().size(); }
  size_t ResourceCount() const { return ResourceViews().size(); }
  // The first debug directory entry (28 bytes, inside the file), or null.
  const uint8_t* FirstDebugEntry() const;

  // The directory `index`, or nullopt when absent or empty.
  std::optional<DataDirectory> Directory(size_t index) const;

  // Where a section's raw data starts, as the loader reads it: rounded down
  // to 512 bytes (the disk sector the loader reads from) whatever larger
  // FileAlignment the file states, so 0x1000 rounds to 0x200 too; a file
  // with FileAlignment below 512 is mapped flat and its pointer is kept.
  uint64_t RawStart(const SectionHeader& s) const;
  // The file bytes that back a section, as the loader maps them: from
  // RawStart, SizeOfRawData of them, cut where the file ends. Every RVA
  // that RvaToOffset finds in the section lies in this range.
  struct FileRange {
    uint64_t Offset = 0;
    uint64_t Size = 0;
  };
  FileRange SectionFileRange(const SectionHeader& s) const;
  // How far a section reaches in the image: VirtualAddress plus the larger
  // of its virtual and raw sizes (what RvaToOffset takes as the section).
  static uint64_t SectionEnd(const SectionHeader& s);

  // Longest name read for a module, function, export or forwarder.
  static constexpr size_t kMaxNameLength = 4096;

 private:
  void Parse();
  void WalkExports(std::vector<ExportView>* out) const;
  void WalkResources(std::vector<ResourceView>* out) const;
  void BuildSectionIndex();
  void WalkImportDescriptors() const;
  // How far RvaToOffset looks back through overlapping sections.
  static constexpr size_t kMaxOverlapSteps = 64;

  ByteView view_;
  Signature signature_ = Signature::kNone;
  uint32_t lfanew_ = 0;
  std::optional<FileHeader> fileHeader_;
  std::optional<OptionalHeader> optionalHeader_;
  std::vector<SectionHeader> sections_;
  std::vector<uint32_t> byAddress_;  // section indexes sorted by VirtualAddress
  std::vector<uint64_t> reachEnd_;   // highest section end up to each of those
  bool disjoint_ = true;             // no two sections share an RVA
  // Module names to descriptor indexes (directory order), compared without
  // regard to ASCII case; the keys are views of the file.
  struct NoCaseHash {
    size_t operator()(std::string_view text) const;
  };
  struct NoCaseEqual {
    bool operator()(std::string_view a, std::string_view b) const;
  };
  mutable std::once_flag importsWalked_;
  mutable std::vector<ImportDescriptorView> imports_;
  mutable std::unordered_map<std::string_view, std::vector<uint32_t>, NoCaseHash, NoCaseEqual>
      importsByName_;
  mutable std::once_flag exportsWalked_;
  mutable std::vector<ExportView> exports_;
  mutable std::once_flag resourcesWalked_;
  mutable std::vector<ResourceView> resources_;
};

}  // namespace pe

#endif  // CONTRACTS_NUBRIK_PE_IMAGE_H
