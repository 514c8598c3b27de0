#include "cli/vistrel_cli_data.h"

#include "common/text_format.h"
#include "contracts/nubrik/pe_facts.h"
#include "contracts/nubrik/pe_image.h"
#include "contracts/nubrik/pe_signature.h"
#include "vistrel/browser/page_formats.h"

namespace vistrel {
namespace {

void Version(common::JsonWriter& json, const char* key, uint32_t major, uint32_t minor) {
  json.Key(key).BeginObject().Key("major").Number(major).Key("minor").Number(minor).EndObject();
}

void WriteFileHeader(const pe::FileHeader& h, common::JsonWriter& json) {
  json.BeginObject();
  json.Key("machine").Number(uint32_t{h.Machine});
  json.Key("machineName").String(MachineName(h.Machine));
  json.Key("numberOfSections").Number(uint32_t{h.NumberOfSections});
  json.Key("timeDateStamp").Number(h.TimeDateStamp);
  json.Key("time").String(common::IsoUtcTime(h.TimeDateStamp));
  json.Key("pointerToSymbolTable").Number(h.PointerToSymbolTable);
  json.Key("numberOfSymbols").Number(h.NumberOfSymbols);
  json.Key("sizeOfOptionalHeader").Number(uint32_t{h.SizeOfOptionalHeader});
  json.Key("characteristics").Number(uint32_t{h.Characteristics});
  json.Key("characteristicsText").Strings(FileCharacteristicsLines(h.Characteristics));
  json.EndObject();
}

void WriteOptionalHeader(const pe::OptionalHeader& o, common::JsonWriter& json) {
  json.BeginObject();
  json.Key("magic").Number(uint32_t{o.Magic});
  json.Key("format").String(o.Is64() ? "PE32+" : "PE32");
  Version(json, "linkerVersion", o.MajorLinkerVersion, o.MinorLinkerVersion);
  json.Key("sizeOfCode").Number(o.SizeOfCode);
  json.Key("sizeOfInitializedData").Number(o.SizeOfInitializedData);
  json.Key("sizeOfUninitializedData").Number(o.SizeOfUninitializedData);
  json.Key("addressOfEntryPoint").Number(o.AddressOfEntryPoint);
  json.Key("baseOfCode").Number(o.BaseOfCode);
  json.Key("baseOfData");
  if (o.Is64()) {
    json.Null();  // PE32+ has none
  } else {
    json.Number(o.BaseOfData);
  }
  json.Key("imageBase").Number(o.ImageBase);
  json.Key("sectionAlignment").Number(o.SectionAlignment);
  json.Key("fileAlignment").Number(o.FileAlignment);
  Version(json, "operatingSystemVersion", o.MajorOperatingSystemVersion,
          o.MinorOperatingSystemVersion);
  Version(json, "imageVersion", o.MajorImageVersion, o.MinorImageVersion);
  Version(json, "subsystemVersion", o.MajorSubsystemVersion, o.MinorSubsystemVersion);
  json.Key("win32VersionValue").Number(o.Win32VersionValue);
  json.Key("sizeOfImage").Number(o.SizeOfImage);
  json.Key("sizeOfHeaders").Number(o.SizeOfHeaders);
  json.Key("checkSum").Number(o.CheckSum);
  json.Key("subsystem").Number(uint32_t{o.Subsystem});
  json.Key("subsystemText").String(SubsystemText(o.Subsystem));
  json.Key("dllCharacteristics").Number(uint32_t{o.DllCharacteristics});
  json.Key("dllCharacteristicsNames").Strings(DllCharacteristicsNames(o.DllCharacteristics));
  json.Key("sizeOfStackReserve").Number(o.SizeOfStackReserve);
  json.Key("sizeOfStackCommit").Number(o.SizeOfStackCommit);
  json.Key("sizeOfHeapReserve").Number(o.SizeOfHeapReserve);
  json.Key("sizeOfHeapCommit").Number(o.SizeOfHeapCommit);
  json.Key("loaderFlags").Number(o.LoaderFlags);
  json.Key("numberOfRvaAndSizes").Number(o.NumberOfRvaAndSizes);
  json.Key("dataDirectories").BeginArray();
  for (size_t i = 0; i < pe::kMaxDataDirectories; ++i) {
    json.BeginObject();
    json.Key("index").Number(static_cast<uint64_t>(i));
    json.Key("name").String(DataDirectoryName(i));
    json.Key("virtualAddress").Number(o.Directories[i].VirtualAddress);
    json.Key("size").Number(o.Directories[i].Size);
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
}

}  // namespace

// The file's own digest made the Authenticode way with the signature's
// algorithm, as hex; empty when it cannot be made here.
std::string AuthenticodeDigest(const pe::Image& image, const pe::AuthenticodeSignature& signature,
                               platform::Hashing* hashing) {
  std::optional<platform::HashAlgorithm> algorithm;
  if (signature.DigestAlgorithm == "md5") algorithm = platform::HashAlgorithm::Md5;
  if (signature.DigestAlgorithm == "sha1") algorithm = platform::HashAlgorithm::Sha1;
  if (signature.DigestAlgorithm == "sha256") algorithm = platform::HashAlgorithm::Sha256;
  if (!signature.Readable || !algorithm || !hashing) return {};
  std::vector<uint8_t> covered;
  for (auto [offset, size] : pe::AuthenticodeRanges(image)) {
    const uint8_t* bytes = image.View().At(offset, size);
    if (bytes) covered.insert(covered.end(), bytes, bytes + size);
  }
  return platform::HexDigest(hashing->Digest(*algorithm, covered));
}

// The certificate table's signature and whether the file's own digest,
// made the Authenticode way, is the signed one.
void WriteSignature(const pe::Image& image, const pe::AuthenticodeSignature& signature,
                    platform::Hashing* hashing, platform::TrustVerifier* trust,
                    const std::string& path, common::JsonWriter& json) {
  auto text = [&](const std::string& value) {
    if (value.empty()) {
      json.Null();
    } else {
      json.String(value);
    }
  };
  json.BeginObject();
  json.Key("tableOffset").Number(signature.TableOffset);
  json.Key("tableSize").Number(signature.TableSize);
  json.Key("revision").Number(uint32_t{signature.Revision});
  json.Key("certificateType").Number(uint32_t{signature.CertificateType});
  json.Key("readable").Bool(signature.Readable);
  json.Key("digestAlgorithm");
  text(signature.DigestAlgorithm);
  json.Key("signedDigest");
  text(platform::HexDigest(signature.SignedDigest));
  std::string fileDigest = AuthenticodeDigest(image, signature, hashing);
  json.Key("fileDigest");
  text(fileDigest);
  json.Key("digestMatches");
  if (fileDigest.empty()) {
    json.Null();
  } else {
    json.Bool(fileDigest == platform::HexDigest(signature.SignedDigest));
  }
  json.Key("signer");
  text(signature.Signer);
  json.Key("issuer");
  text(signature.Issuer);
  json.Key("signingTime");
  text(signature.SigningTime.value_or(""));
  json.Key("timestampTime");
  text(signature.TimestampTime.value_or(""));
  json.Key("systemVerdict");
  if (trust) {
    platform::TrustResult verdict = trust->Verify(path);
    json.BeginObject().Key("status").String(platform::TrustStatusName(verdict.Status));
    json.Key("code").Number(verdict.Code).Key("text").String(verdict.Text).EndObject();
  } else {
    json.Null();
  }
  json.EndObject();
}

void WriteFileData(const TVistrelMainForm& form, const std::string& path,
                   const std::optional<std::string>& error, size_t limit,
                   platform::Hashing* hashing, common::JsonWriter& json,
                   platform::TrustVerifier* trust) {
  bool truncated = false;
  // Lists stop once the output passes the bound.
  auto room = [&] {
    if (json.Size() > limit) truncated = true;
    return !truncated;
  };
  json.BeginObject();
  json.Key("file").String(path);
  json.Key("error");
  if (error) {
    json.String(*error);
  } else {
    json.Null();
  }
  json.Key("size");
  if (form.ImageView) {
    json.Number(static_cast<uint64_t>(form.ImageView->Size()));
  } else {
    json.Null();
  }
  // The whole file's digests, and the import hash of a PE file.
  json.Key("hashes");
  if (hashing && form.ImageView) {
    std::span<const uint8_t> file = form.ImageView->Bytes();
    auto hex = [&](platform::HashAlgorithm algorithm, std::span<const uint8_t> bytes) {
      return platform::HexDigest(hashing->Digest(algorithm, bytes));
    };
    json.BeginObject();
    json.Key("md5").String(hex(platform::HashAlgorithm::Md5, file));
    json.Key("sha1").String(hex(platform::HashAlgorithm::Sha1, file));
    json.Key("sha256").String(hex(platform::HashAlgorithm::Sha256, file));
    json.Key("importHash");
    std::string imports;
    if (form.Client && form.FileHeader->ImageTypeEdit->Text() == "NT") {
      imports = pe::ImportHashText(pe::Image(file.data(), file.size()));
    }
    if (imports.empty()) {
      json.Null();
    } else {
      json.String(hex(platform::HashAlgorithm::Md5,
                      {reinterpret_cast<const uint8_t*>(imports.data()), imports.size()}));
    }
    json.EndObject();
  } else {
    json.Null();
  }
  const std::string type = form.FileHeader->ImageTypeEdit->Text();
  json.Key("imageType");
  if (type.empty()) {
    json.Null();
  } else {
    json.String(type);
  }

  std::optional<pe::Image> image;
  // Only a PE file has the pages' content (other types show a message).
  if (form.Client && type == "NT") {
    std::span<const uint8_t> file = form.Client->File();
    image.emplace(file.data(), file.size());
  }
  json.Key("fileHeader");
  if (image && image->GetFileHeader()) {
    WriteFileHeader(*image->GetFileHeader(), json);
  } else {
    json.Null();
  }
  json.Key("optionalHeader");
  if (image && image->GetOptionalHeader()) {
    WriteOptionalHeader(*image->GetOptionalHeader(), json);
  } else {
    json.Null();
  }

  json.Key("sections").BeginArray();
  if (image) {
    for (const auto& s : image->Sections()) {
      if (!room()) break;
      json.BeginObject();
      json.Key("name").String(pe::SectionName(*image, s));
      json.Key("headerName").String(s.NameText());
      json.Key("virtualSize").Number(s.VirtualSize);
      json.Key("virtualAddress").Number(s.VirtualAddress);
      json.Key("sizeOfRawData").Number(s.SizeOfRawData);
      json.Key("pointerToRawData").Number(s.PointerToRawData);
      json.Key("characteristics").Number(s.Characteristics);
      json.Key("characteristicsText").Strings(SectionCharacteristicsLines(s.Characteristics));
      json.Key("entropy").Fraction(pe::SectionEntropy(*image, s), 4);
      json.EndObject();
    }
  }
  json.EndArray();

  auto imports = [&](const char* key, const std::vector<pe::ImportDescriptor>& descriptors) {
    json.Key(key).BeginArray();
    for (const auto& d : descriptors) {
      if (!room()) break;
      json.BeginObject();
      json.Key("module").String(d.ModuleName);
      json.Key("functions").BeginArray();
      for (const auto& f : d.Functions) {
        if (!room()) break;
        json.BeginObject();
        json.Key("name");
        if (f.ByOrdinal) {
          json.Null().Key("ordinal").Number(uint32_t{f.Ordinal}).Key("hint").Null();
        } else {
          json.String(f.Name).Key("ordinal").Null().Key("hint").Number(uint32_t{f.Hint});
        }
        json.EndObject();
      }
      json.EndArray();
      json.EndObject();
    }
    json.EndArray();
  };
  imports("imports", image ? image->Imports() : std::vector<pe::ImportDescriptor>{});
  imports("delayImports", image ? pe::DelayImports(*image) : std::vector<pe::ImportDescriptor>{});

  json.Key("exports").BeginArray();
  if (image) {
    for (const auto& x : image->Exports()) {
      if (!room()) break;
      json.BeginObject();
      json.Key("name");
      if (x.Name) {
        json.String(*x.Name);
      } else {
        json.Null();
      }
      json.Key("ordinal").Number(x.Ordinal);
      json.Key("rva").Number(x.Rva);
      json.Key("forwarder");
      if (x.Forwarder) {
        json.String(*x.Forwarder);
      } else {
        json.Null();
      }
      json.EndObject();
    }
  }
  json.EndArray();

  // Types and names as stored: an id, or a name of its own (the window
  // shows both as text).
  json.Key("resources").BeginArray();
  if (image) {
    const ResourcePage& page = *form.ResourceSection;
    for (const auto& r : image->ResourceViews()) {
      if (!room()) break;
      json.BeginObject();
      json.Key("type");
      if (r.Type.Id) {
        json.Number(*r.Type.Id).Key("typeName").Null();
        std::string group = ResourceGroupText(*r.Type.Id);
        json.Key("group");
        if (group.empty()) {
          json.Null();
        } else {
          json.String(group);
        }
      } else {
        json.Null().Key("typeName").String(r.Type.Text()).Key("group").Null();
      }
      json.Key("id");
      if (r.Name.Id) {
        json.Number(*r.Name.Id).Key("name").Null();
      } else {
        json.Null().Key("name").String(r.Name.Text());
      }
      json.Key("language").Number(r.Language);
      json.Key("rva").Number(r.OffsetToData);
      json.Key("size").Number(r.Size);
      json.Key("codePage").Number(r.CodePage);
      nubrik::ResourceRecord record;
      record.OffsetToData = r.OffsetToData;
      record.Size = r.Size;
      json.Key("fileOffset");
      if (auto offset = page.FileOffset(record)) {
        json.Number(*offset);
      } else {
        json.Null();
      }
      json.EndObject();
    }
  }
  json.EndArray();

  json.Key("debug");
  std::optional<nubrik::DebugEntry> debug = image ? form.Client->Debug() : std::nullopt;
  if (debug) {
    json.BeginObject();
    json.Key("type").Number(debug->Type);
    json.Key("typeName").String(DebugTypeName(debug->Type));
    json.Key("timeDateStamp").Number(debug->TimeDateStamp);
    Version(json, "version", debug->MajorVersion, debug->MinorVersion);
    json.Key("sizeOfData").Number(debug->SizeOfData);
    json.Key("addressOfRawData").Number(debug->AddressOfRawData);
    json.Key("pointerToRawData").Number(debug->PointerToRawData);
    json.Key("codeView");
    if (auto cv = pe::FindCodeView(*image)) {
      json.BeginObject().Key("signature").String(cv->Signature);
      json.Key("guid");
      if (cv->Signature == "RSDS") {
        json.String(pe::GuidText(cv->Guid));
      } else {
        json.Null();
      }
      json.Key("age").Number(cv->Age).Key("pdbPath").String(cv->PdbPath).EndObject();
    } else {
      json.Null();
    }
    json.EndObject();
  } else {
    json.Null();
  }

  json.Key("overlay");
  if (auto overlay = image ? pe::FindOverlay(*image) : std::nullopt) {
    json.BeginObject().Key("offset").Number(overlay->Offset);
    json.Key("size").Number(overlay->Size).EndObject();
  } else {
    json.Null();
  }
  json.Key("richHeader");
  if (auto rich = image ? pe::FindRichHeader(*image) : std::nullopt) {
    json.BeginObject().Key("offset").Number(rich->Offset).Key("key").Number(rich->Key);
    json.Key("entries").BeginArray();
    for (const auto& e : rich->Entries) {
      json.BeginObject().Key("productId").Number(uint32_t{e.ProductId});
      json.Key("build").Number(uint32_t{e.Build}).Key("count").Number(e.Count).EndObject();
    }
    json.EndArray().EndObject();
  } else {
    json.Null();
  }
  json.Key("guardFlags");
  auto guard = image ? pe::GuardFlags(*image) : std::nullopt;
  if (guard) {
    json.Number(*guard).Key("guardFlagsNames").Strings(GuardFlagsNames(*guard));
  } else {
    json.Null().Key("guardFlagsNames").Null();
  }
  json.Key("clr");
  if (auto clr = image ? pe::FindClrHeader(*image) : std::nullopt) {
    json.BeginObject();
    Version(json, "runtimeVersion", clr->MajorRuntimeVersion, clr->MinorRuntimeVersion);
    json.Key("flags").Number(clr->Flags).Key("metadataVersion").String(clr->MetadataVersion);
    json.EndObject();
  } else {
    json.Null();
  }
  json.Key("tls");
  if (auto callbacks = image ? pe::TlsCallbacks(*image) : std::nullopt) {
    json.BeginObject().Key("callbacks").BeginArray();
    for (uint64_t va : *callbacks) json.Number(va);
    json.EndArray().EndObject();
  } else {
    json.Null();
  }
  json.Key("relocations");
  if (auto relocations = image ? pe::Relocations(*image) : std::nullopt) {
    json.BeginObject().Key("blocks").Number(relocations->Blocks);
    json.Key("entries").Number(relocations->Entries).Key("byType").BeginArray();
    for (const auto& [kind, count] : relocations->ByType) {
      json.BeginObject().Key("type").Number(kind).Key("count").Number(count).EndObject();
    }
    json.EndArray().EndObject();
  } else {
    json.Null();
  }
  json.Key("boundImports").BeginArray();
  if (image) {
    auto module = [&](const pe::BoundModule& m) {
      json.Key("module").String(m.Name).Key("timeDateStamp").Number(m.TimeDateStamp);
      json.Key("time").String(common::IsoUtcTime(m.TimeDateStamp));
    };
    for (const pe::BoundImport& bound : pe::BoundImports(*image)) {
      json.BeginObject();
      module(bound.Module);
      json.Key("forwarders").BeginArray();
      for (const pe::BoundModule& forwarder : bound.Forwarders) {
        json.BeginObject();
        module(forwarder);
        json.EndObject();
      }
      json.EndArray().EndObject();
    }
  }
  json.EndArray();
  json.Key("signature");
  if (auto signature = image ? pe::FindAuthenticode(*image) : std::nullopt) {
    WriteSignature(*image, *signature, hashing, trust, path, json);
  } else {
    json.Null();
  }
  json.Key("truncated").Bool(truncated);
  json.EndObject();
}

std::string FileFactsText(const TVistrelMainForm& form, platform::Hashing* hashing,
                          platform::TrustVerifier* trust, size_t limit) {
  if (!form.Client || !form.ImageView || form.FileHeader->ImageTypeEdit->Text() != "NT") return {};
  std::span<const uint8_t> file = form.Client->File();
  pe::Image image(file.data(), file.size());
  std::string out = "== Facts ==\n";
  auto line = [&](const std::string& label, const std::string& value) {
    out += label + ": " + value + "\n";
  };
  auto hex = [](uint64_t value) {
    return common::Format("0x%llX", static_cast<unsigned long long>(value));
  };
  // One more item of a comma-separated list.
  auto join = [](std::string& list, const std::string& item) {
    list += (list.empty() ? "" : ", ") + item;
  };
  if (hashing) {
    std::span<const uint8_t> whole = form.ImageView->Bytes();
    line("MD5", platform::HexDigest(hashing->Digest(platform::HashAlgorithm::Md5, whole)));
    line("SHA-1", platform::HexDigest(hashing->Digest(platform::HashAlgorithm::Sha1, whole)));
    line("SHA-256", platform::HexDigest(hashing->Digest(platform::HashAlgorithm::Sha256, whole)));
    std::string imports = pe::ImportHashText(image);
    line("Import Hash",
         imports.empty()
             ? "none"
             : platform::HexDigest(hashing->Digest(
                   platform::HashAlgorithm::Md5,
                   {reinterpret_cast<const uint8_t*>(imports.data()), imports.size()})));
  }
  auto overlay = pe::FindOverlay(image);
  line("Overlay",
       overlay ? "offset " + hex(overlay->Offset) + ", " + std::to_string(overlay->Size) + " bytes"
               : "none");
  if (auto callbacks = pe::TlsCallbacks(image)) {
    std::string list;
    for (uint64_t va : *callbacks) join(list, hex(va));
    line("TLS Callbacks", list.empty() ? "none" : list);
  }
  if (auto relocations = pe::Relocations(image)) {
    line("Relocations", std::to_string(relocations->Blocks) + " blocks, " +
                            std::to_string(relocations->Entries) + " entries");
  }
  std::string bound;
  for (const auto& b : pe::BoundImports(image)) {
    join(bound, b.Module.Name + " (" + common::IsoUtcTime(b.Module.TimeDateStamp) + ")");
  }
  if (!bound.empty()) line("Bound Imports", bound);
  if (auto flags = pe::GuardFlags(image)) {
    std::string names;
    for (const std::string& name : GuardFlagsNames(*flags)) join(names, name);
    line("Guard Flags", hex(*flags) + (names.empty() ? "" : " (" + names + ")"));
  }
  if (auto clr = pe::FindClrHeader(image)) {
    line(".NET Runtime", std::to_string(clr->MajorRuntimeVersion) + "." +
                             std::to_string(clr->MinorRuntimeVersion) + ", flags " +
                             hex(clr->Flags) + ", " + clr->MetadataVersion);
  }
  if (auto signature = pe::FindAuthenticode(image)) {
    if (!signature->Readable) {
      line("Signature", "present, not readable");
    } else {
      std::string text = signature->DigestAlgorithm + ", signer \"" + signature->Signer +
                         "\", issuer \"" + signature->Issuer + "\"";
      if (signature->SigningTime) text += ", signed " + *signature->SigningTime;
      if (signature->TimestampTime) text += ", time stamp " + *signature->TimestampTime;
      line("Signature", text);
    }
    std::string digest = AuthenticodeDigest(image, *signature, hashing);
    if (!digest.empty()) {
      line("Digest", digest == platform::HexDigest(signature->SignedDigest)
                         ? "matches the signed one"
                         : "does not match the signed one: the file was changed after signing");
    }
    if (trust)
      line("System Verdict", platform::TrustStatusName(trust->Verify(form.FileName).Status));
  } else {
    line("Signature", "none");
  }
  // A list's lines below its label, as far as the bound goes.
  bool cut = false;
  auto item = [&](const std::string& text) {
    if (cut) return false;
    if (out.size() + text.size() > limit) {
      out += std::string("  ") + kRestLeftOut + "\n";
      cut = true;
      return false;
    }
    out += "  " + text + "\n";
    return true;
  };
  // A list's label, unless an earlier list was cut.
  auto list = [&](const std::string& label) {
    if (!cut) out += label + ":\n";
    return !cut;
  };
  if (!image.Sections().empty()) list("Sections");
  for (const auto& s : image.Sections()) {
    std::string name = s.NameText(), resolved = pe::SectionName(image, s);
    if (resolved != name) name += " (" + resolved + ")";
    if (!item(name + ": virtual size " + hex(s.VirtualSize) + ", entropy " +
              common::Format("%.2f", pe::SectionEntropy(image, s))))
      break;
  }
  if (auto o = image.GetOptionalHeader(); o && list("Data Directories")) {
    for (size_t i = 0; i < pe::kMaxDataDirectories; ++i) {
      const auto& d = o->Directories[i];
      if (!d.VirtualAddress && !d.Size) continue;
      if (!item(DataDirectoryName(i) + ": " + hex(d.VirtualAddress) + ", " +
                std::to_string(d.Size) + " bytes"))
        break;
    }
  }
  // Each module on a line with its functions: the name and hint, or the
  // ordinal.
  auto imports = [&](const char* label, const std::vector<pe::ImportDescriptor>& descriptors) {
    if (descriptors.empty() || !list(label)) return;
    for (const auto& d : descriptors) {
      std::string functions;
      for (const auto& f : d.Functions) {
        join(functions, f.ByOrdinal ? "ordinal " + std::to_string(f.Ordinal)
                                    : f.Name + " (hint " + std::to_string(f.Hint) + ")");
        if (functions.size() > limit) break;
      }
      if (!item(d.ModuleName + ": " + (functions.empty() ? "none" : functions))) break;
    }
  };
  imports("Imports", image.Imports());
  imports("Delay Imports", pe::DelayImports(image));
  // The tools that built the file: product id, build and use count.
  if (auto rich = pe::FindRichHeader(image); rich && list("Rich Header")) {
    for (const auto& e : rich->Entries) {
      if (!item(common::Format("product %u, build %u: %u", unsigned{e.ProductId}, unsigned{e.Build},
                               unsigned{e.Count})))
        break;
    }
  }
  return out;
}

}  // namespace vistrel
