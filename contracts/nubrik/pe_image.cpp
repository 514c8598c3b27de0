#include "contracts/nubrik/pe_image.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "contracts/nubrik/pe_layout.h"

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
  return Le16(p);
}

std::optional<uint32_t> ByteView::U32(uint64_t offset) const {
  const uint8_t* p = At(offset, 4);
  if (!p) return std::nullopt;
  return Le32(p);
}

std::optional<uint64_t> ByteView::U64(uint64_t offset) const {
  auto low = U32(offset);
  auto high = U32(offset + 4);
  if (!low || !high || offset + 4 < offset) return std::nullopt;
  return static_cast<uint64_t>(*high) << 32 | *low;
}

ByteView ByteView::Sub(uint64_t offset, uint64_t count) const {
  ByteView part = *this;
  offset = std::min<uint64_t>(offset, size_);
  part.data_ = data_ ? data_ + offset : nullptr;
  part.size_ = static_cast<size_t>(std::min<uint64_t>(count, size_ - offset));
  part.pagerBase_ = pagerBase_ + offset;
  return part;
}

std::optional<std::vector<uint8_t>> ByteView::Copy(uint64_t offset, uint64_t count) const {
  const uint8_t* p = At(offset, count);
  if (!p) return std::nullopt;
  return std::vector<uint8_t>(p, p + count);
}

std::optional<std::string> ByteView::CString(uint64_t offset, size_t maxLength) const {
  if (offset >= size_) return std::nullopt;
  size_t available = std::min<uint64_t>(size_ - offset, maxLength);
  const uint8_t* p = At(offset, available);
  if (!p) return std::nullopt;
  const void* nul = std::memchr(p, 0, available);
  size_t length = nul ? static_cast<const uint8_t*>(nul) - p : available;
  return std::string(reinterpret_cast<const char*>(p), length);
}

// --- helpers ------------------------------------------------------------------

namespace {

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

char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

uint64_t TextAllowance(size_t fileSize) {
  return 4 * static_cast<uint64_t>(fileSize) + 65536;
}

}  // namespace

