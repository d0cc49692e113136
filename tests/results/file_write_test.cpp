// Output targets that are not plain files: links, FIFOs, devices; temporary files on a signal.
#include "results/FileWrite.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace korvel;

namespace {

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int Temporaries(const fs::path& dir) {
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().filename().string().find(".tmp-") != std::string::npos) ++n;
    return n;
}

class FileWriteTarget : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("korvel-filewrite-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "real");
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

} // namespace

// A link stays a link and its final target, through a chain and a relative link, is replaced.
TEST_F(FileWriteTarget, LinkIsFollowedAndItsTargetReplaced) {
    const fs::path target = dir_ / "real" / "out.json";
    std::ofstream(target) << "old";
    fs::create_symlink("real/out.json", dir_ / "link1");
    fs::create_symlink(dir_ / "link1", dir_ / "link2");
    ASSERT_EQ(WriteFileAtomically((dir_ / "link2").string(), "new"), "");
    EXPECT_TRUE(fs::is_symlink(dir_ / "link1"));
    EXPECT_TRUE(fs::is_symlink(dir_ / "link2"));
    EXPECT_EQ(ReadAll(target), "new");
    // A dangling link creates its target.
    fs::create_symlink("real/fresh.csv", dir_ / "dangling");
    ASSERT_EQ(WriteFilesAtomically({{(dir_ / "dangling").string(), "x"}}), "");
    EXPECT_TRUE(fs::is_symlink(dir_ / "dangling"));
    EXPECT_EQ(ReadAll(dir_ / "real" / "fresh.csv"), "x");
    // A circle of links is refused, and nothing is left behind.
    fs::create_symlink(dir_ / "loopB", dir_ / "loopA");
    fs::create_symlink(dir_ / "loopA", dir_ / "loopB");
    const std::string err = WriteFileAtomically((dir_ / "loopA").string(), "y");
    EXPECT_NE(err.find("символических ссылок"), std::string::npos) << err;
    EXPECT_EQ(Temporaries(dir_) + Temporaries(dir_ / "real"), 0);
}

// A FIFO stays a FIFO and its reader receives the text; no temporary file is made.
TEST_F(FileWriteTarget, FifoIsWrittenDirectly) {
    const fs::path fifo = dir_ / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = ReadAll(fifo); });
    const std::string text(200000, 'z'); // more than a pipe holds at once
    const std::string err = WriteFilesAtomically({{(dir_ / "a.csv").string(), "a"}, {fifo.string(), text}});
    reader.join();
    EXPECT_EQ(err, "");
    EXPECT_EQ(received.size(), text.size());
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(ReadAll(dir_ / "a.csv"), "a");
    EXPECT_EQ(Temporaries(dir_), 0);
}

// A device node stays a device (made only where the test may make one).
TEST_F(FileWriteTarget, DeviceStaysADevice) {
    if (::geteuid() != 0) GTEST_SKIP() << "making a device node needs root";
    const fs::path dev = dir_ / "null";
    if (::mknod(dev.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) GTEST_SKIP() << "mknod refused here";
    ASSERT_EQ(WriteFileAtomically(dev.string(), "into the device"), "");
    EXPECT_TRUE(fs::is_character_file(dev));
    EXPECT_EQ(CheckOutputWritable(dev.string()), 0);
    EXPECT_EQ(Temporaries(dir_), 0);
}

// A folder is never replaced, and the reason says what is there.
TEST_F(FileWriteTarget, FolderIsRefused) {
    const std::string err = WriteFileAtomically((dir_ / "real").string(), "x");
    EXPECT_NE(err.find("папка"), std::string::npos) << err;
    EXPECT_TRUE(fs::is_directory(dir_ / "real"));
    EXPECT_EQ(CheckOutputWritable((dir_ / "real").string()), EISDIR);
    EXPECT_EQ(CheckOutputWritable((dir_ / "none" / "x").string()), ENOENT);
    EXPECT_EQ(CheckOutputWritable((dir_ / "x").string()), 0);
    EXPECT_EQ(Temporaries(dir_), 0);
}

// A program ended by SIGINT, SIGTERM or SIGHUP while its temporary files exist leaves none behind
// and the old file as it was. The child is held inside the write by a FIFO that nobody reads yet.
TEST_F(FileWriteTarget, SignalRemovesTemporaryFiles) {
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        const fs::path old = dir_ / "study.csv", fifo = dir_ / "held";
        std::ofstream(old) << "old";
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const std::string big(1 << 20, 'r');
            WriteFilesAtomically({{old.string(), big}, {fifo.string(), "x"}});
            ::_exit(0);
        }
        // Wait for the temporary file of study.csv: the child is then blocked opening the FIFO.
        int status = 0;
        bool ended = false;
        while (Temporaries(dir_) == 0 && !ended) {
            ended = ::waitpid(child, &status, WNOHANG) == child;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_FALSE(ended) << "the write ended without waiting for the FIFO's reader";
        ASSERT_EQ(::kill(child, sig), 0);
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig)
            << "signal " << sig << ", status " << status;
        EXPECT_EQ(Temporaries(dir_), 0) << "signal " << sig;
        EXPECT_EQ(ReadAll(old), "old");
        fs::remove(fifo);
    }
}
