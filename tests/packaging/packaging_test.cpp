// The files that hook Lumivex into a desktop: they are checked with the same
// tools a desktop uses to read them, after a real `cmake --install`.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "tests/support/test_support.h"

namespace fs = std::filesystem;
using lvx::test::FileExists;
using lvx::test::MakeTempDir;
using lvx::test::ReadFile;
using lvx::test::SourceDir;
using lvx::test::WriteFile;

namespace {

const char kMessageType[] = "application/x-lumivex-message";

struct Outcome {
  int status = -1;
  std::string output;  // standard output and standard error together
};

// Runs a shell command line; every path handed in goes through Quote().
Outcome Shell(const std::string& command) {
  Outcome r;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return r;
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) r.output.append(buffer, n);
  const int raw = pclose(pipe);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return r;
}

std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// A tool the checks depend on; a missing one is a set-up fault, not a pass.
bool HaveTool(const std::string& name) {
  return Shell("command -v " + Quote(name) + " >/dev/null").status == 0;
}

std::string Packaging(const std::string& name) { return SourceDir() + "/packaging/" + name; }

std::string BuildDir() {
  const char* dir = std::getenv("LUMIVEX_BINARY_DIR");
  return dir != nullptr ? dir : "";
}

// The [Desktop Entry] group of a desktop file as key -> value.
std::map<std::string, std::string> DesktopEntry(const std::string& path) {
  std::map<std::string, std::string> keys;
  std::istringstream in(ReadFile(path));
  std::string line;
  bool inGroup = false;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      inGroup = line == "[Desktop Entry]";
      continue;
    }
    const auto eq = line.find('=');
    if (inGroup && eq != std::string::npos) keys[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return keys;
}

// Installs the build into a fresh staging folder with prefix /usr, the way a
// package is made; returns the staging folder ("" on failure, with a message).
std::string StagedInstall() {
  const std::string stage = MakeTempDir("stage");
  const Outcome r =
      Shell("DESTDIR=" + Quote(stage) + " cmake --install " + Quote(BuildDir()) + " --prefix /usr");
  EXPECT_EQ(r.status, 0) << r.output;
  return r.status == 0 ? stage : "";
}

// Every installed path that the desktop, the man reader and the saver look for.
const char* const kInstalled[] = {
    "bin/lumivex",
    "share/applications/lumivex.desktop",
    "share/applications/lumivex-open.desktop",
    "share/mime/packages/lumivex.xml",
    "share/applications/screensavers/lumivex.desktop",
    "share/icons/hicolor/scalable/apps/lumivex.svg",
    "share/man/man6/lumivex.6",
    "share/lumivex/help/index.html",
};

// A file's content type as GLib (and so the GTK file managers) sees it with
// only `share` as the data folder.
std::string ContentType(const std::string& share, const std::string& file) {
  const std::string emptyHome = MakeTempDir("data-home");
  const Outcome r = Shell("XDG_DATA_HOME=" + Quote(emptyHome) + " XDG_DATA_DIRS=" + Quote(share) +
                          " gio info -a standard::content-type " + Quote(file));
  std::smatch m;
  const std::regex line("standard::content-type: (\\S+)");
  return std::regex_search(r.output, m, line) ? m[1].str() : "(none) " + r.output;
}

}  // namespace

// desktop-file-validate on one entry: it must pass without errors or
// warnings, and its only hints may be the expected ones.
void ExpectValid(const std::string& path) {
  const Outcome r = Shell("desktop-file-validate " + Quote(path));
  EXPECT_EQ(r.status, 0) << path << ": " << r.output;
  std::istringstream lines(r.output);
  for (std::string line; std::getline(lines, line);) {
    // Screen-saver entries carry no main category on purpose, so that menus
    // do not offer them as applications; the validator hints at that.
    const bool saverHint =
        path.find("/screensavers/") != std::string::npos &&
        line.find("hint: value \"Screensaver;\" for key \"Categories\"") != std::string::npos &&
        line.find("registered main category") != std::string::npos;
    EXPECT_TRUE(saverHint) << path << ": " << line;
  }
}

