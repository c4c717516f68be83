// Password checks, key derivation and object encryption of the standard
// security handler, checked against qpdf where it is installed and by round
// trips everywhere.
#include "pdf/core/security_handler.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "pdf/core/password_algorithms.h"
#include "pdf/core/pdf_document.h"
#include "pdf/core/pdf_crypto.h"
#include "pdf/core/pdf_structure.h"
#include "platform/system_clock.h"
#include "platform/text_codec.h"

namespace ostrel {
namespace {

namespace fs = std::filesystem;

std::string Hex(std::string_view bytes) { return HexLower(bytes); }

std::string Unhex(std::string_view hex) {
  std::string out;
  int high = -1;
  for (char c : hex) {
    int d = c >= '0' && c <= '9'   ? c - '0'
            : c >= 'a' && c <= 'f' ? c - 'a' + 10
            : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                   : -1;
    if (d < 0) continue;
    if (high < 0) {
      high = d;
    } else {
      out += static_cast<char>(high * 16 + d);
      high = -1;
    }
  }
  if (high >= 0) out += static_cast<char>(high * 16);
  return out;
}

// Reads the single-line objects qpdf writes (dictionaries, arrays, names,
// numbers, references, booleans, hex strings and plain literal strings), so
// these tests do not depend on the library's own parser.
class TinyReader {
 public:
  TinyReader(TPDFStructure& pool, std::string_view text) : pool_(pool), s_(text) {}

  TPDFObject* Read() {
    Skip();
    if (Starts("<<")) {
      pos_ += 2;
      auto* dict = pool_.NewDictionary();
      for (Skip(); pos_ < s_.size() && !Starts(">>"); Skip()) {
        auto* key = PdfCast<TPDFName>(Read());
        TPDFObject* value = Read();
        if (!key) break;
        dict->SetValue(key->Value, value);
      }
      pos_ += 2;
      return dict;
    }
    if (Starts("<")) {
      size_t end = s_.find('>', pos_);
      std::string bytes = Unhex(s_.substr(pos_ + 1, end - pos_ - 1));
      pos_ = end + 1;
      return pool_.NewString(bytes, TPDFStringForm::Hex);
    }
    if (Starts("[")) {
      ++pos_;
      auto* array = pool_.NewArray();
      for (Skip(); pos_ < s_.size() && !Starts("]"); Skip()) array->Add(Read());
      ++pos_;
      return array;
    }
    if (Starts("(")) {
      size_t end = s_.find(')', pos_);
      std::string bytes(s_.substr(pos_ + 1, end - pos_ - 1));
      pos_ = end + 1;
      return pool_.NewString(bytes);
    }
    if (Starts("/")) return pool_.NewName(Token().substr(1));
    std::string word = Token();
    if (word == "true" || word == "false") return pool_.NewBoolean(word == "true");
    double number = std::atof(word.c_str());
    size_t save = pos_;
    std::string generation = (Skip(), Token());
    std::string r = (Skip(), Token());
    if (r == "R") return pool_.NewIndRef(static_cast<int32_t>(number), std::atoi(generation.c_str()));
    pos_ = save;
    return pool_.NewNumeric(number);
  }

 private:
  bool Starts(std::string_view p) const { return s_.substr(pos_, p.size()) == p; }
  void Skip() {
    while (pos_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[pos_]))) ++pos_;
  }
  std::string Token() {
    size_t start = pos_++;
    while (pos_ < s_.size() && !std::isspace(static_cast<unsigned char>(s_[pos_])) &&
           std::string_view("/<>[]()").find(s_[pos_]) == std::string_view::npos)
      ++pos_;
    return std::string(s_.substr(start, pos_ - start));
  }

  TPDFStructure& pool_;
  std::string_view s_;
  size_t pos_ = 0;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// Runs a shell command and returns its standard output.
std::string Capture(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0) out.append(buf.data(), n);
    pclose(pipe);
  }
  return out;
}

bool HaveQpdf() { return std::system("qpdf --version >/dev/null 2>&1") == 0; }