std::string_view SectionHeader::NameView() const {
  size_t length = 0;
  while (length < Name.size() && Name[length] != '\0') ++length;
  return std::string_view(Name.data(), length);
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
  const FileHeader f =
      DecodeFileHeader(std::span<const uint8_t, kFileHeaderSize>(fh, kFileHeaderSize));
  fileHeader_ = f;

  // The fixed part must be in the file; the data directories are read as far
  // as the file goes.
  const uint64_t optAt = OptionalHeaderOffset();
  if (auto magic = view_.U16(optAt); magic && (*magic == kMagicPe32 || *magic == kMagicPe32Plus)) {
    const bool is64 = *magic == kMagicPe32Plus;
    const size_t whole = is64 ? kOptionalHeader64Size : kOptionalHeader32Size;
    const size_t inFile = std::min<uint64_t>(whole, view_.Size() - optAt);
    if (const uint8_t* o = view_.At(optAt, inFile)) {
      optionalHeader_ = DecodeOptionalHeader(std::span<const uint8_t>(o, inFile), is64);
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
    SectionHeader h =
        DecodeSectionHeader(std::span<const uint8_t, kSectionHeaderSize>(s, kSectionHeaderSize));
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
    const SectionHeader& s = sections_[byAddress_[i]];
    if (s.VirtualAddress < reach) disjoint_ = false;
    reach = std::max(reach, SectionEnd(s));
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
  const uint8_t* stored = view_.At(at, available);
  if (!stored) return false;
  std::memset(out, 0, size);
  std::memcpy(out, stored, available);
  return true;
}

const SectionHeader* Image::FindSection(const std::string& name) const {
  for (const auto& s : sections_) {
    if (s.NameView() == name) return &s;
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
    return RawStart(*hit) + delta;
  }
  // The headers are mapped as they are stored; so is every byte of a file
  // without sections.
  if (sections_.empty() || rva < optionalHeader_->SizeOfHeaders) return rva;
  return std::nullopt;
}

std::optional<uint64_t> Image::RvaToOffset(uint64_t rva, RvaHint* hint) const {
  if (!hint) return RvaToOffset(rva);
  if (rva >= hint->Begin && rva < hint->End) return hint->Offset + (rva - hint->Begin);
  auto offset = RvaToOffset(rva);
  // With sections that overlap, the answer depends on more than one section:
  // no hint then.
  if (!offset || !disjoint_) return offset;
  auto it = std::upper_bound(
      byAddress_.begin(), byAddress_.end(), rva,
      [this](uint64_t value, uint32_t index) { return value < sections_[index].VirtualAddress; });
  if (it == byAddress_.begin()) return offset;
  const SectionHeader& s = sections_[*(it - 1)];
  // The file-backed part of the section: every RVA in it maps by the same
  // delta.
  if (rva < s.VirtualAddress || rva - s.VirtualAddress >= s.SizeOfRawData) return offset;
  hint->Begin = s.VirtualAddress;
  hint->End = std::min<uint64_t>(SectionEnd(s), uint64_t{s.VirtualAddress} + s.SizeOfRawData);
  hint->Offset = RawStart(s);
  return offset;
}

Image::FileRange Image::SectionFileRange(const SectionHeader& s) const {
  const uint64_t start = RawStart(s);
  if (start >= view_.Size()) return {start, 0};
  return {start, std::min<uint64_t>(s.SizeOfRawData, view_.Size() - start)};
}

uint64_t Image::RawStart(const SectionHeader& s) const {
  uint64_t raw = s.PointerToRawData;
  if (optionalHeader_ && optionalHeader_->FileAlignment >= 0x200) raw &= ~uint64_t{0x1FF};
  return raw;
}

const uint8_t* Image::AtRva(uint64_t rva, uint64_t length, RvaHint* hint) const {
  auto offset = RvaToOffset(rva, hint);
  if (!offset) return nullptr;
  return view_.At(*offset, length);
}

std::optional<std::string> Image::CStringAtRva(uint64_t rva, size_t maxLength) const {
  auto text = CStringViewAtRva(rva, maxLength);
  if (!text) return std::nullopt;
  return std::string(*text);
}

std::optional<std::string_view> Image::CStringViewAtRva(uint64_t rva, size_t maxLength,
                                                        RvaHint* hint) const {
  auto offset = RvaToOffset(rva, hint);
  if (!offset || *offset >= view_.Size()) return std::nullopt;
  const size_t available = std::min<uint64_t>(view_.Size() - *offset, maxLength);
  const uint8_t* p = view_.At(*offset, available);
  if (!p) return std::nullopt;
  const void* nul = std::memchr(p, 0, available);
  const size_t length = nul ? static_cast<const uint8_t*>(nul) - p : available;
  return std::string_view(reinterpret_cast<const char*>(p), length);
}

std::optional<DataDirectory> Image::Directory(size_t index) const {
  if (!optionalHeader_ || index >= kMaxDataDirectories) return std::nullopt;
  if (index >= optionalHeader_->NumberOfRvaAndSizes) return std::nullopt;
  const DataDirectory& d = optionalHeader_->Directories[index];
  if (d.VirtualAddress == 0) return std::nullopt;
  return d;
}

// --- imports ------------------------------------------------------------------

const std::vector<ImportDescriptorView>& Image::ImportDescriptorViews() const {
  std::call_once(importsWalked_, [this] { WalkImportDescriptors(); });
  return imports_;
}

const ImportDescriptorView* Image::FindImportDescriptor(std::string_view module,
                                                        size_t occurrence) const {
  ImportDescriptorViews();
  if (module.empty()) return nullptr;
  auto it = importsByName_.find(module);
  if (it == importsByName_.end() || occurrence >= it->second.size()) return nullptr;
  return &imports_[it->second[occurrence]];
}

size_t Image::NoCaseHash::operator()(std::string_view text) const {
  // FNV-1a over the upper-cased bytes.
  uint64_t hash = 0xcbf29ce484222325ull;
  for (char c : text) {
    hash ^= static_cast<unsigned char>(AsciiUpper(c));
    hash *= 0x100000001b3ull;
  }
  return static_cast<size_t>(hash);
}

bool SameModuleName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

bool Image::NoCaseEqual::operator()(std::string_view a, std::string_view b) const {
  return SameModuleName(a, b);
}

void Image::WalkImportDescriptors() const {
  // Built aside and kept only whole: running out of memory half-way leaves
  // the next call to walk again.
  std::vector<ImportDescriptorView> list;
  decltype(importsByName_) byName;
  auto dir = Directory(kImportDirectory);
  auto tableAt = dir ? RvaToOffset(dir->VirtualAddress) : std::nullopt;
  if (tableAt) {
    Budget text(TextAllowance(view_.Size()));
    RvaHint hint;
    // The table ends at an all-zero descriptor or where the file ends; each
    // descriptor is 20 bytes of the file, so the count is bounded by its
    // size.
    for (uint64_t at = *tableAt;; at += 20) {
      const uint8_t* d = view_.At(at, 20);
      if (!d) break;
      static const uint8_t kZero[20] = {};
      if (std::memcmp(d, kZero, 20) == 0) break;
      ImportDescriptorView desc;
      desc.OriginalFirstThunk = Le32(d);
      desc.TimeDateStamp = Le32(d + 4);
      desc.ForwarderChain = Le32(d + 8);
      desc.NameRva = Le32(d + 12);
      desc.FirstThunk = Le32(d + 16);
      auto name =
          CStringViewAtRva(desc.NameRva, std::min<uint64_t>(kMaxNameLength, text.Left()), &hint);
      if (name && text.Take(name->size() + 1)) desc.ModuleName = *name;
      if (!desc.ModuleName.empty()) {
        byName[desc.ModuleName].push_back(static_cast<uint32_t>(list.size()));
      }
      list.push_back(desc);
    }
  }
  imports_ = std::move(list);
  importsByName_ = std::move(byName);
}

std::vector<ImportFunctionView> Image::ImportFunctionViews(uint32_t originalFirstThunk,
                                                           uint32_t firstThunk,
                                                           uint64_t limit) const {
  std::vector<ImportFunctionView> result;
  const bool is64 = optionalHeader_ && optionalHeader_->Is64();
  const size_t thunkSize = is64 ? 8 : 4;
  const uint32_t thunkRva = originalFirstThunk ? originalFirstThunk : firstThunk;
  auto thunkAt = RvaToOffset(thunkRva);
  if (!thunkAt || thunkRva == 0) return result;
  Budget text(TextAllowance(view_.Size()));
  const uint64_t ordinalFlag = is64 ? uint64_t{1} << 63 : uint64_t{1} << 31;
  RvaHint hint;
  // The array ends at a zero entry or where the file ends.
  for (uint64_t t = *thunkAt; result.size() < limit; t += thunkSize) {
    const uint8_t* p = view_.At(t, thunkSize);
    if (!p) break;
    const uint64_t value = is64 ? Le64(p) : Le32(p);
    if (value == 0) break;
    ImportFunctionView fn;
    if (value & ordinalFlag) {
      fn.ByOrdinal = true;
      fn.Ordinal = static_cast<uint16_t>(value & 0xFFFF);
    } else {
      const uint64_t hintRva = value & 0x7FFFFFFF;
      if (const uint8_t* h = AtRva(hintRva, 2, &hint)) fn.Hint = Le16(h);
      auto name =
          CStringViewAtRva(hintRva + 2, std::min<uint64_t>(kMaxNameLength, text.Left()), &hint);
      if (name && text.Take(name->size() + 1)) fn.Name = *name;
    }
    result.push_back(fn);
  }
  return result;
}

std::vector<ImportDescriptor> Image::ImportDescriptors() const {
  std::vector<ImportDescriptor> result;
  for (const auto& v : ImportDescriptorViews()) {
    result.push_back({{v.OriginalFirstThunk, v.TimeDateStamp, v.ForwarderChain, v.NameRva,
                       v.FirstThunk, std::string(v.ModuleName)},
                      {}});
  }
  return result;
}

std::vector<ImportFunction> Image::ImportFunctionsOf(const ImportDescriptor& desc,
                                                     uint64_t limit) const {
  std::vector<ImportFunction> result;
  for (const auto& v : ImportFunctionViews(desc.OriginalFirstThunk, desc.FirstThunk, limit)) {
    result.push_back({v.ByOrdinal, v.Ordinal, v.Hint, std::string(v.Name)});
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

const std::vector<ExportView>& Image::ExportViews() const {
  // Walked aside and kept only whole (see WalkImportDescriptors).
  std::call_once(exportsWalked_, [this] {
    std::vector<ExportView> list;
    WalkExports(&list);
    exports_ = std::move(list);
  });
  return exports_;
}

std::vector<Export> Image::Exports() const {
  std::vector<Export> result;
  for (const auto& view : ExportViews()) {
    Export x;
    if (view.Named) x.Name = std::string(view.Name);
    x.Ordinal = view.Ordinal;
    x.Rva = view.Rva;
    if (view.Forwarded) x.Forwarder = std::string(view.Forwarder);
    result.push_back(std::move(x));
  }
  return result;
}

void Image::WalkExports(std::vector<ExportView>* out) const {
  auto dir = Directory(kExportDirectory);
  if (!dir) return;
  const uint8_t* e = AtRva(dir->VirtualAddress, 40);
  if (!e) return;
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
  const uint8_t* functions = view_.At(functionsAt, 4 * functionCount);
  const uint8_t* names = view_.At(namesAt, 4 * nameCount);
  const uint8_t* ordinals = view_.At(ordinalsAt, 2 * nameCount);
  if (!functions || !names || !ordinals) return;

  const uint64_t forwardBegin = dir->VirtualAddress;
  const uint64_t forwardEnd = forwardBegin + dir->Size;
  Budget text(TextAllowance(view_.Size()));
  RvaHint nameHint, forwarderHint;
  auto makeExport = [&](uint64_t index) {
    ExportView x;
    x.Ordinal = static_cast<uint32_t>(base + index);
    x.Rva = Le32(functions + 4 * index);
    if (x.Rva >= forwardBegin && x.Rva < forwardEnd) {
      auto fwd =
          CStringViewAtRva(x.Rva, std::min<uint64_t>(kMaxNameLength, text.Left()), &forwarderHint);
      if (fwd && text.Take(fwd->size() + 1)) {
        x.Forwarded = true;
        x.Forwarder = *fwd;
      }
    }
    return x;
  };

  // Named exports in name-table order, then those by ordinal only in
  // ordinal order. Empty slots of the function table are no exports, and a
  // name for an empty slot names nothing.
  std::vector<bool> named(functionCount, false);
  out->reserve(functionCount);
  for (uint64_t i = 0; i < nameCount; ++i) {
    const uint16_t index = Le16(ordinals + 2 * i);
    if (index >= functionCount || Le32(functions + 4 * index) == 0) continue;
    auto name = CStringViewAtRva(Le32(names + 4 * i),
                                 std::min<uint64_t>(kMaxNameLength, text.Left()), &nameHint);
    if (!name || !text.Take(name->size() + 1)) continue;
    named[index] = true;
    ExportView x = makeExport(index);
    x.Named = true;
    x.Name = *name;
    out->push_back(x);
  }
  for (uint64_t i = 0; i < functionCount; ++i) {
    if (named[i] || Le32(functions + 4 * i) == 0) continue;
    out->push_back(makeExport(i));
  }
}

// --- resources ----------------------------------------------------------------

namespace {

// The code points of a counted UTF-16LE text, one by one: a surrogate
// without its pair and U+0000 come out as U+FFFD.
template <typename Visit>
void ForEachCodePoint(const uint8_t* utf16, size_t chars, Visit visit) {
  for (size_t i = 0; i < chars; ++i) {
    uint32_t c = Le16(utf16 + 2 * i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < chars) {
      const uint32_t low = Le16(utf16 + 2 * (i + 1));
      if (low >= 0xDC00 && low <= 0xDFFF) {
        visit(0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    if (c == 0 || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    visit(c);
  }
}

size_t Utf8Length(uint32_t c) {
  return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

}  // namespace

size_t ResourceNameView::Length() const {
  if (!Id) {
    size_t length = 0;
    ForEachCodePoint(Utf16, Chars, [&](uint32_t c) { length += Utf8Length(c); });
    return length;
  }
  size_t length = 1;
  for (uint32_t rest = *Id / 10; rest != 0; rest /= 10) ++length;
  return length;
}

void ResourceNameView::Write(char* out) const {
  if (Id) {
    uint32_t value = *Id;
    for (size_t i = Length(); i > 0; value /= 10) out[--i] = static_cast<char>('0' + value % 10);
    return;
  }
  ForEachCodePoint(Utf16, Chars, [&](uint32_t c) {
    const size_t n = Utf8Length(c);
    if (n == 1) {
      *out++ = static_cast<char>(c);
      return;
    }
    static const uint8_t kLead[5] = {0, 0, 0xC0, 0xE0, 0xF0};
    for (size_t k = n; k-- > 1;) {
      out[k] = static_cast<char>(0x80 | (c & 0x3F));
      c >>= 6;
    }
    out[0] = static_cast<char>(kLead[n] | c);
    out += n;
  });
}

std::string ResourceNameView::Text() const {
  std::string text(Length(), '\0');
  Write(text.data());
  return text;
}

namespace {

struct ResourceWalk {
  const Image& image;
  uint64_t rootRva;
  std::vector<ResourceView>* out;
  Budget entries;
  Budget text;
  std::unordered_set<uint32_t> visited;
  Image::RvaHint hint;

  // The name of a directory entry: a counted UTF-16 string, or its id.
  bool EntryName(uint32_t field, ResourceNameView* name) {
    if (!(field & 0x80000000u)) {
      name->Id = field;
      return true;
    }
    const uint64_t at = rootRva + (field & 0x7FFFFFFFu);
    const uint8_t* len = image.AtRva(at, 2, &hint);
    if (!len) return false;
    uint64_t chars = Le16(len);
    // Cut to the file and the allowance.
    auto offset = image.RvaToOffset(at + 2, &hint);
    if (!offset) return false;
    const uint64_t size = image.View().Size();
    chars = std::min<uint64_t>(chars, *offset <= size ? (size - *offset) / 2 : 0);
    chars = std::min<uint64_t>(chars, text.Left());
    const uint8_t* utf16 = image.View().At(*offset, 2 * chars);
    if (!utf16 || !text.Take(chars + 1)) return false;
    name->Id = std::nullopt;
    name->Utf16 = utf16;
    name->Chars = chars;
    return true;
  }

  void Walk(int level, uint32_t relative, const ResourceView& partial) {
    // A directory is walked once: a loop or a shared subtree ends there.
    if (!visited.insert(relative).second) return;
    const uint8_t* header = image.AtRva(rootRva + relative, 16, &hint);
    if (!header) return;
    const uint32_t entryCount = uint32_t{Le16(header + 12)} + Le16(header + 14);
    for (uint32_t i = 0; i < entryCount; ++i) {
      const uint8_t* entry = image.AtRva(rootRva + relative + 16 + 8 * uint64_t{i}, 8, &hint);
      if (!entry || !entries.Take(1)) return;
      const uint32_t nameField = Le32(entry);
      const uint32_t dataField = Le32(entry + 4);
      ResourceView r = partial;
      if (level == 0) {
        if (!EntryName(nameField, &r.Type)) continue;
      } else if (level == 1) {
        if (!EntryName(nameField, &r.Name)) continue;
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
      const uint8_t* data = image.AtRva(rootRva + dataField, 16, &hint);
      if (!data) continue;
      r.OffsetToData = Le32(data);
      r.Size = Le32(data + 4);
      r.CodePage = Le32(data + 8);
      out->push_back(r);
    }
  }
};

}  // namespace

void Image::WalkResources(std::vector<ResourceView>* out) const {
  auto dir = Directory(kResourceDirectory);
  if (!dir) return;
  ResourceWalk walk{*this,
                    dir->VirtualAddress,
                    out,
                    Budget(view_.Size() / 8 + 16),
                    Budget(TextAllowance(view_.Size())),
                    {},
                    {}};
  walk.Walk(0, 0, ResourceView{});
}

const std::vector<ResourceView>& Image::ResourceViews() const {
  std::call_once(resourcesWalked_, [this] {
    std::vector<ResourceView> list;
    WalkResources(&list);
    resources_ = std::move(list);
  });
  return resources_;
}

std::vector<Resource> Image::Resources() const {
  std::vector<Resource> result;
  for (const auto& view : ResourceViews()) {
    Resource r;
    r.TypeId = view.Type.Id;
    if (!view.Type.Id) r.TypeName = view.Type.Text();
    r.NameId = view.Name.Id;
    r.Name = view.Name.Text();
    r.Language = view.Language;
    r.OffsetToData = view.OffsetToData;
    r.Size = view.Size;
    r.CodePage = view.CodePage;
    result.push_back(std::move(r));
  }
  return result;
}

// --- debug --------------------------------------------------------------------

const uint8_t* Image::FirstDebugEntry() const {
  auto dir = Directory(kDebugDirectory);
  if (!dir || dir->Size < kDebugEntrySize) return nullptr;
  return AtRva(dir->VirtualAddress, kDebugEntrySize);
}

}  // namespace pe