TEST(DesktopEntries, PassTheValidator) {
  ASSERT_TRUE(HaveTool("desktop-file-validate")) << "needs desktop-file-utils";
  for (const char* name : {"lumivex.desktop", "lumivex-open.desktop"}) ExpectValid(Packaging(name));
  // The saver's entry is validated where it is installed (its folder matters).
  const std::string folder = MakeTempDir("share/applications/screensavers");
  WriteFile(folder + "/lumivex.desktop", ReadFile(Packaging("lumivex-saver.desktop")));
  ExpectValid(folder + "/lumivex.desktop");
}

TEST(DesktopEntries, ScreenSaverManagersStartTheSaverInTheirWindow) {
  auto saver = DesktopEntry(Packaging("lumivex-saver.desktop"));
  // The managers export XSCREENSAVER_WINDOW and stop the saver with SIGTERM.
  EXPECT_EQ(saver["Exec"], "lumivex -root");
  EXPECT_EQ(saver["TryExec"], "lumivex");
  EXPECT_NE(saver["Categories"].find("Screensaver;"), std::string::npos);
  EXPECT_EQ(saver["Name"], "Lumivex");
  EXPECT_EQ(saver.count("NoDisplay"), 0u) << "the managers skip hidden entries";
}

TEST(DesktopEntries, OpenerHandsTheSaverOneLocalPathAfterTheRunSwitch) {
  auto opener = DesktopEntry(Packaging("lumivex-open.desktop"));
  // The saver reads the path from the fourth character of its arguments on,
  // unquoted: "/s " and then exactly one local file (%f, not a URL list).
  EXPECT_EQ(opener["Exec"], "lumivex /s %f");
  EXPECT_EQ(opener["NoDisplay"], "true");
  EXPECT_EQ(opener["MimeType"], std::string(kMessageType) + ";");
  // The file type it opens is the one the MIME package declares.
  const std::string mime = ReadFile(Packaging("lumivex-mime.xml"));
  EXPECT_NE(mime.find("type=\"" + std::string(kMessageType) + "\""), std::string::npos);

  auto settings = DesktopEntry(Packaging("lumivex.desktop"));
  EXPECT_EQ(settings["Exec"], "lumivex /c");
  EXPECT_EQ(settings["Name"], "Lumivex");
  EXPECT_EQ(settings.count("NoDisplay"), 0u) << "the settings entry belongs in the menu";
  for (auto* entry : {&settings, &opener})
    EXPECT_TRUE(FileExists(Packaging((*entry)["Icon"] + ".svg"))) << (*entry)["Icon"];
}

TEST(XmlFiles, AreWellFormed) {
  ASSERT_TRUE(HaveTool("xmllint")) << "needs libxml2-utils";
  for (const std::string& path :
       {Packaging("lumivex-mime.xml"), Packaging("lumivex.xml"), Packaging("lumivex.svg"),
        SourceDir() + "/docs/help/index.html"}) {
    const Outcome r = Shell("xmllint --noout " + Quote(path));
    EXPECT_EQ(r.status, 0) << path << ": " << r.output;
  }
}

TEST(XmlFiles, XScreenSaverDescriptionStartsTheSaverInItsWindow) {
  ASSERT_TRUE(HaveTool("xmllint")) << "needs libxml2-utils";
  auto query = [](const std::string& xpath) {
    std::string out = Shell("xmllint --xpath " + Quote("string(" + xpath + ")") + " " +
                            Quote(Packaging("lumivex.xml")))
                          .output;
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
  };
  // XScreenSaver runs the program named by the description with these words.
  EXPECT_EQ(query("/screensaver/@name"), "lumivex");
  EXPECT_EQ(query("/screensaver/command/@arg"), "-root");
  EXPECT_EQ(query("/screensaver/@_label"), "Lumivex");
}

