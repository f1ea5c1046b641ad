// A temporary folder holding a binary data file of 3,000 articles whose
// texts span many pages, for the tests of a data file read where it stands
// (the mapping itself and the table opened on it).
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "table_test_packets.h"

namespace mapped_test {

class MappedPacketDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string templ = ::testing::TempDir() + "vr_mapped_XXXXXX";
    ASSERT_NE(::mkdtemp(templ.data()), nullptr);
    dir_ = templ;
    file_ = dir_ + "/Base.dat";
    // Texts of every length, so that the values span many pages of the file.
    std::vector<table_test::Article> rows;
    for (int i = 0; i < 3000; ++i) {
      rows.push_back(
          table_test::Art(1990 + i % 30, i % 12, "Title " + std::to_string(i), "Test", i, i + 2));
      rows.back().tekst =
          std::string(static_cast<size_t>(i % 700), static_cast<char>('a' + i % 26));
    }
    packet_ = table_test::MakePacket(rows);
    Write(file_, packet_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  static void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
  }
  static std::vector<uint8_t> Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }

  platform::PosixFileSystem fs_;
  std::string dir_, file_;
  std::vector<uint8_t> packet_;
};

}  // namespace mapped_test
