// Saves that never destroy a file, run through the built command: a full
// disk (a file size limit, and a small tmpfs where the tests may mount one)
// leaves the target and the input byte for byte as they were and no
// temporary file behind; saves racing for one target leave one whole
// picture; a pipe is written straight, and a BMP that would need to seek
// back in it fails instead of appending a second header.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <set>
#include <string>

#include "tests/image/imageTestFiles.h"

using testfiles::readFile;
using testfiles::scratchPath;

namespace {

const std::string kCommand = std::string(ZOLM_BUILD_DIR) + "/zolmcom";

int run(const std::string& shellCommand) {
  const int raw = std::system(("bash -c '" + shellCommand + "' 2>/dev/null").c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

std::set<std::string> entries(const std::string& folder) {
  std::set<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* entry = readdir(dir)) names.insert(entry->d_name);
    closedir(dir);
  }
  return names;
}

// An 8-bit BMP of about 40 KB whose pixels depend on `seed`.
std::vector<uint8_t> picture(int seed) {
  std::vector<uint8_t> data(200 * 200);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + seed * (i / 200));
  return testfiles::bmpInfoFile(200, 200, 8, 0, 256, data);
}

class SafeSave : public ::testing::Test {
 protected:
  void SetUp() override {
    if (access(kCommand.c_str(), X_OK) != 0) GTEST_SKIP() << "the zolmcom command is not built";
  }
};

// Every way of running out of room in `folder`: a bigger picture over an
// existing one, IN equal to OUT with scaling, a PPM over an existing one.
// `limit` runs a command under the condition ("" when the folder is full).
void expectNothingLost(const std::string& folder, const std::string& limit) {
  const std::string in = folder + "/in.bmp", out = folder + "/out.bmp", ppm = folder + "/out.ppm";
  const std::vector<uint8_t> input = readFile(in), target = readFile(out), oldPpm = readFile(ppm);
  const std::set<std::string> before = entries(folder);
  EXPECT_EQ(1, run(limit + kCommand + " convert " + in + " " + out + " --scale 2"));
  EXPECT_EQ(1, run(limit + kCommand + " convert " + in + " " + in + " --scale 1.5"));
  EXPECT_EQ(1, run(limit + kCommand + " topnm " + in + " " + ppm));
  EXPECT_EQ(readFile(in), input);
  EXPECT_EQ(readFile(out), target);
  EXPECT_EQ(readFile(ppm), oldPpm);
  EXPECT_EQ(entries(folder), before);  // no temporary file left
}

}  // namespace

TEST_F(SafeSave, FileSizeLimitLosesNothing) {
  const std::string folder = scratchPath("limited");
  mkdir(folder.c_str(), 0700);
  testfiles::writeFile(folder + "/in.bmp", picture(1));
  testfiles::writeFile(folder + "/out.bmp", picture(2));
  testfiles::writeFile(folder + "/out.ppm", std::vector<uint8_t>{'P', '6'});
  // Writes past 48 KiB fail with "file too large": the command does not
  // let the limit's signal kill it half way through a save.
  expectNothingLost(folder, "ulimit -f 48; ");
  const std::string errors = folder + "/../limited-errors.txt";
  run("ulimit -f 48; " + kCommand + " convert " + folder + "/in.bmp " + folder + "/out.bmp --scale 2 2>" + errors);
  const std::vector<uint8_t> text = readFile(errors);
  EXPECT_NE(std::string(text.begin(), text.end()).find("File too large"), std::string::npos);
}

// A 2-colour PCX picture's PPM goes out while the picture is read: a write
// that fails part way through still leaves the old PPM as it was, and
// nothing else behind.
TEST_F(SafeSave, PpmWrittenWhileReadLosesNothing) {
  const std::string folder = scratchPath("live");
  mkdir(folder.c_str(), 0700);
  std::vector<uint8_t> lines(50 * 400);
  for (size_t i = 0; i < lines.size(); ++i) lines[i] = static_cast<uint8_t>(i / 50 % 3 ? 0x0F : i * 13);
  testfiles::writeFile(folder + "/in.pcx", testfiles::pcxFile(1, 1, 400, 400, 50, lines));
  testfiles::writeFile(folder + "/out.ppm", std::vector<uint8_t>{'P', '6'});
  const std::set<std::string> before = entries(folder);
  // 480 KB of PPM against a limit of 48 KiB.
  EXPECT_EQ(1, run("trap \"\" XFSZ; ulimit -f 48; " + kCommand + " topnm " + folder + "/in.pcx " + folder + "/out.ppm"));
  EXPECT_EQ(readFile(folder + "/out.ppm"), (std::vector<uint8_t>{'P', '6'}));
  EXPECT_EQ(entries(folder), before);
  EXPECT_EQ(0, run(kCommand + " topnm " + folder + "/in.pcx " + folder + "/out.ppm"));
  EXPECT_EQ(readFile(folder + "/out.ppm").size(), 15u + 400 * 400 * 3);
}

