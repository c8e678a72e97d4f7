#include "core/paths.h"

#include <gtest/gtest.h>

namespace vexto {
namespace {

TEST(Paths, FilesBesideTheExecutable) {
  EXPECT_EQ(SettingsFilePath("/opt/vexto/vexto"), "/opt/vexto/vexto.ini");
  EXPECT_EQ(DefaultPlaylistFilePath("/opt/vexto/vexto"), "/opt/vexto/vexto.vxt");
  EXPECT_EQ(SettingsFilePath("/d/Console.exe"), "/d/Console.ini");
  EXPECT_EQ(ChangeFileExt("/a.b/c", ".ini"), "/a.b/c.ini");
  EXPECT_EQ(ChangeFileExt("/a/.hidden", ".ini"), "/a/.hidden.ini");
  EXPECT_EQ(ExecutableFolder("/opt/vexto/vexto"), "/opt/vexto");
  EXPECT_TRUE(ExecutablePath().is_absolute());
  EXPECT_EQ(ExecutablePath().filename(), "test_core");
}

TEST(Paths, FileNamePartStopsAtEverySeparator) {
  const struct {
    const char* path;
    const char* name;
    const char* ext;
  } cases[] = {
      {"/home/u/clips/a.mp4", "a.mp4", ".mp4"},
      {"D:\\clips\\b.MOV", "b.MOV", ".MOV"},
      {"C:c.avi", "c.avi", ".avi"},
      {"plain", "plain", ""},
      {"/dir.with.dot/noext", "noext", ""},
      {"dir/", "", ""},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExtractFileName(c.path), c.name) << c.path;
    EXPECT_EQ(ExtractFileExt(c.path), c.ext) << c.path;
  }
}

}  // namespace
}  // namespace vexto
