// Base of the end-to-end tests that run the ordanou binary: a settings folder
// and a work folder of their own, and readers for what the binary wrote.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "run_binary.h"
#include "temp_dir.h"

namespace ordano::testing {

class BinaryTest : public ::testing::Test {
 protected:
  TempDir home, work;

  // ORDANO_HOME in `home`, UTC times, no proxies, run from `work`.
  RunOptions Opts() const;
  // Sets one 32-bit field of the profile-0 settings a first run wrote.
  void PatchSetting(std::size_t offset, int value);
  // A UTF-16LE catalogue (text or CSV): exactly one byte-order mark at its
  // start, returned without it as UTF-8.
  static std::string Utf16Catalogue(const std::string& path);
};

}  // namespace ordano::testing
