// qdump_input_test.cpp — qdump on an object the assembler wrote, and on every
// damaged form of it: each prefix, flipped bytes, a call-frame body that no
// longer decodes under a repaired checksum, random bytes and an empty file.
// Always exit 1 with a message naming the offset, never a crash.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "object/quill_builder.h"
#include "object/quill_dump.h"
#include "object/quill_reader.h"
#include "object/quill_sample_source.h"
#include "support/asm_fixture.h"

namespace {

class QdumpInput : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    capture_table cap;
    cap.files["real.s26"] = std::string(kQuillSampleSource);
    const int code = run_qasm(cap, {"-S", "-r", "real.s26"});
    ASSERT_EQ(code, 0) << cap.console;
    object_ = new std::string(cap.files.at("real.r26"));
  }
  static void TearDownTestSuite() {
    delete object_;
    object_ = nullptr;
  }

  struct result {
    int code;
    std::string console;
  };
  // qdump on `bytes` as real.r26, in one view. An empty file is a real one on
  // disk: the in-memory files of the capture are never empty.
  static result dump(const std::string& bytes, const char* view) {
    capture_table cap;
    std::string program = "qdump", option = view, file = "real.r26";
    if (bytes.empty()) {
      file = ::testing::TempDir() + "qdump_empty.r26";
      std::ofstream(file, std::ios::binary | std::ios::trunc).flush();
    } else {
      cap.files[file] = bytes;
    }
    char* argv[] = {program.data(), option.data(), file.data(), nullptr};
    const int code = qdump_run(cap.table, 3, argv);
    if (bytes.empty()) std::remove(file.c_str());
    return {code, cap.console};
  }
  // Both views exit 1 with a problem line that names an offset within the file.
  static void expect_refused(const std::string& bytes, const std::string& what) {
    for (const char* view : {"--no-offsets", "--bytes"}) {
      const result r = dump(bytes, view);
      ASSERT_EQ(r.code, 1) << what << " " << view << "\n" << r.console;
      const std::string head = ".r26: offset 0x";
      const std::size_t line = r.console.find(head);
      ASSERT_NE(line, std::string::npos) << what << " " << view << "\n" << r.console;
      ASSERT_EQ(r.console.rfind("qdump: ", line), r.console.rfind('\n', line) + 1) << r.console;
      const unsigned long offset = std::stoul(r.console.substr(line + head.size()), nullptr, 16);
      EXPECT_LE(offset, bytes.size()) << what << " " << view;
    }
  }

  static std::string* object_;
};

std::string* QdumpInput::object_ = nullptr;

TEST_F(QdumpInput, TheRealObjectReadsBack) {
  for (const char* view : {"--no-offsets", "--bytes"}) {
    const result r = dump(*object_, view);
    EXPECT_EQ(r.code, 0) << r.console;
    EXPECT_EQ(r.console.find("qdump:"), std::string::npos) << r.console;
  }
  const result r = dump(*object_, "--no-offsets");
  EXPECT_NE(r.console.find("block workblock using common function work"), std::string::npos) << r.console;
  EXPECT_NE(r.console.find("module 'first': checksum 0x"), std::string::npos) << r.console;
}

TEST_F(QdumpInput, EveryPrefixIsRefused) {
  for (std::size_t n = 0; n < object_->size(); ++n) expect_refused(object_->substr(0, n), "prefix " + std::to_string(n));
}

TEST_F(QdumpInput, EveryFlippedByteIsRefused) {
  for (std::size_t i = 0; i < object_->size(); ++i)
    for (uint8_t mask : {0x01, 0x80, 0xFF}) {
      std::string bad = *object_;
      bad[i] = static_cast<char>(bad[i] ^ mask);
      expect_refused(bad, "byte " + std::to_string(i) + " xor " + std::to_string(mask));
    }
}

// Damage inside the call-frame body under a checksum made right again: only
// the body's decoder can find it.
TEST_F(QdumpInput, CallFrameBodyDamageBehindAGoodChecksum) {
  const quill_object obj = quill_read(*object_);
  const quill_record* cfi = nullptr;
  for (const quill_record& r : obj.records)
    if (r.layout->tag == QT_CFI) cfi = &r;
  ASSERT_NE(cfi, nullptr);
  const uint32_t body = cfi->offset + 5, size = cfi->size - 5;
  int found = 0;
  for (uint32_t at = 0; at < size; ++at) {
    std::string bad = *object_;
    bad[body + at] = static_cast<char>(0xFF);
    repair_checksums(bad);
    ASSERT_TRUE(quill_read(bad).ok()) << at;
    const result r = dump(bad, "--no-offsets");
    ASSERT_LE(r.code, 1) << at;
    if (r.code == 0) continue;  // a byte whose change still decodes (a name, a size)
    ++found;
    EXPECT_NE(r.console.find("call-frame record does not decode: malformed CFI record body at byte"),
              std::string::npos)
        << at << "\n" << r.console;
  }
  EXPECT_GT(found, 0);
}

TEST_F(QdumpInput, RandomBytesAndAnEmptyFileAreRefused) {
  expect_refused("", "empty file");
  std::mt19937 rng(11);
  for (int i = 0; i < 200; ++i) {
    std::string bytes(1 + rng() % 300, '\0');
    for (char& c : bytes) c = static_cast<char>(rng());
    if (i % 2 == 0) bytes.replace(0, std::min<std::size_t>(bytes.size(), 24), object_->substr(0, 24));
    expect_refused(bytes, "random input " + std::to_string(i));
  }
}

}  // namespace
