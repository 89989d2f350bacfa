// The one file writer behind saving and every export: the target is only ever the old file or
// the whole new one, links are followed, permissions kept, and what a killed writer left is
// cleaned up by the next one.
#include "platform/atomic_file_writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>

#include "support/test_support.h"

namespace tqx {
namespace {

namespace fs = std::filesystem;
using Status = AtomicFileWriter::Status;

std::vector<std::uint8_t> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }

Status writeWhole(const std::string& path, const std::string& bytes) {
    AtomicFileWriter file(path);
    const Status opened = file.open();
    if (opened != Status::Ok) return opened;
    file.write(bytes.data(), bytes.size());
    return file.commit();
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

mode_t modeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

class AtomicFileWriterTest : public ::testing::Test {
protected:
    test::ScratchDir dir;
};

TEST_F(AtomicFileWriterTest, TheTargetIsTheOldFileUntilTheNewOneIsComplete) {
    const std::string path = dir.file("song.wav");
    ASSERT_EQ(writeWhole(path, "first"), Status::Ok);
    EXPECT_EQ(test::readFile(path), bytesOf("first"));
    {
        AtomicFileWriter file(path);
        ASSERT_EQ(file.open(), Status::Ok);
        EXPECT_TRUE(file.replacesExisting());
        file.write("second", 6);
        EXPECT_EQ(test::readFile(path), bytesOf("first"));  // not yet
        // Abandoned without commit: the old file stays and the temporary goes.
    }
    EXPECT_EQ(test::readFile(path), bytesOf("first"));
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"song.wav"});
    ASSERT_EQ(writeWhole(path, "second"), Status::Ok);
    EXPECT_EQ(test::readFile(path), bytesOf("second"));
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"song.wav"});
}

TEST_F(AtomicFileWriterTest, LinksAreFollowedAndPermissionsKept) {
    fs::create_directory(dir.path() / "real");
    const std::string target = dir.file("real/take.wav");
    test::writeFile(target, bytesOf("old"));
    ::chmod(target.c_str(), 0640);
    fs::create_symlink("real/take.wav", dir.path() / "link.wav");
    fs::create_symlink("link.wav", dir.path() / "link2.wav");

    ASSERT_EQ(writeWhole(dir.file("link2.wav"), "new"), Status::Ok);
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link2.wav"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.wav"));
    EXPECT_EQ(test::readFile(target), bytesOf("new"));
    EXPECT_EQ(modeOf(target), 0640u);
    EXPECT_EQ(namesIn(dir.path() / "real"), std::vector<std::string>{"take.wav"});

    // A link to a file not there yet makes that file; a loop of links writes nothing.
    fs::create_symlink("real/later.wav", dir.path() / "dangling.wav");
    ASSERT_EQ(writeWhole(dir.file("dangling.wav"), "made"), Status::Ok);
    EXPECT_EQ(test::readFile(dir.file("real/later.wav")), bytesOf("made"));
    fs::create_symlink("loop-b", dir.path() / "loop-a");
    fs::create_symlink("loop-a", dir.path() / "loop-b");
    EXPECT_EQ(writeWhole(dir.file("loop-a"), "x"), Status::CannotCreate);
    EXPECT_TRUE(fs::is_symlink(dir.path() / "loop-a"));
}

TEST_F(AtomicFileWriterTest, FoldersDevicesPipesAndWriteProtectedFilesAreNotReplaced) {
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::string locked = dir.file("locked.tqxproj");
    test::writeFile(locked, bytesOf("keep"));
    ::chmod(locked.c_str(), 0444);  // the mode counts even for root
    struct Case {
        std::string path;
        Status status;
        FileKind kind;
    };
    for (const Case& c :
         {Case{dir.path().string(), Status::NotRegular, FileKind::Directory},
          Case{"/dev/null", Status::NotRegular, FileKind::Device}, Case{fifo, Status::NotRegular, FileKind::Fifo},
          Case{locked, Status::ReadOnly, FileKind::Regular}}) {
        SCOPED_TRACE(c.path);
        AtomicFileWriter file(c.path);
        EXPECT_EQ(file.open(), c.status);
        EXPECT_EQ(file.targetKind(), c.kind);
    }
    EXPECT_EQ(fileKindOf("/dev/null"), FileKind::Device);
    EXPECT_EQ(test::readFile(locked), bytesOf("keep"));
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"locked.tqxproj", "pipe"}));
    EXPECT_EQ(readOnlyFileMessage("/p/a.tqxproj"),
              "エラー。「/p/a.tqxproj」は読み取り専用のため上書きできません。ファイルは書き込んでいません。");
}

TEST_F(AtomicFileWriterTest, EveryNameTheFolderCanHoldCanBeWritten) {
    for (std::size_t length : {240u, 243u, 255u}) {
        const std::string name = std::string(length - 4, 'n') + ".wav";
        ASSERT_EQ(writeWhole(dir.file(name), "x"), Status::Ok) << length;
        EXPECT_EQ(test::readFile(dir.file(name)), bytesOf("x"));
    }
    EXPECT_EQ(namesIn(dir.path()).size(), 3u);
}

TEST_F(AtomicFileWriterTest, WhatAKilledWriterLeftIsRemovedByTheNextOneInThatFolder) {
    const std::string path = dir.file("mix.wav");
    test::writeFile(path, bytesOf("good"));
    const int signal = test::killedPastFileSize(100, [&] {
        AtomicFileWriter file(path);
        if (file.open() != Status::Ok) return;
        const std::string chunk(64, 'k');
        for (int i = 0; i < 10; ++i) file.write(chunk.data(), chunk.size());
    });
    ASSERT_EQ(signal, SIGXFSZ);
    std::vector<std::string> left = namesIn(dir.path());
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[1], "mix.wav");
    EXPECT_TRUE(AtomicFileWriter::isTemporaryName(left[0]));
    EXPECT_LE(left[0].size(), 30u);
    EXPECT_EQ(test::readFile(path), bytesOf("good"));

    // Temporaries of living writers stay: one of this process, and one named as if by
    // process 1, which is always there.
    AtomicFileWriter busy(dir.file("other.wav"));
    ASSERT_EQ(busy.open(), Status::Ok);
    test::writeFile(dir.file(".tqx-1-7.tmp"), bytesOf("init's"));
    ASSERT_EQ(writeWhole(dir.file("another.wav"), "a"), Status::Ok);
    left = namesIn(dir.path());
    EXPECT_EQ(left.size(), 4u);  // .tqx-1-7.tmp, busy's temporary, another, mix
    EXPECT_TRUE(std::find(left.begin(), left.end(), ".tqx-1-7.tmp") != left.end());
    busy.discard();
    ::unlink(dir.file(".tqx-1-7.tmp").c_str());
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"another.wav", "mix.wav"}));
}

}  // namespace
}  // namespace tqx