// A PDF file of the given object texts (numbered from 1) with a correct
// cross-reference table; trailerExtra goes into the trailer dictionary.
std::string BuildPdf(const std::vector<std::string>& objects, const std::string& trailerExtra) {
  std::string pdf = "%PDF-1.4\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t off : offsets) {
    std::string num = std::to_string(off);
    pdf += std::string(10 - num.size(), '0') + num + " 00000 n \n";
  }
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R /Info 5 0 R " +
         trailerExtra + " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

const std::string kContent = "0 0 m 100 100 l S\n";

std::string StreamText(const std::string& data) {
  return "<< /Length " + std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream";
}

// A one-page file with an information string, a content stream and metadata.
std::vector<std::string> MinimalObjects(const std::string& title, const std::string& content) {
  return {
      "<< /Type /Catalog /Pages 2 0 R /Metadata 6 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R >>",
      StreamText(content),
      "<< /Title <" + HexLower(title) + "> >>",
      "<< /Type /Metadata /Subtype /XML /Length 9 >>\nstream\n<x:meta/>\nendstream",
  };
}

std::string MinimalPdf() { return BuildPdf(MinimalObjects("Hello secret world", kContent), ""); }

class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/ostrel_security_XXXXXX";
    path_ = mkdtemp(tmpl);
  }
  ~TempDir() { fs::remove_all(path_); }
  fs::path operator/(const std::string& name) const { return path_ / name; }

 private:
  fs::path path_;
};

// What a test needs from one file that qpdf encrypted.
struct EncryptedFile {
  std::string bytes;
  int32_t encryptNumber = 0;
  std::string firstId;
  TPDFDictionary* encrypt = nullptr;
};

// The text of object `number` (between "N 0 obj" and "endobj").
std::string ObjectText(const std::string& pdf, int32_t number) {
  std::string header = "\n" + std::to_string(number) + " 0 obj\n";
  size_t start = pdf.find(header);
  if (start == std::string::npos) return {};
  start += header.size();
  return pdf.substr(start, pdf.find("\nendobj", start) - start);
}

// Number of the object whose text contains marker.
int32_t ObjectHolding(const std::string& pdf, std::string_view marker) {
  size_t at = pdf.find(marker);
  size_t header = pdf.rfind(" 0 obj", at);
  size_t line = pdf.rfind('\n', header);
  return std::atoi(pdf.c_str() + line + 1);
}

EncryptedFile ReadEncrypted(TPDFStructure& pool, const fs::path& path) {
  EncryptedFile f;
  f.bytes = ReadFile(path);
  size_t trailer = f.bytes.rfind("trailer");
  size_t enc = f.bytes.find("/Encrypt ", trailer);
  f.encryptNumber = std::atoi(f.bytes.c_str() + enc + 9);
  size_t id = f.bytes.find("/ID [", trailer);
  if (id != std::string::npos) {
    size_t open = f.bytes.find('<', id);
    f.firstId = Unhex(f.bytes.substr(open + 1, f.bytes.find('>', open) - open - 1));
  }
  f.encrypt = PdfCast<TPDFDictionary>(TinyReader(pool, ObjectText(f.bytes, f.encryptNumber)).Read());
  return f;
}

struct QpdfCase {
  const char* name;
  const char* options;
  const char* user;
  const char* method;
  int revision;
};

void PrintTo(const QpdfCase& c, std::ostream* os) { *os << c.name; }

class SecurityHandlerQpdf : public ::testing::TestWithParam<QpdfCase> {};