TEST(Help, EveryLinkAndTheDialogAnchorsResolve) {
  const std::string html = ReadFile(SourceDir() + "/docs/help/index.html");
  ASSERT_FALSE(html.empty());
  std::set<std::string> ids;
  const std::regex id("\\bid=\"([^\"]+)\"");
  for (std::sregex_iterator i(html.begin(), html.end(), id), end; i != end; ++i) {
    EXPECT_TRUE(ids.insert((*i)[1].str()).second) << "duplicate id " << (*i)[1];
  }
  // The main settings page opens the contents, the messages page topic 12.
  EXPECT_TRUE(ids.count("contents"));
  EXPECT_TRUE(ids.count("context-12"));
  const std::regex href("href=\"#([^\"]*)\"");
  int links = 0;
  for (std::sregex_iterator i(html.begin(), html.end(), href), end; i != end; ++i, ++links)
    EXPECT_TRUE(ids.count((*i)[1].str())) << "dangling link #" << (*i)[1];
  EXPECT_GT(links, 0);
  // A help page that opens without a network must not pull anything in.
  EXPECT_EQ(html.find("http://"), std::string::npos);
  EXPECT_EQ(html.find("https://"), std::string::npos);
}

TEST(ManPage, FormatsWithoutWarnings) {
  ASSERT_TRUE(HaveTool("groff")) << "needs groff-base";
  const Outcome r = Shell("LC_ALL=C.UTF-8 groff -man -ww -z " + Quote(Packaging("lumivex.6")));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output, "");
}

TEST(ManPage, DocumentsEveryVariableTheProgramReads) {
  // Any "LUMIVEX_..." name in the program's own code is a setting a user can
  // reach; a new one must not go undocumented.
  const std::string page = ReadFile(Packaging("lumivex.6"));
  ASSERT_FALSE(page.empty());
  const std::regex literal("\"(LUMIVEX_[A-Z0-9_]+|XSCREENSAVER_WINDOW)\"");
  std::set<std::string> names;
  for (const char* folder : {"platform", "host", "settings", "scene", "messages", "moon", "events",
                             "mail", "exchange", "config"}) {
    const fs::path dir = fs::path(SourceDir()) / folder;
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(dir, ec)) {
      const std::string ext = entry.path().extension().string();
      if (ext != ".cpp" && ext != ".h") continue;
      const std::string code = ReadFile(entry.path().string());
      for (std::sregex_iterator i(code.begin(), code.end(), literal), end; i != end; ++i)
        names.insert((*i)[1].str());
    }
  }
  EXPECT_TRUE(names.count("LUMIVEX_DISPLAY")) << "source tree not found at " << SourceDir();
  for (const std::string& name : names) {
    EXPECT_NE(page.find(".B " + name + "\n"), std::string::npos)
        << name << " has no entry in the man page";
  }
}

