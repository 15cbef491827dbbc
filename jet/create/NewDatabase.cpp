#include "jet/create/NewDatabase.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "jet/Bytes.h"
#include "jet/Database.h"
#include "jet/FileIo.h"
#include "jet/create/SystemTables.h"
#include "jet/PageCodec.h"
#include "jet/crypto/AgileEncryption.h"
#include "jet/crypto/CryptoHeader.h"
#include "jet/crypto/HeaderMask.h"
#include "jet/crypto/OfficePassword.h"
#include "jet/crypto/PasswordText.h"
#include "jet/index/IndexPage.h"
#include "jet/write/DataPageWriter.h"
#include "jet/write/PageWriter.h"
#include "jet/write/TableWriter.h"

namespace jet::create {
namespace {

// Header facts (engine map, section 1), all observed identical in engine- and
// Access-made files of both formats.
constexpr uint8_t kHeaderConstant0x18[] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
                                           0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
constexpr uint32_t kEngineBuildOffset = 0x6A;  // the build of the engine that made the file
constexpr uint32_t kJet4EngineBuild = 9756;    // Jet 4.0 SP8
constexpr uint32_t kAceEngineBuild = 4518;     // the ACE 12 value every Access-made .accdb carries
constexpr uint32_t kVersionTagOffset = 0x98;   // outside the mask: 1620 and "4.0"
constexpr uint8_t kVersionTag[] = {0x54, 0x06, 0x00, 0x00, 0x34, 0x2E, 0x30, 0x00};
constexpr uint32_t kTrailerTableOffset = 0xE00;  // 256 16-bit words: 0x0101, then 0x0100
constexpr uint16_t kCodePageWindowsLatin = 1252;
constexpr uint32_t kPasswordBytes = 40;
constexpr uint32_t kGlobalMapOwner = 1;  // the global map page names itself "1" as owner
constexpr size_t kMapRowSize = 69;       // kind, start page, 64 bitmap bytes

// The password field before the header mask: the UTF-16LE text padded with zeros, all of
// it XORed with the whole days of the creation date (so no password reads as those days).
std::vector<uint8_t> PasswordField(const std::vector<uint8_t>& utf16, double creationDate) {
  std::vector<uint8_t> field(kPasswordBytes, 0);
  std::copy(utf16.begin(), utf16.end(), field.begin());
  const auto mask = PasswordDateMask(creationDate);
  for (size_t i = 0; i < field.size(); ++i) field[i] ^= mask[i % 4];
  return field;
}

PageBytes HeaderPage(NewDatabaseFormat fmt, double creationDate, const std::vector<uint8_t>& passwordUtf16,
                     const SortOrder& sortOrder) {
  PageBytes page(kJet4Format.pageSize, 0);
  const bool ace = fmt == NewDatabaseFormat::kAce12;
  page[header::kMagicOffset + 1] = 0x01;
  const std::string_view name = ace ? header::kAceEngineName : header::kJetEngineName;
  std::memcpy(&page[header::kEngineNameOffset], name.data(), name.size());
  page[header::kVersionOffset] = static_cast<uint8_t>(ace ? header::Version::kAce12 : header::Version::kJet4);
  std::memcpy(&page[0x18], kHeaderConstant0x18, sizeof kHeaderConstant0x18);
  StoreU16(&page[header::kCodePageOffset], kCodePageWindowsLatin);
  const std::vector<uint8_t> password = PasswordField(passwordUtf16, creationDate);
  std::memcpy(&page[header::kPasswordOffset], password.data(), password.size());
  StoreU32(&page[kEngineBuildOffset], ace ? kAceEngineBuild : kJet4EngineBuild);
  StoreU16(&page[header::kJet4SortOrderOffset], sortOrder.lcid);
  page[header::kJet4SortOrderOffset + 2] = sortOrder.sortId;
  page[header::kJet4SortOrderOffset + 3] = sortOrder.version;
  StoreDouble(&page[header::kCreationDateOffset], creationDate);
  std::memcpy(&page[kVersionTagOffset], kVersionTag, sizeof kVersionTag);
  StoreU16(&page[kTrailerTableOffset], 0x0101);
  for (uint32_t at = kTrailerTableOffset + 2; at < page.size(); at += 2) StoreU16(&page[at], 0x0100);
  ApplyHeaderMask(page, /*jet3=*/false);
  return page;
}

std::vector<uint8_t> InlineMapRow(const std::vector<uint32_t>& pages, uint32_t freeFrom, uint32_t freeTo) {
  std::vector<uint8_t> row(kMapRowSize, 0);
  row[0] = usage_map::kInline;  // start page 0
  auto set = [&](uint32_t page) { row[usage_map::kInlineBitmap + page / 8] |= static_cast<uint8_t>(1u << (page % 8)); };
  for (uint32_t page : pages) set(page);
  for (uint32_t page = freeFrom; page < freeTo; ++page) set(page);
  return row;
}

// Pages 0..13: everything but the rows.
Result<std::vector<PageBytes>> BuildSkeleton(NewDatabaseFormat fmt, double creationDate,
                                             const std::vector<uint8_t>& passwordUtf16, const SortOrder& sortOrder) {
  const JetFormat& format = kJet4Format;
  std::vector<PageBytes> pages(kSystemPageCount, PageBytes(format.pageSize, 0));
  pages[0] = HeaderPage(fmt, creationDate, passwordUtf16, sortOrder);

  // Global map: bit set = page free; every page past the skeleton that the bitmap reaches.
  InitDataPage(pages[kGlobalMapPage], format, kGlobalMapOwner);
  const uint32_t reach = (kMapRowSize - usage_map::kInlineBitmap) * 8;
  AddRow(pages[kGlobalMapPage], format, InlineMapRow({}, kSystemPageCount, reach));
  AddRow(pages[kGlobalMapPage], format, InlineMapRow({}, 0, 0));

  uint32_t mapRows = 0;
  const std::vector<SystemTable> tables = SystemTables(sortOrder, &mapRows);
  // Map rows start empty except index maps, which hold their root page.
  std::vector<std::vector<uint32_t>> mapMembers(mapRows);
  for (const auto& t : tables) {
    for (const auto& real : t.spec.realIndexes) mapMembers[real.usageMap.slot].push_back(real.rootPage);
  }
  InitDataPage(pages[kSystemMapPage], format, 0);
  for (uint32_t row = 0; row < mapRows; ++row) {
    AddRow(pages[kSystemMapPage], format, InlineMapRow(mapMembers[row], 0, 0));
  }

  for (const auto& t : tables) {
    JET_ASSIGN_OR_RETURN(auto definition, SerializeTableDef(t.spec, format));
    if (PagesForDefinition(definition.size(), format) != 1) {
      return Status(ErrorCode::kCorrupt, "the definition of " + t.name + " does not fit one page");
    }
    LayOutTableDef(definition, {t.tdefPage}, {&pages[t.tdefPage]}, format);
    for (const auto& real : t.spec.realIndexes) {
      index::IndexPage root;
      root.leaf = true;
      root.tdefPage = t.tdefPage;
      JET_RETURN_IF_ERROR(index::EncodeIndexPage(root, index::kJet4IndexPageLayout, pages[real.rootPage]));
    }
  }
  return pages;
}

// Makes the skeleton an agile-encrypted file: the page-block key in the header, the
// encryption description at 0x299 (outside the mask), every later page encrypted.
Status EncryptSkeleton(std::vector<PageBytes>& pages, const std::string& password, const std::string& path) {
  JET_ASSIGN_OR_RETURN(auto encryption, MakeAgileEncryption(password, path));
  PageBytes& headerPage = pages[0];
  ApplyHeaderMask(headerPage, /*jet3=*/false);
  std::copy(encryption.encodingKey.begin(), encryption.encodingKey.end(), &headerPage[header::kDatabaseKeyOffset]);
  ApplyHeaderMask(headerPage, /*jet3=*/false);
  const std::vector<uint8_t>& description = encryption.description;
  if (kEncryptionBlobOffset + 2 + description.size() > kTrailerTableOffset) {
    return Status::InvalidArgument(Where::File(path), "the encryption description does not fit the header page");
  }
  StoreU16(&headerPage[kEncryptionBlobOffset], static_cast<uint16_t>(description.size()));
  std::copy(description.begin(), description.end(), &headerPage[kEncryptionBlobOffset + 2]);
  JET_ASSIGN_OR_RETURN(auto codec, OpenPageCodec(headerPage, password, path));
  for (uint32_t page = 1; page < pages.size(); ++page) codec->encode(page, pages[page]);
  return Status::Ok();
}

Status WriteAll(const std::string& path, const std::vector<PageBytes>& pages) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
  if (fd < 0) return IoError(path, "cannot create the file");
  Status status;
  off_t at = 0;
  for (const auto& page : pages) {
    // A short write leaves errno as it was: WriteFully says why it stopped.
    if (!WriteFully(fd, page.data(), page.size(), at)) {
      status = IoError(path, "cannot write");
      break;
    }
    at += static_cast<off_t>(page.size());
  }
  if (status.ok() && ::fsync(fd) != 0) status = IoError(path, "cannot sync");
  ::close(fd);
  return status;
}

// Adds the catalogue and permission rows through the engine's row writer, which keeps
// the row counts, usage maps and index trees right.
Status AddRows(const std::string& path, double creationDate, const std::string& password) {
  Database::Options options;
  options.writable = true;
  options.password = password;
  JET_ASSIGN_OR_RETURN(auto db, Database::Open(path, options));
  PageWriter writer(db->file());
  writer.beginStatement();
  auto insert = [&](uint32_t tdefPage, const char* table, const std::vector<NamedRow>& rows) -> Status {
    JET_ASSIGN_OR_RETURN(auto def, db->tableDefAt(tdefPage, table));
    for (const auto& named : rows) {
      std::vector<Value> values(def->columns.size(), Null{});
      for (const auto& [column, value] : named.values) {
        const ColumnDef* c = def->findColumn(column);
        if (!c) return Status::Corrupt(Where::File(path), std::string(table) + " has no column " + column);
        values[static_cast<size_t>(c - def->columns.data())] = value;
      }
      InsertOptions insertOptions;
      insertOptions.catalogue = true;
      JET_RETURN_IF_ERROR(InsertRow(writer, *def, values, insertOptions).status());
    }
    return Status::Ok();
  };
  JET_RETURN_IF_ERROR(insert(kFirstSystemTdefPage, "MSysObjects", InitialCatalogRows(creationDate)));
  JET_RETURN_IF_ERROR(insert(kFirstSystemTdefPage + 1, "MSysACEs", InitialPermissionRows()));
  return writer.commitStatement(/*flush=*/true);
}

}  // namespace

