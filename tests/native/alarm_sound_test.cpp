// The alarm's default sound is the one installed beside the program,
// wherever the process's current directory is.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "platform/file_io.h"
#include "robot/common/settings.h"
#include "tests/fakes/memory_registry.h"

namespace korvex {
namespace {

TEST(AlarmSound, TheDefaultIsBesideTheProgramNotInTheCurrentDirectory) {
  const std::filesystem::path before = std::filesystem::current_path();
  const std::filesystem::path elsewhere =
      std::filesystem::temp_directory_path() /
      ("korvex-elsewhere-" + std::to_string(std::random_device{}()));
  std::filesystem::create_directories(elsewhere);
  std::filesystem::current_path(elsewhere);

  testing::MemoryRegistry registry;
  const Settings settings(registry);
  const Text folder = ProgramFolder();
  const Text sound = settings.WavFile();
  std::filesystem::current_path(before);
  std::filesystem::remove_all(elsewhere);

  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(std::filesystem::path(folder).is_absolute());
  EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(folder)));
  EXPECT_EQ(sound, folder + u"\\default.wav");
  EXPECT_EQ(sound.find(elsewhere.filename().u16string()), Text::npos);
}

}  // namespace
}  // namespace korvex