TEST(Install, StagedInstallPutsEveryFileInPlaceAndLeavesCachesAlone) {
  const std::string stage = StagedInstall();
  ASSERT_FALSE(stage.empty());
  const std::string usr = stage + "/usr/";
  for (const char* path : kInstalled) EXPECT_TRUE(FileExists(usr + path)) << path;
  struct stat st {};
  ASSERT_EQ(stat((usr + "bin/lumivex").c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IXUSR);
  // Installed copies are the committed files, the MIME package under the
  // name the database expects.
  EXPECT_EQ(ReadFile(usr + "share/mime/packages/lumivex.xml"),
            ReadFile(Packaging("lumivex-mime.xml")));
  EXPECT_EQ(ReadFile(usr + "share/xscreensaver/config/lumivex.xml"),
            ReadFile(Packaging("lumivex.xml")));
  EXPECT_EQ(ReadFile(usr + "share/applications/screensavers/lumivex.desktop"),
            ReadFile(Packaging("lumivex-saver.desktop")));
  // Every installed desktop entry passes the validator where it lies.
  ASSERT_TRUE(HaveTool("desktop-file-validate")) << "needs desktop-file-utils";
  int entries = 0;
  for (const auto& entry : fs::recursive_directory_iterator(usr + "share/applications")) {
    if (entry.path().extension() != ".desktop") continue;
    ExpectValid(entry.path().string());
    ++entries;
  }
  EXPECT_EQ(entries, 3);
  // A package's own triggers build the caches; a staged tree must not carry
  // generated ones that would clash between packages.
  EXPECT_FALSE(FileExists(usr + "share/mime/mime.cache"));
  EXPECT_FALSE(FileExists(usr + "share/mime/globs2"));
  EXPECT_FALSE(FileExists(usr + "share/applications/mimeinfo.cache"));
}

TEST(Install, TheXScreenSaverDescriptionGoesWhereItsSettingsProgramLooks) {
  // Under /usr/share whatever the prefix: xscreensaver-settings reads no other folder.
  const std::string stage = MakeTempDir("stage-local");
  const Outcome r = Shell("DESTDIR=" + Quote(stage) + " cmake --install " + Quote(BuildDir()) +
                          " --prefix /usr/local");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(FileExists(stage + "/usr/local/bin/lumivex"));
  EXPECT_TRUE(FileExists(stage + "/usr/local/share/applications/screensavers/lumivex.desktop"));
  EXPECT_EQ(ReadFile(stage + "/usr/share/xscreensaver/config/lumivex.xml"),
            ReadFile(Packaging("lumivex.xml")));
  EXPECT_FALSE(FileExists(stage + "/usr/local/share/xscreensaver/config/lumivex.xml"));
  // The folder is a cache variable, for systems that keep it elsewhere.
  EXPECT_NE(ReadFile(BuildDir() + "/CMakeCache.txt")
                .find("LUMIVEX_XSCREENSAVER_CONFIG_DIR:PATH=/usr/share/xscreensaver/config"),
            std::string::npos);
}

TEST(Install, DirectInstallMakesMessageFilesOpenWithTheSaver) {
  ASSERT_TRUE(HaveTool("update-mime-database")) << "needs shared-mime-info";
  ASSERT_TRUE(HaveTool("update-desktop-database")) << "needs desktop-file-utils";
  ASSERT_TRUE(HaveTool("gio")) << "needs libglib2.0-bin";
  unsetenv("DESTDIR");
  const std::string prefix = MakeTempDir("prefix");
  // The XScreenSaver description goes to the system folder; this test must
  // leave the machine as it found it.
  const std::string description = "/usr/share/xscreensaver/config/lumivex.xml";
  const bool hadDescription = FileExists(description);
  const Outcome install =
      Shell("cmake --install " + Quote(BuildDir()) + " --prefix " + Quote(prefix));
  const bool wroteDescription = !hadDescription && FileExists(description);
  if (wroteDescription) std::remove(description.c_str());
  ASSERT_EQ(install.status, 0) << install.output;
  // Where that folder cannot be written (a per-user install), the install
  // says so and still succeeds.
  if (access("/usr/share", W_OK) == 0) {
    EXPECT_TRUE(hadDescription || wroteDescription);
  } else {
    EXPECT_NE(install.output.find("XScreenSaver description could not be written"),
              std::string::npos)
        << install.output;
  }
  const std::string share = prefix + "/share";
  for (const char* path : kInstalled) EXPECT_TRUE(FileExists(prefix + "/" + path)) << path;

  // The caches were rebuilt by the install itself.
  EXPECT_NE(ReadFile(share + "/mime/globs2").find(std::string(kMessageType) + ":*.lumivex"),
            std::string::npos);
  EXPECT_NE(ReadFile(share + "/applications/mimeinfo.cache")
                .find(std::string(kMessageType) + "=lumivex-open.desktop;"),
            std::string::npos);

  // What a file manager sees: the name written by "Send" in its own case, a
  // name in capitals, and an unrelated text file.
  const std::string files = MakeTempDir("files");
  for (const char* name : {"NewMessage.Lumivex", "FROM-ANNA.LUMIVEX", "notes.txt"})
    WriteFile(files + "/" + name, "[MessageIN]\nMessage___0=\"Hello\"\n");
  EXPECT_EQ(ContentType(share, files + "/NewMessage.Lumivex"), kMessageType);
  EXPECT_EQ(ContentType(share, files + "/FROM-ANNA.LUMIVEX"), kMessageType);
  EXPECT_NE(ContentType(share, files + "/notes.txt"), kMessageType);

  // And the saver's opener is an application registered for that type (GLib
  // lists an entry only when its program is on the PATH).
  const std::string emptyHome = MakeTempDir("data-home-apps");
  const Outcome apps =
      Shell("PATH=" + Quote(prefix + "/bin") + ":\"$PATH\" XDG_DATA_HOME=" + Quote(emptyHome) +
            " XDG_DATA_DIRS=" + Quote(share) + " gio mime " + kMessageType);
  EXPECT_NE(apps.output.find("lumivex-open.desktop"), std::string::npos) << apps.output;
}
