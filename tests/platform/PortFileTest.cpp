// First, alone: the header must compile by itself.
#include "platform/PortFile.h"

#include "platform/FileSystem.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>

namespace {

using platform::PortFile;
using testsupport::TempDir;

TEST(PortFileTest, AppendKeepsAndCreateStartsAnew) {
    TempDir dir;
    std::string arq = dir.file("saida.prn");
    PortFile f;
    f.Open(arq, PortFile::Criar);
    EXPECT_EQ(f.Write("one"), 3u);
    f.Close();
    f.Open(arq, PortFile::Anexar);
    f.Write(std::string("\0two", 4));
    f.Close();
    EXPECT_EQ(platform::ReadFile(arq), std::string("one\0two", 7));
    f.Open(arq, PortFile::Criar);
    f.Close();
    EXPECT_EQ(platform::ReadFile(arq), "");
}

TEST(PortFileTest, AMissingDeviceIsNeverCreated) {
    TempDir dir;
    PortFile f;
    std::error_code erro;
    f.Open(dir.file("lp0"), PortFile::Dispositivo, false, erro);
    EXPECT_EQ(erro, std::errc::no_such_file_or_directory);
    EXPECT_FALSE(platform::FileExists(dir.file("lp0")));
    platform::AppendFile(dir.file("lp0"), "kept");
    f.Open(dir.file("lp0"), PortFile::Dispositivo);
    f.Write("K");
    f.Close();
    EXPECT_EQ(platform::ReadFile(dir.file("lp0")), "Kept");
}

TEST(PortFileTest, ExclusiveOpenRefusesASecondWriter) {
    TempDir dir;
    PortFile a, b;
    a.Open(dir.file("x"), PortFile::Anexar, true);
    std::error_code erro;
    b.Open(dir.file("x"), PortFile::Anexar, true, erro);
    EXPECT_EQ(erro, std::errc::device_or_resource_busy);
    a.Close();
    b.Open(dir.file("x"), PortFile::Anexar, true, erro);
    EXPECT_FALSE(erro);
}

TEST(PortFileTest, OpenFailuresNameTheFileAndTheReason) {
    TempDir dir;
    PortFile f;
    try {
        f.Open(dir.file("missing/folder.prn"), PortFile::Criar);
        FAIL();
    } catch (const platform::PlatformError& e) {
        EXPECT_NE(std::string(e.what()).find("missing/folder.prn"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("No such file or directory"), std::string::npos);
    }
    // A pipe nobody reads is a port with nothing behind it.
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    std::error_code erro;
    f.Open(dir.file("fifo"), PortFile::Criar, false, erro);
    EXPECT_EQ(erro, std::errc::no_such_device_or_address);
}

TEST(PortFileTest, AStalledDeviceGivesUpWhenAskedAndReportsWhatWent) {
    TempDir dir;
    std::string fifo = dir.file("lp");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    int leitor = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK); // opened, never read: a printer out of paper
    PortFile f;
    f.Open(fifo, PortFile::Criar);
    std::atomic<bool> parar{false};
    std::string muito(1 << 20, 'x');
    std::size_t escritos = 0;
    std::thread t([&] { escritos = f.Write(muito, &parar); });
    parar = true;
    t.join();
    EXPECT_LT(escritos, muito.size());
    ::close(leitor);
}

TEST(PortFileTest, LptNamesAreTheParallelPorts) {
    const std::pair<const char*, const char*> casos[] = {{"LPT1", "/dev/lp0"},
                                                         {"lpt2", "/dev/lp1"},
                                                         {"LPT0", "LPT0"},
                                                         {"LPTX", "LPTX"},
                                                         {"/dev/lp0", "/dev/lp0"}};
    for (const auto& [nome, caminho] : casos)
        EXPECT_EQ(platform::ParallelPortPath(nome), caminho) << nome;
}

} // namespace
