// korvel-batch against hostile input and odd outputs: devices, FIFOs and links as targets, values out of
// their range, exit codes, counts that would overflow, text that must not reach the terminal raw.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Result {
    int rc = -1;
    std::string out, err;
};

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int Temporaries(const fs::path& dir) {
    int n = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.path().filename().string().find(".tmp-") != std::string::npos) ++n;
    return n;
}

class HostileBatch : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("korvel-hostile-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    Result Run(const std::string& args) {
        const fs::path out = dir_ / "stdout.txt", err = dir_ / "stderr.txt";
        const std::string cmd =
            std::string(KORVEL_BATCH) + " " + args + " >'" + out.string() + "' 2>'" + err.string() + "'";
        const int status = std::system(cmd.c_str());
        Result r;
        r.rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = ReadAll(out);
        r.err = ReadAll(err);
        fs::remove(out);
        fs::remove(err);
        return r;
    }
    static std::string Q(const fs::path& p) {
        std::string quoted(1, '\'');
        quoted += p.string();
        quoted += '\'';
        return quoted;
    }
    fs::path dir_;
};

} // namespace

// --json, --save-case and --out onto a FIFO (a reader takes the text, the FIFO stays), through a link
// (the link stays, its target is replaced), onto a device node (it stays a device).
TEST_F(HostileBatch, FifoLinkAndDeviceTargets) {
    const fs::path fifo = dir_ / "fifo";
    const char* runs[][2] = {{"--steps 2 --json ", "\"tau\""},
                             {"--save-case ", "korvel-case"},
                             {"--sweep Vlit=1.5 --steps 2 --out ", "metallurgicalLength"}};
    for (const auto& run : runs) {
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        std::string received;
        std::thread reader([&] { received = ReadAll(fifo); });
        const Result r = Run(std::string(run[0]) + Q(fifo));
        reader.join();
        EXPECT_EQ(r.rc, 0) << run[0] << r.err;
        EXPECT_NE(received.find(run[1]), std::string::npos) << run[0] << received.substr(0, 200);
        EXPECT_TRUE(fs::is_fifo(fifo)) << run[0];
        fs::remove(fifo);

        fs::create_directories(dir_ / "real");
        std::ofstream(dir_ / "real" / "target") << "old";
        fs::create_symlink("real/target", dir_ / "link");
        const Result l = Run(std::string(run[0]) + Q(dir_ / "link"));
        EXPECT_EQ(l.rc, 0) << run[0] << l.err;
        EXPECT_TRUE(fs::is_symlink(dir_ / "link")) << run[0];
        EXPECT_NE(ReadAll(dir_ / "real" / "target").find(run[1]), std::string::npos) << run[0];
        fs::remove(dir_ / "link");
        EXPECT_EQ(Temporaries(dir_), 0) << run[0];
    }
    if (::geteuid() != 0) GTEST_SKIP() << "making a device node needs root";
    const fs::path dev = dir_ / "null";
    if (::mknod(dev.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) GTEST_SKIP() << "mknod refused here";
    for (const auto& run : runs) {
        const Result r = Run(std::string(run[0]) + Q(dev));
        EXPECT_EQ(r.rc, 0) << run[0] << r.err;
        EXPECT_TRUE(fs::is_character_file(dev)) << run[0];
    }
}

// Standard output by name gets the text; it is not replaced by a file.
TEST_F(HostileBatch, StandardOutputByName) {
    const Result r = Run("--steps 2 --json /dev/stdout");
    EXPECT_EQ(r.rc, 0) << r.err;
    EXPECT_NE(r.out.find("\"tau\""), std::string::npos);
    EXPECT_NE(r.out.find("Сетка 10 x 10"), std::string::npos); // the summary before it is kept
}

// SIGINT while the CSV set is being written (held there by a FIFO among the files) leaves no temporary
// file and the old files as they were.
TEST_F(HostileBatch, InterruptedWriteLeavesNoTemporaryFile) {
    const fs::path csv = dir_ / "csv";
    fs::create_directories(csv);
    std::ofstream(csv / "history.csv") << "old";
    ASSERT_EQ(::mkfifo((csv / "summary.csv").c_str(), 0600), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::freopen("/dev/null", "w", stdout);
        ::freopen("/dev/null", "w", stderr);
        ::execl(KORVEL_BATCH, KORVEL_BATCH, "--steps", "20", "--csv", csv.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    bool ended = false;
    while (Temporaries(csv) == 0 && !ended) {
        ended = ::waitpid(child, &status, WNOHANG) == child;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_FALSE(ended) << "korvel-batch ended before writing: status " << status;
    ASSERT_EQ(::kill(child, SIGINT), 0);
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    EXPECT_EQ(Temporaries(dir_), 0);
    EXPECT_EQ(ReadAll(csv / "history.csv"), "old");
}

// Every value an audit found accepted is refused with exit 2, naming the key; a study refuses such rows.
TEST_F(HostileBatch, OutOfRangeValuesRefused) {
    for (const char* kv : {"Vlit=-10", "C=-0.2", "S=-1", "H2=-1", "Mn=200", "C=1e300", "Q1=-5", "Nn1=-8",
                           "Nn2=0.5", "Rkorvel=-14", "Lkrist=-0.8", "Lzvo=-6", "Lend2=-100", "HalfX=1e300",
                           "TauEnd=-1", "T0=1000", "Dt=0"}) {
        const Result r = Run(kv);
        const std::string key = std::string(kv).substr(0, std::string(kv).find('='));
        EXPECT_EQ(r.rc, 2) << kv << "\n" << r.err;
        EXPECT_EQ(r.err.rfind("korvel-batch: " + key + " (", 0), 0u) << kv << "\n" << r.err;
        EXPECT_TRUE(r.err.find("вне диапазона") != std::string::npos ||
                    r.err.find("целое число") != std::string::npos)
            << kv << "\n"
            << r.err;
        EXPECT_EQ(r.out, "") << kv;
    }
    // A section end before the mould exit: the section length is named.
    const Result l = Run("Lend1=0.5");
    EXPECT_EQ(l.rc, 2) << l.err;
    EXPECT_NE(l.err.find("(l1)"), std::string::npos) << l.err;
    const Result s = Run("--sweep C=-0.2,0.2 --sweep S=-1,0.04 --steps 2");
    EXPECT_EQ(s.rc, 4) << s.err;
    for (const char* row :
         {"\n1,-0.2,-1,refused,", "\n2,-0.2,0.04,refused,", "\n3,0.2,-1,refused,", "\n4,0.2,0.04,stopped,"})
        EXPECT_NE(s.out.find(row), std::string::npos) << row << "\n" << s.out;
    EXPECT_EQ(s.out.find("completed"), std::string::npos) << s.out;
}

// Exit codes and messages as the help states them.
TEST_F(HostileBatch, ExitCodesAndMessages) {
    const struct {
        std::string args;
        int rc;
        const char* says;
    } cases[] = {
        {"--save-case " + Q(dir_ / "a.korvel") + " L=3", 2, "L ("},
        {"--save-case " + Q(dir_ / "b.korvel") + " L=101", 2, "вне диапазона 4..100"},
        {"--save-case " + Q(dir_ / "c.korvel") + " Vlit=nan", 2, "Vlit"},
        {"--save-case " + Q(dir_ / "d.korvel") + " Dt=inf", 2, "Dt"},
        {"--sweep Vlit=1.5 --out " + Q(dir_ / "no" / "s.csv"), 1, "папка не существует"},
        {"--steps 2 --json " + Q(dir_ / "no" / "r.json"), 1, "папка не существует"},
        {"--version --foo", 2, "«--foo»"},
        {"--part 1/2147483647 --sweep Vlit=1.5", 2, "от 1 до 1000000"},
        {"--part 1/99999999999999999999 --sweep Vlit=1.5", 2, "от 1 до 1000000"},
        {"L=2147483648", 2, "2147483648 вне диапазона 4..100"},
        {"C=+-0.2", 2, "«+-0.2» не является числом"},
        {"--sweep C=+-0.2", 2, "не является числом"},
    };
    for (const auto& c : cases) {
        const Result r = Run(c.args);
        EXPECT_EQ(r.rc, c.rc) << c.args << "\n" << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args << "\n" << r.err;
    }
    EXPECT_FALSE(fs::exists(dir_ / "a.korvel"));
    // Seven sweeps of 1000 values: the count is told, not overflowed.
    std::string seven;
    for (const char* key : {"C", "Mn", "Si", "S", "P", "Cr", "Ni"})
        seven += std::string(" --sweep ") + key + "=0:0.999:0.001";
    const Result big = Run(seven);
    EXPECT_EQ(big.rc, 2) << big.err;
    EXPECT_NE(big.err.find("слишком много расчетов: около 1e+21"), std::string::npos) << big.err;
    // A value too small for a double is a number: zero, inside the range of carbon (iron without carbon
    // is poured hotter).
    const Result tiny = Run("C=1e-400 T0=1560 --steps 2");
    EXPECT_EQ(tiny.rc, 0) << tiny.err;
}

// Argument text reaches the terminal escaped and cut.
TEST_F(HostileBatch, EchoedTextIsSafeToPrint) {
    const Result esc = Run("'\x1b[31mKey=1'");
    EXPECT_EQ(esc.rc, 2);
    EXPECT_EQ(esc.err.find('\x1b'), std::string::npos) << esc.err;
    EXPECT_NE(esc.err.find("\\u001b[31mKey"), std::string::npos) << esc.err;
    const Result longKey = Run(std::string(5000, 'k') + "=1");
    EXPECT_EQ(longKey.rc, 2);
    EXPECT_LT(longKey.err.size(), 400u) << longKey.err.size();
    EXPECT_NE(longKey.err.find("k…"), std::string::npos) << longKey.err;
    const Result sweep = Run("--sweep 'C=0.1,\x1b]0;x\x07'");
    EXPECT_EQ(sweep.rc, 2);
    EXPECT_EQ(sweep.err.find('\x1b'), std::string::npos) << sweep.err;
    EXPECT_NE(sweep.err.find("\\u001b]0;x\\u0007"), std::string::npos) << sweep.err;
}
