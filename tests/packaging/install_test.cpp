// What `cmake --install` puts into a root: the programs run from there, the man page reads
// through man, the desktop entry validates, the icon is an SVG document.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <pugixml.hpp>

#include "test_files.h"

namespace {

namespace fs = std::filesystem;

struct ShellRun {
  int status = -1;
  std::string out;
};

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

// Runs a shell command with stderr joined to stdout.
ShellRun Shell(const std::string& command) {
  ShellRun run;
  FILE* pipe = ::popen((command + " 2>&1 </dev/null").c_str(), "r");
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, got);
  const int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

class InstalledTree : public testing::Test {
 protected:
  void SetUp() override {
    root_ = testfiles::MakeFolder("root");
    const ShellRun install = Shell(Quoted(TQ_CMAKE_COMMAND) + " --install " + Quoted(testfiles::BinaryFolder()) +
                                   " --prefix " + Quoted(root_));
    ASSERT_EQ(install.status, 0) << install.out;
  }
  fs::path root_;
};

TEST_F(InstalledTree, HoldsTheProgramsAndTheirFiles) {
  for (const char* file :
       {"bin/tqconv", "share/man/man1/tqconv.1", "share/applications/tqconverter.desktop",
        "share/icons/hicolor/scalable/apps/tqconverter.svg", "share/bash-completion/completions/tqconv"}) {
    EXPECT_TRUE(fs::is_regular_file(root_ / file)) << file;
  }
  if (fs::exists(testfiles::BinaryFolder() / "tqconverter")) {
    EXPECT_TRUE(fs::is_regular_file(root_ / "bin/tqconverter"));
  }
  const ShellRun version = Shell(Quoted(root_ / "bin/tqconv") + " --version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "tqconv 1.0.0\n");
  // The XML library is linked into the programs, so its licence comes with them.
  EXPECT_EQ(Shell("ldd " + Quoted(root_ / "bin/tqconv") + " | grep -c pugixml").out, "0\n");
  EXPECT_NE(testfiles::Read(root_ / "share/doc/tqconverter/pugixml.copyright").find("License: Expat"),
            std::string::npos);
}

TEST_F(InstalledTree, TheManPageCoversEveryCommandWithoutWarnings) {
  const fs::path page = root_ / "share/man/man1/tqconv.1";
  const ShellRun shown = Shell("MANWIDTH=200 man -l " + Quoted(page));
  ASSERT_EQ(shown.status, 0) << shown.out;
  for (const char* part : {"SYNOPSIS", "COMMANDS", "OPTIONS", "EXIT STATUS", "EXAMPLES"}) {
    EXPECT_NE(shown.out.find(part), std::string::npos) << part;
  }
  for (const char* example : {"tqconv convert plant.lqt", "tqconv check --json", "tqconv inspect --lang ja",
                              "tqconv unit-setup --converted", "tqconv pack --dictionary", "tqconv unpack"}) {
    EXPECT_NE(shown.out.find(example), std::string::npos) << example;
  }
  for (const char* option : {"--lang", "--json", "--quiet", "--recursive", "--jobs", "--report-dir", "--report",
                             "--converted", "--literal-mode", "--dictionary", "--help", "--version"}) {
    EXPECT_NE(shown.out.find(option), std::string::npos) << option;
  }
  const ShellRun warnings = Shell("man --warnings -l " + Quoted(page) + " >/dev/null");
  EXPECT_EQ(warnings.out, "");
}

TEST_F(InstalledTree, TheDesktopEntryAndItsIconAreWellFormed) {
  const fs::path entry = root_ / "share/applications/tqconverter.desktop";
  const ShellRun valid = Shell("desktop-file-validate " + Quoted(entry));
  EXPECT_EQ(valid.status, 0) << valid.out;
  EXPECT_EQ(valid.out, "");
  const std::string text = testfiles::Read(entry);
  EXPECT_NE(text.find("\nName=TQ5A to TQ6A Project Converter\n"), std::string::npos);
  EXPECT_NE(text.find("\nName[ja]=TQ5A→TQ6A プロジェクトコンバータ\n"), std::string::npos);
  EXPECT_NE(text.find("\nExec=tqconverter\n"), std::string::npos);
  EXPECT_NE(text.find("\nIcon=tqconverter\n"), std::string::npos);

  pugi::xml_document icon;
  ASSERT_TRUE(icon.load_file((root_ / "share/icons/hicolor/scalable/apps/tqconverter.svg").c_str()));
  EXPECT_STREQ(icon.document_element().name(), "svg");
  EXPECT_STREQ(icon.document_element().attribute("viewBox").value(), "0 0 64 64");

  const ShellRun completion = Shell("bash -c 'source " + (root_ / "share/bash-completion/completions/tqconv").string() +
                                    " && complete -p tqconv'");
  EXPECT_EQ(completion.out, "complete -o filenames -F _tqconv tqconv\n");
}

}  // namespace
