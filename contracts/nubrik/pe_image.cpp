#include "contracts/nubrik/pe_image.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

namespace pe {

// --- ByteView -----------------------------------------------------------------

std::optional<uint8_t> ByteView::U8(uint64_t offset) const {
  const uint8_t* p = At(offset, 1);
  if (!p) return std::nullopt;
  return p[0];
}

std::optional<uint16_t> ByteView::U16(uint64_t offset) const {
  const uint8_t* p = At(offset, 2);
  if (!p) return std::nullopt;
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

std::optional<uint32_t> ByteView::U32(uint64_t offset) const {
  const uint8_t* p = At(offset, 4);
  if (!p) return std::nullopt;
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

std::optional<uint64_t> ByteView::U64(uint64_t offset) const {
  auto low = U32(offset);
  auto high = U32(offset + 4);
  if (!low || !high || offset + 4 < offset) return std::nullopt;
  return static_cast<uint64_t>(*high) << 32 | *low;
}

std::optional<std::string> ByteView::CString(uint64_t offset, size_t maxLength) const {
  if (offset >= size_) return std::nullopt;
  size_t available = std::min<uint64_t>(size_ - offset, maxLength);
  const uint8_t* p = data_ + offset;
  const void* nul = std::memchr(p, 0, available);
  size_t length = nul ? static_cast<const uint8_t*>(nul) - p : available;
  return std::string(reinterpret_cast<const char*>(p), length);
}

// --- helpers ------------------------------------------------------------------

namespace {

// Little-endian fields of a structure already known to be inside the file.
uint16_t Le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint64_t Le64(const uint8_t* p) {
  return static_cast<uint64_t>(Le32(p + 4)) << 32 | Le32(p);
}

// Work and memory allowance of one walk over a directory. Legitimate tables
// use distinct bytes of the file, so a multiple of the file size is plenty;
// a hostile file that points many entries at the same bytes runs out.
class Budget {
 public:
  explicit Budget(uint64_t units) : left_(units) {}
  bool Take(uint64_t units) {
    if (units > left_) {
      left_ = 0;
      return false;
    }
    left_ -= units;
    return true;
  }
  uint64_t Left() const { return left_; }

 private:
  uint64_t left_;
};

uint64_t TextAllowance(size_t fileSize) {
  return 4 * static_cast<uint64_t>(fileSize) + 65536;
}

// A UTF-16 resource name to 8 bits: Latin-1 characters as they are, any other
// character (and NUL, which would end the text early) as '?'.
std::string Narrow(const uint8_t* utf16, size_t count) {
  std::string text(count, '?');
  for (size_t i = 0; i < count; ++i) {
    uint16_t c = Le16(utf16 + 2 * i);
    if (c != 0 && c <= 0xFF) text[i] = static_cast<char>(c);
  }
  return text;
}

}  // namespace

std::string SectionHeader::NameText() const {
  size_t length = 0;
  while (length < Name.size() && Name[length] != '\0') ++length;
  return std::string(Name.data(), length);
}

// --- Image --------------------------------------------------------------------

Image::Image(const void* data, size_t size) : Image(ByteView(data, size)) {}

Image::Image(ByteView view) : view_(view) {
  Parse();
}

void Image::Parse() {
  const uint8_t* mz = view_.At(0, 2);
  if (!mz || mz[0] != 'M' || mz[1] != 'Z') return;
  signature_ = Signature::kMZ;
  auto lfanew = view_.U32(0x3C);
  if (!lfanew) return;
  lfanew_ = *lfanew;
  if (const uint8_t* p = view_.At(lfanew_, 4); p && std::memcmp(p, "PE\0\0", 4) == 0) {
    signature_ = Signature::kPE;
  } else if (const uint8_t* q = view_.At(lfanew_, 2); q && q[0] == 'N' && q[1] == 'E') {
    signature_ = Signature::kNE;
  } else if (q && q[0] == 'L' && q[1] == 'E') {
    signature_ = Signature::kLE;
  }
  if (signature_ != Signature::kPE) return;

  const uint64_t fileHeaderAt = static_cast<uint64_t>(lfanew_) + 4;
  const uint8_t* fh = view_.At(fileHeaderAt, kFileHeaderSize);
  if (!fh) return;
  FileHeader f;
  f.Machine = Le16(fh);
  f.NumberOfSections = Le16(fh + 2);
  f.TimeDateStamp = Le32(fh + 4);
  f.PointerToSymbolTable = Le32(fh + 8);
  f.NumberOfSymbols = Le32(fh + 12);
  f.SizeOfOptionalHeader = Le16(fh + 16);
  f.Characteristics = Le16(fh + 18);
  fileHeader_ = f;

  const uint64_t optAt = OptionalHeaderOffset();
  if (auto magic = view_.U16(optAt); magic && (*magic == kMagicPe32 || *magic == kMagicPe32Plus)) {
    const bool is64 = *magic == kMagicPe32Plus;
    const size_t fixed = is64 ? 112 : 96;
    if (const uint8_t* o = view_.At(optAt, fixed)) {
      OptionalHeader h;
      h.Magic = *magic;
      h.MajorLinkerVersion = o[2];
      h.MinorLinkerVersion = o[3];
      h.SizeOfCode = Le32(o + 4);
      h.SizeOfInitializedData = Le32(o + 8);
      h.SizeOfUninitializedData = Le32(o + 12);
      h.AddressOfEntryPoint = Le32(o + 16);
      h.BaseOfCode = Le32(o + 20);
      // PE32+ drops BaseOfData and widens ImageBase and the four sizes.
      size_t at = 24;
      if (is64) {
        h.ImageBase = Le64(o + 24);
        at = 32;
      } else {
        h.BaseOfData = Le32(o + 24);
        h.ImageBase = Le32(o + 28);
        at = 32;
      }
      h.SectionAlignment = Le32(o + at);
      h.FileAlignment = Le32(o + at + 4);
      h.MajorOperatingSystemVersion = Le16(o + at + 8);
      h.MinorOperatingSystemVersion = Le16(o + at + 10);
      h.MajorImageVersion = Le16(o + at + 12);
      h.MinorImageVersion = Le16(o + at + 14);
      h.MajorSubsystemVersion = Le16(o + at + 16);
      h.MinorSubsystemVersion = Le16(o + at + 18);
      h.Win32VersionValue = Le32(o + at + 20);
      h.SizeOfImage = Le32(o + at + 24);
      h.SizeOfHeaders = Le32(o + at + 28);
      h.CheckSum = Le32(o + at + 32);
      h.Subsystem = Le16(o + at + 36);
      h.DllCharacteristics = Le16(o + at + 38);
      at += 40;
      if (is64) {
        h.SizeOfStackReserve = Le64(o + at);
        h.SizeOfStackCommit = Le64(o + at + 8);
        h.SizeOfHeapReserve = Le64(o + at + 16);
        h.SizeOfHeapCommit = Le64(o + at + 24);
        at += 32;
      } else {
        h.SizeOfStackReserve = Le32(o + at);
        h.SizeOfStackCommit = Le32(o + at + 4);
        h.SizeOfHeapReserve = Le32(o + at + 8);
        h.SizeOfHeapCommit = Le32(o + at + 12);
        at += 16;
      }
      h.LoaderFlags = Le32(o + at);
      h.NumberOfRvaAndSizes = Le32(o + at + 4);
      at += 8;
      const size_t count = std::min<uint64_t>(h.NumberOfRvaAndSizes, kMaxDataDirectories);
      for (size_t i = 0; i < count; ++i) {
        const uint8_t* d = view_.At(optAt + at + 8 * i, 8);
        if (!d) break;
        h.Directories[i] = {Le32(d), Le32(d + 4)};
      }
      optionalHeader_ = h;
    }
  }

  // The section table follows the optional header as its stored size says;
  // it is cut where the file ends.
  uint64_t tableAt = optAt + f.SizeOfOptionalHeader;
  if (tableAt < view_.Size()) {
    sections_.reserve(std::min<uint64_t>(f.NumberOfSections, (view_.Size() - tableAt) / 40));
  }
  for (size_t i = 0; i < f.NumberOfSections; ++i) {
    const uint64_t at = tableAt + kSectionHeaderSize * i;
    const uint8_t* s = view_.At(at, kSectionHeaderSize);
    if (!s) break;
    SectionHeader h;
    std::memcpy(h.Name.data(), s, 8);
    h.VirtualSize = Le32(s + 8);
    h.VirtualAddress = Le32(s + 12);
    h.SizeOfRawData = Le32(s + 16);
    h.PointerToRawData = Le32(s + 20);
    h.PointerToRelocations = Le32(s + 24);
    h.PointerToLinenumbers = Le32(s + 28);
    h.NumberOfRelocations = Le16(s + 32);
    h.NumberOfLinenumbers = Le16(s + 34);
    h.Characteristics = Le32(s + 36);
    h.FileOffset = at;
    sections_.push_back(h);
  }
  BuildSectionIndex();
}

void Image::BuildSectionIndex() {
  byAddress_.resize(sections_.size());
  for (size_t i = 0; i < sections_.size(); ++i) byAddress_[i] = static_cast<uint32_t>(i);
  auto byVa = [this](uint32_t a, uint32_t b) {
    return sections_[a].VirtualAddress < sections_[b].VirtualAddress;
  };
  // Linkers write the table in address order; only other files need sorting.
  if (!std::is_sorted(byAddress_.begin(), byAddress_.end(), byVa)) {
    std::stable_sort(byAddress_.begin(), byAddress_.end(), byVa);
  }
  reachEnd_.resize(byAddress_.size());
  uint64_t reach = 0;
  for (size_t i = 0; i < byAddress_.size(); ++i) {
    reach = std::max(reach, SectionEnd(sections_[byAddress_[i]]));
    reachEnd_[i] = reach;
  }
}

uint64_t Image::SectionEnd(const SectionHeader& s) {
  return static_cast<uint64_t>(s.VirtualAddress) + std::max(s.VirtualSize, s.SizeOfRawData);
}

const uint8_t* Image::DosHeaderBytes() const {
  if (signature_ == Signature::kNone) return nullptr;
  return view_.At(0, kDosHeaderSize);
}

const uint8_t* Image::FileHeaderBytes() const {
  if (!fileHeader_) return nullptr;
  return view_.At(static_cast<uint64_t>(lfanew_) + 4, kFileHeaderSize);
}

bool Image::CopyOptionalHeader(void* out, size_t size) const {
  if (!optionalHeader_) return false;
  const bool is64 = optionalHeader_->Is64();
  if (size != (is64 ? kOptionalHeader64Size : kOptionalHeader32Size)) return false;
  const uint64_t at = OptionalHeaderOffset();
  const size_t available = std::min<uint64_t>(size, view_.Size() - at);
  std::memset(out, 0, size);
  std::memcpy(out, view_.At(at, available), available);
  return true;
}

const SectionHeader* Image::FindSection(const std::string& name) const {
  if (name.size() > 8) return nullptr;
  for (const auto& s : sections_) {
    if (s.NameText() == name) return &s;
  }
  return nullptr;
}

std::optional<uint64_t> Image::RvaToOffset(uint64_t rva) const {
  if (!optionalHeader_) return std::nullopt;
  // The section that holds the RVA: the sections sorted by address, walking
  // back from the last one starting at or below it while an earlier one may
  // still reach it (a few steps in sane files; bounded for overlapping ones).
  auto it = std::upper_bound(
      byAddress_.begin(), byAddress_.end(), rva,
      [this](uint64_t value, uint32_t index) { return value < sections_[index].VirtualAddress; });
  const SectionHeader* hit = nullptr;
  uint32_t hitIndex = 0;
  size_t steps = 0;
  for (size_t pos = it - byAddress_.begin(); pos > 0 && steps < kMaxOverlapSteps; --pos, ++steps) {
    if (reachEnd_[pos - 1] <= rva) break;
    const uint32_t index = byAddress_[pos - 1];
    const SectionHeader& s = sections_[index];
    if (rva < SectionEnd(s) && (!hit || index < hitIndex)) {
      hit = &s;
      hitIndex = index;
    }
  }
  if (hit) {
    const uint64_t delta = rva - hit->VirtualAddress;
    if (delta >= hit->SizeOfRawData) return std::nullopt;  // zero-filled, not in the file
    // The loader rounds a raw pointer down to 512 bytes in normally aligned files.
    uint64_t raw = hit->PointerToRawData;
    if (optionalHeader_->FileAlignment >= 0x200) raw &= ~uint64_t{0x1FF};
    return raw + delta;
  }
  // The headers are mapped as they are stored; so is every byte of a file
  // without sections.
  if (sections_.empty() || rva < optionalHeader_->SizeOfHeaders) return rva;
  return std::nullopt;
}

const uint8_t* Image::AtRva(uint64_t rva, uint64_t length) const {
  auto offset = RvaToOffset(rva);
  if (!offset) return nullptr;
  return view_.At(*offset, length);
}

std::optional<std::string> Image::CStringAtRva(uint64_t rva, size_t maxLength) const {
  auto offset = RvaToOffset(rva);
  if (!offset) return std::nullopt;
  return view_.CString(*offset, maxLength);
}

std::optional<DataDirectory> Image::Directory(size_t index) const {
  if (!optionalHeader_ || index >= kMaxDataDirectories) return std::nullopt;
  if (index >= optionalHeader_->NumberOfRvaAndSizes) return std::nullopt;
  const DataDirectory& d = optionalHeader_->Directories[index];
  if (d.VirtualAddress == 0) return std::nullopt;
  return d;
}

// --- imports ------------------------------------------------------------------

std::vector<ImportDescriptor> Image::ImportDescriptors() const {
  std::vector<ImportDescriptor> result;
  VisitImportDescriptors([&](ImportDescriptor& d) {
    result.push_back(std::move(d));
    return true;
  });
  return result;
}

void Image::VisitImportDescriptors(const std::function<bool(ImportDescriptor&)>& visit) const {
  auto dir = Directory(kImportDirectory);
  if (!dir) return;
  auto tableAt = RvaToOffset(dir->VirtualAddress);
  if (!tableAt) return;
  Budget text(TextAllowance(view_.Size()));
  // The table ends at an all-zero descriptor or where the file ends; each
  // descriptor is 20 bytes of the file, so the count is bounded by its size.
  for (uint64_t at = *tableAt;; at += 20) {
    const uint8_t* d = view_.At(at, 20);
    if (!d) break;
    static const uint8_t kZero[20] = {};
    if (std::memcmp(d, kZero, 20) == 0) break;
    ImportDescriptor desc;
    desc.OriginalFirstThunk = Le32(d);
    desc.TimeDateStamp = Le32(d + 4);
    desc.ForwarderChain = Le32(d + 8);
    desc.NameRva = Le32(d + 12);
    desc.FirstThunk = Le32(d + 16);
    auto name = CStringAtRva(desc.NameRva, std::min<uint64_t>(kMaxNameLength, text.Left()));
    if (name && text.Take(name->size() + 1)) desc.ModuleName = std::move(*name);
    if (!visit(desc)) break;
  }
}

std::vector<ImportFunction> Image::ImportFunctionsOf(const ImportDescriptor& desc,
                                                     uint64_t limit) const {
  std::vector<ImportFunction> result;
  const bool is64 = optionalHeader_ && optionalHeader_->Is64();
  const size_t thunkSize = is64 ? 8 : 4;
  const uint32_t thunkRva = desc.OriginalFirstThunk ? desc.OriginalFirstThunk : desc.FirstThunk;
  auto thunkAt = RvaToOffset(thunkRva);
  if (!thunkAt || thunkRva == 0) return result;
  Budget text(TextAllowance(view_.Size()));
  const uint64_t ordinalFlag = is64 ? uint64_t{1} << 63 : uint64_t{1} << 31;
  // The array ends at a zero entry or where the file ends.
  for (uint64_t t = *thunkAt; result.size() < limit; t += thunkSize) {
    const uint8_t* p = view_.At(t, thunkSize);
    if (!p) break;
    const uint64_t value = is64 ? Le64(p) : Le32(p);
    if (value == 0) break;
    ImportFunction fn;
    if (value & ordinalFlag) {
      fn.ByOrdinal = true;
      fn.Ordinal = static_cast<uint16_t>(value & 0xFFFF);
    } else {
      const uint64_t hintRva = value & 0x7FFFFFFF;
      if (const uint8_t* h = AtRva(hintRva, 2)) fn.Hint = Le16(h);
      auto name = CStringAtRva(hintRva + 2, std::min<uint64_t>(kMaxNameLength, text.Left()));
      if (name && text.Take(name->size() + 1)) fn.Name = std::move(*name);
    }
    result.push_back(std::move(fn));
  }
  return result;
}

std::vector<ImportDescriptor> Image::Imports() const {
  auto result = ImportDescriptors();
  // Descriptors sharing one thunk array would multiply the work: the whole
  // table gets one allowance of thunks.
  Budget thunks(view_.Size() / 4 + 4096);
  for (auto& desc : result) {
    if (thunks.Left() == 0) break;
    desc.Functions = ImportFunctionsOf(desc, thunks.Left());
    thunks.Take(desc.Functions.size() + 1);
  }
  return result;
}

// --- exports ------------------------------------------------------------------

std::vector<Export> Image::Exports() const {
  std::vector<Export> result;
  WalkExports(&result);
  return result;
}

size_t Image::ExportCount() const {
  return WalkExports(nullptr);
}

size_t Image::WalkExports(std::vector<Export>* out) const {
  auto dir = Directory(kExportDirectory);
  if (!dir) return 0;
  const uint8_t* e = AtRva(dir->VirtualAddress, 40);
  if (!e) return 0;
  const uint32_t base = Le32(e + 16);
  const uint32_t numberOfFunctions = Le32(e + 20);
  const uint32_t numberOfNames = Le32(e + 24);
  const uint32_t functionsRva = Le32(e + 28);
  const uint32_t namesRva = Le32(e + 32);
  const uint32_t ordinalsRva = Le32(e + 36);

  // Each table is cut to what the file holds from its start.
  auto tableCount = [this](uint32_t rva, uint32_t count, size_t entrySize, uint64_t* at) {
    auto offset = RvaToOffset(rva);
    if (!offset || *offset >= view_.Size()) return uint64_t{0};
    *at = *offset;
    return std::min<uint64_t>(count, (view_.Size() - *offset) / entrySize);
  };
  uint64_t functionsAt = 0, namesAt = 0, ordinalsAt = 0;
  const uint64_t functionCount = tableCount(functionsRva, numberOfFunctions, 4, &functionsAt);
  uint64_t nameCount = tableCount(namesRva, numberOfNames, 4, &namesAt);
  nameCount = std::min(nameCount, tableCount(ordinalsRva, numberOfNames, 2, &ordinalsAt));

  const uint64_t forwardBegin = dir->VirtualAddress;
  const uint64_t forwardEnd = forwardBegin + dir->Size;
  Budget text(TextAllowance(view_.Size()));
  auto functionRva = [&](uint64_t index) { return Le32(view_.At(functionsAt + 4 * index, 4)); };
  auto makeExport = [&](uint64_t index) {
    Export x;
    x.Ordinal = static_cast<uint32_t>(base + index);
    x.Rva = functionRva(index);
    if (x.Rva >= forwardBegin && x.Rva < forwardEnd) {
      auto fwd = CStringAtRva(x.Rva, std::min<uint64_t>(kMaxNameLength, text.Left()));
      if (fwd && text.Take(fwd->size() + 1)) x.Forwarder = std::move(*fwd);
    }
    return x;
  };

  // Named exports in name-table order, then those by ordinal only in
  // ordinal order. Empty slots of the function table are no exports, and a
  // name for an empty slot names nothing.
  size_t count = 0;
  std::vector<bool> named(functionCount, false);
  for (uint64_t i = 0; i < nameCount; ++i) {
    const uint32_t nameRva = Le32(view_.At(namesAt + 4 * i, 4));
    const uint16_t index = Le16(view_.At(ordinalsAt + 2 * i, 2));
    if (index >= functionCount || functionRva(index) == 0) continue;
    auto nameAt = RvaToOffset(nameRva);
    if (!nameAt || *nameAt >= view_.Size()) continue;
    const size_t limit = std::min<uint64_t>({kMaxNameLength, text.Left(), view_.Size() - *nameAt});
    const void* nul = std::memchr(view_.Data() + *nameAt, 0, limit);
    const size_t length = nul ? static_cast<const uint8_t*>(nul) - (view_.Data() + *nameAt) : limit;
    if (!text.Take(length + 1)) continue;
    named[index] = true;
    ++count;
    if (out) {
      Export x = makeExport(index);
      x.Name = std::string(reinterpret_cast<const char*>(view_.Data() + *nameAt), length);
      out->push_back(std::move(x));
    }
  }
  for (uint64_t i = 0; i < functionCount; ++i) {
    if (named[i] || functionRva(i) == 0) continue;
    ++count;
    if (out) out->push_back(makeExport(i));
  }
  return count;
}

// --- resources ----------------------------------------------------------------

namespace {

struct ResourceWalk {
  const Image& image;
  uint64_t rootRva;
  std::vector<Resource>* out;  // null: count only
  Budget entries;
  Budget text;
  std::unordered_set<uint32_t> visited;
  size_t count = 0;

  // The name of a directory entry: a counted UTF-16 string, or its id.
  bool EntryName(uint32_t field, std::optional<uint32_t>* id, std::string* name) {
    if (!(field & 0x80000000u)) {
      *id = field;
      if (out) *name = std::to_string(field);
      return true;
    }
    const uint64_t at = rootRva + (field & 0x7FFFFFFFu);
    const uint8_t* len = image.AtRva(at, 2);
    if (!len) return false;
    uint64_t chars = Le16(len);
    // Cut to the file and the allowance.
    auto offset = image.RvaToOffset(at + 2);
    if (!offset) return false;
    const uint64_t size = image.View().Size();
    chars = std::min<uint64_t>(chars, *offset <= size ? (size - *offset) / 2 : 0);
    chars = std::min<uint64_t>(chars, text.Left());
    const uint8_t* utf16 = image.View().At(*offset, 2 * chars);
    if (!utf16 || !text.Take(chars + 1)) return false;
    *id = std::nullopt;
    if (out) *name = Narrow(utf16, chars);
    return true;
  }

  void Walk(int level, uint32_t relative, const Resource& partial) {
    // A directory is walked once: a loop or a shared subtree ends there.
    if (!visited.insert(relative).second) return;
    const uint8_t* header = image.AtRva(rootRva + relative, 16);
    if (!header) return;
    const uint32_t entryCount = uint32_t{Le16(header + 12)} + Le16(header + 14);
    for (uint32_t i = 0; i < entryCount; ++i) {
      const uint8_t* entry = image.AtRva(rootRva + relative + 16 + 8 * uint64_t{i}, 8);
      if (!entry || !entries.Take(1)) return;
      const uint32_t nameField = Le32(entry);
      const uint32_t dataField = Le32(entry + 4);
      Resource r = partial;
      if (level == 0) {
        if (!EntryName(nameField, &r.TypeId, &r.TypeName)) continue;
      } else if (level == 1) {
        if (!EntryName(nameField, &r.NameId, &r.Name)) continue;
      } else {
        // Languages are ids; a named language has none.
        r.Language = (nameField & 0x80000000u) ? 0 : nameField;
      }
      if (dataField & 0x80000000u) {
        // Only three levels exist: type, name, language.
        if (level < 2) Walk(level + 1, dataField & 0x7FFFFFFFu, r);
        continue;
      }
      // A data entry counts only at the language level.
      if (level != 2) continue;
      const uint8_t* data = image.AtRva(rootRva + dataField, 16);
      if (!data) continue;
      ++count;
      if (!out) continue;
      r.OffsetToData = Le32(data);
      r.Size = Le32(data + 4);
      r.CodePage = Le32(data + 8);
      out->push_back(std::move(r));
    }
  }
};

}  // namespace

size_t Image::WalkResources(std::vector<Resource>* out) const {
  auto dir = Directory(kResourceDirectory);
  if (!dir) return 0;
  ResourceWalk walk{*this,
                    dir->VirtualAddress,
                    out,
                    Budget(view_.Size() / 8 + 16),
                    Budget(TextAllowance(view_.Size())),
                    {}};
  walk.Walk(0, 0, Resource{});
  return walk.count;
}

std::vector<Resource> Image::Resources() const {
  std::vector<Resource> result;
  WalkResources(&result);
  return result;
}

size_t Image::ResourceCount() const {
  return WalkResources(nullptr);
}

// --- debug --------------------------------------------------------------------

const uint8_t* Image::FirstDebugEntry() const {
  auto dir = Directory(kDebugDirectory);
  if (!dir || dir->Size < kDebugEntrySize) return nullptr;
  return AtRva(dir->VirtualAddress, kDebugEntrySize);
}

}  // namespace pe