Result<NewDatabaseFormat> FormatForPath(const std::string& path) {
  const size_t dot = path.find_last_of('.');
  const size_t slash = path.find_last_of('/');
  std::string extension = dot == std::string::npos || (slash != std::string::npos && dot < slash) ? "" : path.substr(dot);
  for (auto& ch : extension) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  if (extension == ".mdb") return NewDatabaseFormat::kJet4;
  if (extension == ".accdb") return NewDatabaseFormat::kAce12;
  return Status::InvalidArgument(Where::File(path),
                                 "the name must end in .mdb (Access 2000 format) or .accdb (Access 2007 format)");
}

Status CreateDatabase(const std::string& path, NewDatabaseFormat format, double creationDate,
                      const std::string& password, const SortOrder& sortOrder) {
  const bool encrypt = !password.empty() && format == NewDatabaseFormat::kAce12;
  const std::vector<uint8_t> passwordUtf16 = PasswordToUtf16Le(password);
  if (encrypt && passwordUtf16.size() > kOfficePasswordMaxUnits * 2) {
    return Status::InvalidArgument(Where::File(path), "the password of an .accdb database has at most " +
                                                          std::to_string(kOfficePasswordMaxUnits) + " characters");
  }
  if (!encrypt && passwordUtf16.size() > kPasswordBytes) {
    return Status::InvalidArgument(
        Where::File(path), "a database password has at most " + std::to_string(kPasswordBytes / 2) + " characters");
  }
  for (size_t i = 0; i + 1 < passwordUtf16.size(); i += 2) {
    if (passwordUtf16[i] == 0 && passwordUtf16[i + 1] == 0) {
      return Status::InvalidArgument(Where::File(path), "a database password cannot hold a NUL character");
    }
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    return Status(ErrorCode::kExists, Where::File(path),
                  "the file exists already; a new database is never written over it");
  }
  // An encrypted .accdb keeps its password in the encryption description only.
  JET_ASSIGN_OR_RETURN(auto pages, BuildSkeleton(format, creationDate, encrypt ? std::vector<uint8_t>() : passwordUtf16,
                                                        sortOrder));
  if (encrypt) JET_RETURN_IF_ERROR(EncryptSkeleton(pages, password, path));
  const std::string partial = path + ".partial";
  ::unlink(partial.c_str());
  Status status = WriteAll(partial, pages);
  if (status.ok()) status = AddRows(partial, creationDate, password);
  if (status.ok() && ::link(partial.c_str(), path.c_str()) != 0) {
    // link() rather than rename(): it refuses to replace a file that appeared meanwhile.
    status = IoError(path, "cannot create the file");
  }
  ::unlink(partial.c_str());
  if (!status.ok()) {
    // A failure that names the file, or the one built beside it, says where already.
    return status.file() == path || status.file() == partial ? status : status.Within(Where::File(path));
  }
  return Status::Ok();
}

}  // namespace jet::create