TEST_F(SafeSave, FullFileSystemLosesNothing) {
  const std::string folder = scratchPath("full");
  mkdir(folder.c_str(), 0700);
  if (mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=128k") != 0)
    GTEST_SKIP() << "cannot mount a small tmpfs here (needs root); the file size limit case covers it";
  testfiles::writeFile(folder + "/in.bmp", picture(1));
  testfiles::writeFile(folder + "/out.bmp", picture(2));
  testfiles::writeFile(folder + "/out.ppm", std::vector<uint8_t>{'P', '6'});
  // Fill what is left, so that any new file fails part way.
  run("head -c 200000 /dev/zero >" + folder + "/filler");
  expectNothingLost(folder, "");
  umount(folder.c_str());
}

TEST_F(SafeSave, RacingSavesLeaveOneWholePicture) {
  const std::string a = scratchPath("race-a.bmp"), b = scratchPath("race-b.bmp");
  testfiles::writeFile(a, picture(3));
  testfiles::writeFile(b, picture(4));
  const std::string fromA = scratchPath("race-a-out.bmp"), fromB = scratchPath("race-b-out.bmp");
  ASSERT_EQ(0, run(kCommand + " convert " + a + " " + fromA));
  ASSERT_EQ(0, run(kCommand + " convert " + b + " " + fromB));
  const std::vector<uint8_t> pictureA = readFile(fromA), pictureB = readFile(fromB);
  const std::string out = scratchPath("race-out.bmp");
  for (int round = 0; round < 4; ++round) {
    std::string racers;
    for (int i = 0; i < 8; ++i) racers += kCommand + " convert " + (i % 2 ? a : b) + " " + out + " & ";
    EXPECT_EQ(0, run(racers + "wait"));
    const std::vector<uint8_t> result = readFile(out);
    EXPECT_TRUE(result == pictureA || result == pictureB) << "round " << round;
  }
}

TEST_F(SafeSave, PipesAreWrittenStraight) {
  const std::string fifoPcx = scratchPath("stream.pcx"), fifoBmp = scratchPath("stream.bmp");
  const std::string fifoPpm = scratchPath("stream.ppm"), got = scratchPath("from-pipe");
  for (const std::string& fifo : {fifoPcx, fifoBmp, fifoPpm}) {
    unlink(fifo.c_str());
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  }
  const std::string pcx = std::string(ZOLM_TEST_DATA) + "/valid/pcx-8x1.pcx";
  const std::string bmp = std::string(ZOLM_TEST_DATA) + "/valid/bmp-info-8.bmp";
  ASSERT_EQ(0, run(kCommand + " convert " + pcx + " " + scratchPath("plain.pcx")));
  EXPECT_EQ(0, run("cat " + fifoPcx + " >" + got + " & " + kCommand + " convert " + pcx + " " + fifoPcx + "; s=$?; wait; exit $s"));
  EXPECT_EQ(readFile(got), readFile(scratchPath("plain.pcx")));

  ASSERT_EQ(0, run(kCommand + " topnm " + bmp + " " + scratchPath("plain.ppm")));
  EXPECT_EQ(0, run("cat " + fifoPpm + " >" + got + " & " + kCommand + " topnm " + bmp + " " + fifoPpm + "; s=$?; wait; exit $s"));
  EXPECT_EQ(readFile(got), readFile(scratchPath("plain.ppm")));

  // The BMP header is completed at the end by seeking back: a pipe cannot.
  ASSERT_EQ(0, run(kCommand + " convert " + bmp + " " + scratchPath("plain.bmp")));
  EXPECT_EQ(1, run("cat " + fifoBmp + " >" + got + " & " + kCommand + " convert " + bmp + " " + fifoBmp + "; s=$?; wait; exit $s"));
  EXPECT_EQ(readFile(got).size(), readFile(scratchPath("plain.bmp")).size());
}

TEST_F(SafeSave, AReplacedFileKeepsItsPermissionsAndALinkStaysALink) {
  const std::string in = scratchPath("keep-in.bmp"), expected = scratchPath("keep-expected.bmp");
  testfiles::writeFile(in, picture(5));
  ASSERT_EQ(0, run(kCommand + " convert " + in + " " + expected));
  const std::vector<uint8_t> result = readFile(expected);

  const std::string secret = scratchPath("keep-private.bmp");
  testfiles::writeFile(secret, picture(6));
  ASSERT_EQ(0, chmod(secret.c_str(), 0600));
  EXPECT_EQ(0, run(kCommand + " convert " + in + " " + secret));
  struct stat info;
  ASSERT_EQ(0, stat(secret.c_str(), &info));
  EXPECT_EQ(info.st_mode & 07777, 0600u);
  EXPECT_EQ(readFile(secret), result);

  // The link's target lies in another folder: the new picture is put there.
  const std::string elsewhere = scratchPath("keep-elsewhere");
  mkdir(elsewhere.c_str(), 0700);
  const std::string linked = elsewhere + "/target.bmp", link = scratchPath("keep-link.bmp");
  testfiles::writeFile(linked, picture(7));
  unlink(link.c_str());
  ASSERT_EQ(0, symlink(linked.c_str(), link.c_str()));
  EXPECT_EQ(0, run(kCommand + " convert " + in + " " + link));
  ASSERT_EQ(0, lstat(link.c_str(), &info));
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  EXPECT_EQ(readFile(linked), result);
  EXPECT_EQ(entries(elsewhere), (std::set<std::string>{".", "..", "target.bmp"}));
}