// Every method qpdf writes: the file key equals qpdf's, both passwords open
// the file, a wrong one does not, and a string and a stream decrypt to what
// qpdf reads from them.
TEST_P(SecurityHandlerQpdf, MatchesQpdf) {
  if (!HaveQpdf()) GTEST_SKIP() << "qpdf is not installed";
  const QpdfCase& c = GetParam();
  TempDir dir;
  { std::ofstream(dir / "in.pdf", std::ios::binary) << MinimalPdf(); }
  const std::string in = (dir / "in.pdf").string(), out = (dir / "out.pdf").string();
  const std::string user = std::string("'") + c.user + "'";
  ASSERT_EQ(std::system(("qpdf --allow-weak-crypto --object-streams=disable --encrypt " + user + " owner " +
                         c.options + " -- " + in + " " + out + " 2>/dev/null")
                            .c_str()),
            0);
  std::string keyLine = Capture("qpdf --show-encryption-key --show-encryption --password=owner " + out);
  size_t at = keyLine.find("Encryption key = ");
  ASSERT_NE(at, std::string::npos) << keyLine;
  const std::string qpdfKey = keyLine.substr(at + 17, keyLine.find('\n', at) - at - 17);

  TPDFStructure pool;
  EncryptedFile f = ReadEncrypted(pool, out);
  ASSERT_NE(f.encrypt, nullptr);
  TPDFSecurityHandler h;
  h.ReadSecurityDictionary(f.encrypt, f.encryptNumber, f.firstId);
  EXPECT_EQ(h.SecurityState(), 1);
  EXPECT_EQ(h.R(), c.revision);
  EXPECT_EQ(h.MethodName(), c.method);

  EXPECT_FALSE(h.TryPassword(u"wrong"));
  EXPECT_FALSE(h.UserAccepted() || h.OwnerAccepted() || h.CanDecrypt());
  EXPECT_TRUE(h.ObjectKey(1, 0).empty());

  ASSERT_TRUE(h.TryPassword(u"owner"));
  EXPECT_TRUE(h.OwnerAccepted());
  EXPECT_FALSE(h.UserAccepted());
  EXPECT_EQ(Hex(h.FileKey()), qpdfKey);

  ASSERT_TRUE(h.TryPassword(Utf8ToUtf16(c.user)));
  EXPECT_TRUE(h.UserAccepted());
  EXPECT_TRUE(h.CanDecrypt());
  EXPECT_EQ(Hex(h.FileKey()), qpdfKey);
  EXPECT_EQ(h.P(), 0xFFFFFFFCu);  // qpdf's default: everything allowed
  EXPECT_TRUE(h.ObjectKey(f.encryptNumber, 0).empty());

  // The information dictionary's string.
  const int32_t infoNumber = ObjectHolding(f.bytes, "/Title <");
  TPDFObject* info = TinyReader(pool, ObjectText(f.bytes, infoNumber)).Read();
  h.DecryptObject(h.ObjectKey(infoNumber, 0), info);
  auto* title = PdfCast<TPDFDictionary>(info)->Get<TPDFString>("Title");
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->Value, "Hello secret world");

  // The content stream's raw data, compared with qpdf's decryption of it.
  const int32_t contentNumber = ObjectHolding(f.bytes, "/Contents ");
  const int32_t streamNumber =
      std::atoi(f.bytes.c_str() +
                f.bytes.find("/Contents ", f.bytes.find(std::to_string(contentNumber) + " 0 obj")) + 10);
  const std::string text = ObjectText(f.bytes, streamNumber);
  auto* dict = PdfCast<TPDFDictionary>(TinyReader(pool, text).Read());
  ASSERT_NE(dict, nullptr);
  size_t data = text.find("stream\n") + 7;
  auto* stream = pool.NewStreamWith(dict, text.substr(data, dict->GetInteger("Length", 0)));
  h.DecryptObject(h.ObjectKey(streamNumber, 0), stream);
  const std::string expected =
      Capture("qpdf --password=" + user + " --raw-stream-data --show-object=" + std::to_string(streamNumber) +
              " " + out);
  EXPECT_EQ(stream->RawData, expected);
  EXPECT_EQ(stream->StreamDict->GetInteger("Length", -1), static_cast<int32_t>(expected.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Methods, SecurityHandlerQpdf,
    ::testing::Values(QpdfCase{"Rc4_40", "40", "user", "RC4 40", 2},
                      QpdfCase{"Rc4_40_EmptyUser", "40", "", "RC4 40", 2},
                      QpdfCase{"Rc4_128", "128 --use-aes=n", "user", "RC4 128", 3},
                      QpdfCase{"Rc4_128_V4", "128 --use-aes=n --force-V4", "user", "RC4 128", 4},
                      QpdfCase{"Aes128", "128 --use-aes=y", "user", "AES 128", 4},
                      QpdfCase{"Aes128_ClearMetadata", "128 --use-aes=y --cleartext-metadata", "user",
                               "AES 128", 4},
                      QpdfCase{"Aes256", "256", "user", "AES 256", 6},
                      QpdfCase{"Aes256_NonAscii", "256", "p\xC3\xA4ss", "AES 256", 6}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Handlers over dictionaries made here --------------------------------

// /O for revisions 2 to 4: the padded user password under the owner key.
std::string ComputeOwnerEntry(const TRc4PasswordInput& in, std::string_view owner, std::string_view user) {
  std::string key = Md5Digest(PadPassword(owner));
  if (in.Revision >= 3)
    for (int i = 0; i < 50; ++i) key = Md5Digest(key.substr(0, in.KeyBytes));
  key.resize(in.KeyBytes);
  std::string o = Rc4(key, PadPassword(user));
  if (in.Revision >= 3)
    for (int i = 1; i <= 19; ++i) {
      std::string k = key;
      for (char& ch : k) ch = static_cast<char>(ch ^ i);
      o = Rc4(k, o);
    }
  return o;
}

const std::string kFirstId = "0123456789abcdef";

// A revision 2 to 4 dictionary whose user password is "user" and owner
// password "owner". cfm is empty for V 1 and 2.
TPDFDictionary* Rc4Dictionary(TPDFStructure& pool, int v, int r, int lengthBits, const std::string& cfm,
                              const std::string& firstId = kFirstId, bool encryptMetadata = true) {
  TRc4PasswordInput in;
  in.Revision = r;
  in.KeyBytes = static_cast<size_t>(r == 2 ? 5 : lengthBits / 8);
  in.P = 0xFFFFFFFCu;
  in.FirstId = firstId;
  in.EncryptMetadata = encryptMetadata;
  in.O = ComputeOwnerEntry(in, "owner", "user");
  in.U = in.O;  // only O's size matters to the derivation
  in.U = ComputeUserEntry(in, ComputeFileKey(in, "user"));
  auto* d = pool.NewDictionary();
  d->SetValue("Filter", pool.NewName("Standard"));
  d->SetValue("V", pool.NewNumeric(v));
  d->SetValue("R", pool.NewNumeric(r));
  d->SetValue("Length", pool.NewNumeric(lengthBits));
  d->SetValue("O", pool.NewString(in.O, TPDFStringForm::Hex));
  d->SetValue("U", pool.NewString(in.U, TPDFStringForm::Hex));
  d->SetValue("P", pool.NewNumeric(-4));
  if (!cfm.empty()) {
    auto* stdcf = pool.NewDictionary();
    stdcf->SetValue("CFM", pool.NewName(cfm));
    stdcf->SetValue("Length", pool.NewNumeric(lengthBits / 8));
    auto* cf = pool.NewDictionary();
    cf->SetValue("StdCF", stdcf);
    d->SetValue("CF", cf);
    d->SetValue("StrF", pool.NewName("StdCF"));
    d->SetValue("StmF", pool.NewName("StdCF"));
    if (!encryptMetadata) d->SetValue("EncryptMetadata", pool.NewBoolean(false));
  }
  return d;
}

// A revision 5 or 6 dictionary for the given passwords and file key; /P is 0
// in the dictionary and -4 in /Perms, which takes precedence.
TPDFDictionary* AesV3Dictionary(TPDFStructure& pool, int r, const std::string& fileKey) {
  const std::string zeroIv(16, '\0');
  const std::string uSalts = "uvsalt01uksalt02", oSalts = "ovsalt03oksalt04";
  std::string u = HashAesV3Password(r, "user", uSalts.substr(0, 8), "") + uSalts;
  std::string ue = AesCbcEncrypt(HashAesV3Password(r, "user", uSalts.substr(8), ""), zeroIv, fileKey);
  std::string o = HashAesV3Password(r, "owner", oSalts.substr(0, 8), u) + oSalts;
  std::string oe = AesCbcEncrypt(HashAesV3Password(r, "owner", oSalts.substr(8), u), zeroIv, fileKey);
  std::string perms =
      AesCbcEncrypt(fileKey, zeroIv, std::string("\xFC\xFF\xFF\xFF\xFF\xFF\xFF\xFFTadbxxxx", 16));
  auto* stdcf = pool.NewDictionary();
  stdcf->SetValue("CFM", pool.NewName("AESV3"));
  auto* cf = pool.NewDictionary();
  cf->SetValue("StdCF", stdcf);
  auto* d = pool.NewDictionary();
  d->SetValue("Filter", pool.NewName("Standard"));
  d->SetValue("V", pool.NewNumeric(5));
  d->SetValue("R", pool.NewNumeric(r));
  d->SetValue("CF", cf);
  d->SetValue("StrF", pool.NewName("StdCF"));
  d->SetValue("StmF", pool.NewName("StdCF"));
  d->SetValue("O", pool.NewString(o));
  d->SetValue("U", pool.NewString(u));
  d->SetValue("OE", pool.NewString(oe));
  d->SetValue("UE", pool.NewString(ue));
  d->SetValue("Perms", pool.NewString(perms));
  d->SetValue("P", pool.NewNumeric(0));
  return d;
}

// The RC4 key length follows /Length for revision 3 (with the 50 rounds
// even for 40 bits), and a file without /ID derives its key with an empty
// first element: qpdf reads files that this handler encrypted that way.
TEST(SecurityHandlerQpdfReads, Rc4KeyLengthFromLengthAndMissingId) {
  if (!HaveQpdf()) GTEST_SKIP() << "qpdf is not installed";
  struct Case {
    int v, r, bits;
    const char* cfm;
    bool withId;
  };
  for (const Case& c : {Case{2, 3, 64, "", true}, Case{2, 3, 96, "", false}, Case{2, 3, 40, "", true}}) {
    SCOPED_TRACE(std::to_string(c.r) + "/" + std::to_string(c.bits) + (c.withId ? "" : " no ID"));
    TPDFStructure pool;
    TPDFDictionary* encrypt = Rc4Dictionary(pool, c.v, c.r, c.bits, c.cfm, c.withId ? kFirstId : "");
    TPDFSecurityHandler h;
    h.ReadSecurityDictionary(encrypt, 7, c.withId ? kFirstId : "");
    ASSERT_TRUE(h.TryPassword(u"user"));
    EXPECT_EQ(h.FileKey().size(), static_cast<size_t>(c.bits / 8));
    EXPECT_EQ(h.MethodName(), "RC4 " + std::to_string(c.bits));

    auto* title = pool.NewString("Hello secret world");
    h.EncryptObject(h.ObjectKey(5, 0), title);
    auto* content = pool.NewStream(kContent, false);
    h.EncryptObject(h.ObjectKey(4, 0), content);
    std::vector<std::string> objects = MinimalObjects(title->Value, content->RawData);
    objects.push_back(encrypt->ToText());
    std::string trailer = "/Encrypt 7 0 R";
    if (c.withId) trailer += " /ID [<" + HexLower(kFirstId) + "> <" + HexLower(kFirstId) + ">]";
    TempDir dir;
    const std::string path = (dir / "made.pdf").string();
    { std::ofstream(path, std::ios::binary) << BuildPdf(objects, trailer); }

    std::string shown = Capture("qpdf --show-encryption-key --show-encryption --password=owner " + path);
    EXPECT_NE(shown.find("Encryption key = " + HexLower(h.FileKey())), std::string::npos) << shown;
    EXPECT_EQ(Capture("qpdf --password=user --show-object=5 " + path + " 2>/dev/null"),
              "<< /Title (Hello secret world) >>\n");
    EXPECT_EQ(Capture("qpdf --password=user --raw-stream-data --show-object=4 " + path + " 2>/dev/null"),
              kContent);
    // The document opens it the same way: no made-up /ID enters the key.
    TPDFDocument doc;
    ASSERT_EQ(doc.LoadFromBytes(BuildPdf(objects, trailer), u"user"), 0);
    EXPECT_EQ(doc.GetInfo("Title"), u"Hello secret world");
  }
}

// One value holding a shared string three times, nested containers, a
// stream and an empty string.
TPDFDictionary* SampleValue(TPDFStructure& pool, TPDFString*& shared) {
  shared = pool.NewString("shared bytes");
  auto* inner = pool.NewDictionary();
  inner->SetValue("C", shared);
  auto* dict = pool.NewDictionary();
  dict->SetValue("A", pool.NewString("(plain) text that spans more than one AES block"));
  dict->SetValue("B", pool.NewArrayOf({shared, shared, inner, pool.NewString(""), pool.NewIndRef(9, 0)}));
  dict->SetValue("S", pool.NewStream("stream data\n", false));
  return dict;
}

// Encrypting and decrypting gives the value back for every method, and an
// object reached several times is transformed once.
TEST(SecurityHandler, EncryptThenDecryptRestoresEveryMethod) {
  struct Case {
    const char* name;
    int v, r, bits;
    const char* cfm;
  };
  const std::string fileKey256 = "0123456789abcdefghijklmnopqrstuv";
  for (const Case& c : {Case{"RC4 40", 1, 2, 40, ""}, Case{"RC4 64", 2, 3, 64, ""},
                        Case{"RC4 128", 4, 4, 128, "V2"}, Case{"AES 128", 4, 4, 128, "AESV2"},
                        Case{"AES 256", 5, 5, 256, ""}, Case{"AES 256", 5, 6, 256, ""}}) {
    SCOPED_TRACE(std::string(c.name) + " R" + std::to_string(c.r));
    TPDFStructure pool;
    TPDFSecurityHandler h;
    h.ReadSecurityDictionary(
        c.v == 5 ? AesV3Dictionary(pool, c.r, fileKey256) : Rc4Dictionary(pool, c.v, c.r, c.bits, c.cfm), 3,
        kFirstId);
    ASSERT_EQ(h.SecurityState(), 1);
    EXPECT_EQ(h.MethodName(), c.name);
    EXPECT_FALSE(h.TryPassword(u"nope"));
    ASSERT_TRUE(h.TryPassword(u"owner"));
    EXPECT_TRUE(h.OwnerAccepted());
    ASSERT_TRUE(h.TryPassword(u"user"));
    EXPECT_TRUE(h.UserAccepted());
    if (c.v == 5) {
      EXPECT_EQ(h.FileKey(), fileKey256);
      EXPECT_EQ(h.P(), 0xFFFFFFFCu);  // from /Perms, not /P
      EXPECT_EQ(h.ObjectKey(12, 0), fileKey256);
    } else {
      EXPECT_EQ(h.ObjectKey(12, 0).size(), std::min<size_t>(c.bits / 8 + 5, 16));
    }
    EXPECT_TRUE(h.ObjectKey(3, 0).empty());  // the dictionary's own object

    TPDFString* shared = nullptr;
    TPDFDictionary* value = SampleValue(pool, shared);
    const std::string original = value->ToText();
    const std::string key = h.ObjectKey(12, 0);
    h.EncryptObject(key, value);
    // Encrypted twice, an RC4 string would come back as plain text.
    EXPECT_NE(shared->Value, "shared bytes");
    if (c.v >= 4 && std::string(c.cfm) != "V2") {
      EXPECT_EQ(shared->Value.size(), 32u);  // IV and one block
    }
    auto* stream = value->Get<TPDFStream>("S");
    EXPECT_EQ(stream->StreamDict->GetInteger("Length", -1), static_cast<int32_t>(stream->RawData.size()));
    h.DecryptObject(key, value);
    EXPECT_EQ(value->ToText(), original);
  }
}

// Streams the format never encrypts stay as they are.
TEST(SecurityHandler, LeavesCrossReferenceAndClearMetadataStreamsAlone) {
  TPDFStructure pool;
  TPDFSecurityHandler h;
  h.ReadSecurityDictionary(Rc4Dictionary(pool, 4, 4, 128, "AESV2", kFirstId, false), 0, kFirstId);
  ASSERT_TRUE(h.TryPassword(u"user"));
  EXPECT_FALSE(h.EncryptMetadata());
  auto makeStream = [&](const char* type) {
    auto* s = pool.NewStream("data", false);
    s->StreamDict->SetValue("Type", pool.NewName(type));
    s->StreamDict->SetValue("ID", pool.NewString("id"));
    return s;
  };
  auto* xref = makeStream("XRef");
  auto* metadata = makeStream("Metadata");
  auto* other = makeStream("XObject");
  for (auto* s : {xref, metadata, other}) h.EncryptObject(h.ObjectKey(5, 0), s);
  EXPECT_EQ(xref->RawData, "data");
  EXPECT_EQ(xref->StreamDict->Get<TPDFString>("ID")->Value, "id");
  EXPECT_EQ(metadata->RawData, "data");
  EXPECT_NE(metadata->StreamDict->Get<TPDFString>("ID")->Value, "id");
  EXPECT_NE(other->RawData, "data");
}

// Damaged AES data never reads outside the buffer: whole blocks are
// decrypted, a partial block is dropped, and a last byte that cannot be
// padding keeps the data whole.
TEST(SecurityHandler, DamagedAesDataDecryptsWhatItCan) {
  TPDFStructure pool;
  TPDFSecurityHandler h;
  h.ReadSecurityDictionary(Rc4Dictionary(pool, 4, 4, 128, "AESV2"), 0, kFirstId);
  ASSERT_TRUE(h.TryPassword(u"user"));
  const std::string key = h.ObjectKey(1, 0);
  const std::string iv(16, 'i');
  for (size_t size : {0, 1, 15, 16, 17, 31})
    EXPECT_EQ(h.DecryptBytes(key, std::string(size, 'x')), "") << size;

  const std::string plain = "0123456789ABCDEF0123456789ABCDE";
  std::string sealed = h.EncryptBytes(key, plain);
  ASSERT_EQ(sealed.size(), 48u);
  EXPECT_EQ(h.DecryptBytes(key, sealed), plain);
  // A trailing partial block is ignored; the whole block before it is kept.
  EXPECT_EQ(h.DecryptBytes(key, sealed.substr(0, 40)), plain.substr(0, 16));

  for (char last : {'\0', '\x11', '\xFF'}) {
    std::string block = "no padding here" + std::string(1, last);
    EXPECT_EQ(h.DecryptBytes(key, iv + AesCbcEncrypt(key, iv, block)), block);
  }
  std::string sixteen(16, '\x10');
  EXPECT_EQ(h.DecryptBytes(key, iv + AesCbcEncrypt(key, iv, sixteen)), "");
}

TPDFDictionary* StdCF(TPDFDictionary* encrypt) {
  return encrypt->Get<TPDFDictionary>("CF")->Get<TPDFDictionary>("StdCF");
}

// Dictionaries that are not the supported combinations, or whose values are
// out of bounds, make the file unsupported: no password opens it.
TEST(SecurityHandler, UnsupportedDictionariesAcceptNoPassword) {
  struct Case {
    const char* name;
    std::function<void(TPDFStructure&, TPDFDictionary*)> change;
  };
  const std::vector<Case> cases = {
      {"other handler",
       [](TPDFStructure& p, TPDFDictionary* d) { d->SetValue("Filter", p.NewName("Adobe.PubSec")); }},
      {"V 3", [](TPDFStructure& p, TPDFDictionary* d) { d->SetValue("V", p.NewNumeric(3)); }},
      {"identity strings",
       [](TPDFStructure& p, TPDFDictionary* d) { d->SetValue("StrF", p.NewName("Identity")); }},
      {"unknown CFM",
       [](TPDFStructure& p, TPDFDictionary* d) { StdCF(d)->SetValue("CFM", p.NewName("None")); }},
      {"V 5 with AESV2",
       [](TPDFStructure& p, TPDFDictionary* d) {
         d->SetValue("V", p.NewNumeric(5));
         d->SetValue("R", p.NewNumeric(6));
       }},
      {"key of 44 bits",
       [](TPDFStructure& p, TPDFDictionary* d) {
         StdCF(d)->SetValue("CFM", p.NewName("V2"));
         StdCF(d)->SetValue("Length", p.NewNumeric(44));
       }},
      {"key of 4096 bits",
       [](TPDFStructure& p, TPDFDictionary* d) {
         d->SetValue("V", p.NewNumeric(2));
         d->SetValue("R", p.NewNumeric(3));
         d->SetValue("Length", p.NewNumeric(4096));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TPDFStructure pool;
    TPDFDictionary* d = Rc4Dictionary(pool, 4, 4, 128, "AESV2");
    c.change(pool, d);
    TPDFSecurityHandler h;
    h.ReadSecurityDictionary(d, 0, kFirstId);
    EXPECT_EQ(h.SecurityState(), 2);
    EXPECT_EQ(h.MethodName(), "unsupported");
    EXPECT_FALSE(h.TryPassword(u"user"));
    EXPECT_FALSE(h.TryPassword(u"owner"));
    EXPECT_FALSE(h.CanDecrypt());
  }
  TPDFSecurityHandler h;
  h.ReadSecurityDictionary(nullptr, 0, "");
  EXPECT_EQ(h.SecurityState(), 2);
  h.Reset();
  EXPECT_EQ(h.SecurityState(), 0);
  EXPECT_EQ(h.MethodName(), "");
}

// /O, /U, /OE and /UE shorter than their fixed sizes make every password
// fail instead of reading past the strings.
TEST(SecurityHandler, ShortPasswordEntriesNeverMatch) {
  const std::string fileKey = "0123456789abcdefghijklmnopqrstuv";
  for (const char* key : {"O", "U", "OE", "UE"}) {
    for (int r : {4, 6}) {
      if (r == 4 && key[1] == 'E') continue;
      SCOPED_TRACE(std::string(key) + " R" + std::to_string(r));
      TPDFStructure pool;
      TPDFDictionary* d =
          r == 4 ? Rc4Dictionary(pool, 4, 4, 128, "AESV2") : AesV3Dictionary(pool, r, fileKey);
      d->Get<TPDFString>(key)->Value.resize(20);
      TPDFSecurityHandler h;
      h.ReadSecurityDictionary(d, 0, kFirstId);
      EXPECT_EQ(h.SecurityState(), 1);
      // Only the entry the check needs is short: the other password may open it.
      bool user = h.TryPassword(u"user"), owner = h.TryPassword(u"owner");
      EXPECT_FALSE(user && owner);
      if (std::string(key) == "O" || std::string(key) == "U") {
        EXPECT_FALSE(user || owner);
      }
    }
  }
}

// /P written as an unsigned number reads as the same 32-bit word.
TEST(SecurityHandler, PermissionsWordAcceptsUnsignedForm) {
  TPDFStructure pool;
  TPDFDictionary* d = Rc4Dictionary(pool, 2, 3, 128, "");
  d->SetValue("P", pool.NewNumeric(4294967292.0));  // -4 written unsigned
  TPDFSecurityHandler h;
  h.ReadSecurityDictionary(d, 0, kFirstId);
  EXPECT_EQ(h.P(), 0xFFFFFFFCu);
  EXPECT_TRUE(h.HasPermission(kPermPrint));
  EXPECT_TRUE(h.TryPassword(u"user"));
}

}  // namespace
}  // namespace ostrel
