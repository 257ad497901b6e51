// The files of the POSIX stand-in layer where they have no Windows
// counterpart to be checked against (windows_api_files_test.cpp runs on
// both): paths only POSIX has, locks, standard input and pipes, bad handles,
// and the fault seam with the system errors it translates.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <future>
#include <string>

#include "FaultInjection.h"
#include "TestFiles.h"
#include "WindowsCalls.h"
#include "tansy_harness.h"

namespace {

int OpenDescriptorCount()
{
    int count = 0;
    DIR* folder = opendir("/proc/self/fd");
    if (folder == nullptr) return -1;
    while (readdir(folder) != nullptr) ++count;
    closedir(folder);
    return count;
}

// Checks that a test leaves no handle and no descriptor open.
class PosixFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        TansyClearFaults();
        handles_ = TansyOpenHandleCount();
        descriptors_ = OpenDescriptorCount();
    }
    void TearDown() override
    {
        TansyClearFaults();
        EXPECT_EQ(TansyOpenHandleCount(), handles_) << "a handle was left open";
        EXPECT_EQ(OpenDescriptorCount(), descriptors_) << "a descriptor leaked";
    }

private:
    unsigned handles_ = 0;
    int descriptors_ = 0;
};

}  // namespace

// ---- Files -----------------------------------------------------------------

TEST_F(PosixFile, OpenFailuresOfPosixPaths)
{
    const std::string folder = TempDir();
    const std::string file = WriteTempFile("x");
    EXPECT_EQ(OpenError("/dev/null"), ERROR_ACCESS_DENIED);
    std::string deep = folder;
    while (deep.size() <= PATH_MAX) deep += "/abcdefgh";
    EXPECT_EQ(OpenError(deep), ERROR_FILENAME_EXCED_RANGE);

    const std::string loop = folder + "/loop";
    ASSERT_EQ(symlink(loop.c_str(), loop.c_str()), 0);
    EXPECT_EQ(OpenError(loop), ERROR_CANT_RESOLVE_FILENAME);
    unlink(loop.c_str());
    EXPECT_EQ(OpenError(file), 0u);
}

TEST_F(PosixFile, UnreadableFileIsAccessDenied)
{
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
    const std::string file = WriteTempFile("secret");
    ASSERT_EQ(chmod(file.c_str(), 0), 0);
    EXPECT_EQ(OpenError(file), ERROR_ACCESS_DENIED);
}

TEST_F(PosixFile, FifoIsRefusedWithoutWaitingForAWriter)
{
    const std::string fifo = TempDir() + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto opening = std::async(std::launch::async, [&] { return OpenError(fifo); });
    if (opening.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Release the blocked open so the test can end.
        const int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) close(writer);
        ADD_FAILURE() << "CreateFileA blocked on a FIFO";
    }
    EXPECT_EQ(opening.get(), ERROR_ACCESS_DENIED);
    unlink(fifo.c_str());
}

TEST_F(PosixFile, WhileReadersHoldTheFileAWriterCannotLockIt)
{
    const std::string path = WriteTempFile("locked");
    const int writer = open(path.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    const HANDLE reader = OpenForReading(path);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenError(path), 0u) << "readers share the file";
    EXPECT_NE(flock(writer, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(errno, EWOULDBLOCK);
    EXPECT_TRUE(CloseHandle(reader));
    EXPECT_EQ(flock(writer, LOCK_EX | LOCK_NB), 0);
    close(writer);
}

TEST_F(PosixFile, BadHandlesAndArguments)
{
    char buffer[8];
    DWORD got = 77;
    for (const HANDLE bad : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {
        SetLastError(0);
        EXPECT_FALSE(ReadFile(bad, buffer, sizeof buffer, &got, nullptr));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        EXPECT_EQ(got, 0u);
        SetLastError(0);
        EXPECT_FALSE(CloseHandle(bad));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    }
    const HANDLE file = OpenForReading(WriteTempFile("abc"));
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SetLastError(0);
    EXPECT_FALSE(ReadFile(file, buffer, sizeof buffer, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(CloseHandle(file));
    SetLastError(0);
    EXPECT_FALSE(ReadFile(file, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE) << "read after close";
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(file));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE) << "second close";

    SetLastError(0);
    EXPECT_EQ(CreateFileA(WriteTempFile("w").c_str(), GENERIC_READ | 0x40000000u, 0, nullptr,
                          OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << "this layer only reads";
}

TEST_F(PosixFile, StandardInput)
{
    EXPECT_EQ(GetStdHandle(STD_INPUT_HANDLE), reinterpret_cast<HANDLE>(1));
    SetLastError(0);
    EXPECT_EQ(GetStdHandle(12345), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    // A process without a standard input gets a null handle, and reading it fails.
    const int saved = dup(0);
    ASSERT_GE(saved, 0);
    close(0);
    const HANDLE none = GetStdHandle(STD_INPUT_HANDLE);
    char buffer[4];
    DWORD got = 7;
    const BOOL read = ReadFile(none, buffer, sizeof buffer, &got, nullptr);
    const DWORD code = GetLastError();
    dup2(saved, 0);
    close(saved);
    EXPECT_EQ(none, nullptr);
    EXPECT_FALSE(read);
    EXPECT_EQ(code, ERROR_INVALID_HANDLE);
}

TEST_F(PosixFile, ReadsFromAPipeHandle)
{
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    ASSERT_EQ(write(ends[1], "piped", 5), 5);
    close(ends[1]);
    const HANDLE reader = reinterpret_cast<HANDLE>(static_cast<intptr_t>(ends[0]) + 1);
    char buffer[16];
    DWORD got = 0;
    // An interrupted read is made again.
    TansyFailNthSystemCall(TansySystemCall::Read, 1, EINTR);
    ASSERT_TRUE(ReadFile(reader, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(std::string(buffer, got), "piped");
    EXPECT_EQ(TansyFaultsStruck(), 1u);
    ASSERT_TRUE(ReadFile(reader, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(got, 0u);
    EXPECT_TRUE(CloseHandle(reader));
}

// ---- The fault seam --------------------------------------------------------

TEST_F(PosixFile, PlannedCallFailuresStrikeOnceAtTheNthCall)
{
    const std::string path = WriteTempFile("0123456789");
    const unsigned openBefore = TansyOpenHandleCount();
    TansyFailNthCall(TansyCall::CreateFileA, 2, ERROR_TOO_MANY_OPEN_FILES);
    const HANDLE first = OpenForReading(path);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    SetLastError(0);
    EXPECT_EQ(OpenForReading(path), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_TOO_MANY_OPEN_FILES);
    EXPECT_EQ(TansyGetLastError(), ERROR_TOO_MANY_OPEN_FILES) << "the harness reads the same value";
    const HANDLE third = OpenForReading(path);
    ASSERT_NE(third, INVALID_HANDLE_VALUE);
    EXPECT_EQ(TansyCallCount(TansyCall::CreateFileA), 3u);
    EXPECT_EQ(TansyOpenHandleCount(), openBefore + 2);

    // A failed read reads nothing: the next read starts where it would have.
    char buffer[4];
    DWORD got = 77;
    TansyFailNthCall(TansyCall::ReadFile, 1, ERROR_READ_FAULT);
    EXPECT_FALSE(ReadFile(first, buffer, 4, &got, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_READ_FAULT);
    EXPECT_EQ(got, 0u);
    ASSERT_TRUE(ReadFile(first, buffer, 4, &got, nullptr));
    EXPECT_EQ(std::string(buffer, got), "0123");

    // A failed close still releases the handle.
    const unsigned open = TansyOpenHandleCount();
    TansyFailNthCall(TansyCall::CloseHandle, 1, ERROR_INVALID_HANDLE);
    EXPECT_FALSE(CloseHandle(first));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(TansyOpenHandleCount(), open - 1);
    EXPECT_TRUE(CloseHandle(third));
    EXPECT_EQ(TansyFaultsStruck(), 3u);

    // Zero cancels a plan; clearing drops every plan and counter.
    TansyFailNthCall(TansyCall::CreateFileA, 1, ERROR_ACCESS_DENIED);
    TansyFailNthCall(TansyCall::CreateFileA, 0, ERROR_ACCESS_DENIED);
    EXPECT_EQ(OpenError(path), 0u);
    TansyFailNthCall(TansyCall::CreateFileA, 1, ERROR_ACCESS_DENIED);
    TansyClearFaults();
    EXPECT_EQ(OpenError(path), 0u);
    EXPECT_EQ(TansyCallCount(TansyCall::CreateFileA), 1u);
    EXPECT_EQ(TansyFaultsStruck(), 0u);
}

TEST_F(PosixFile, SystemCallErrorsBecomeWindowsCodes)
{
    const std::string path = WriteTempFile("data");
    struct Case {
        TansySystemCall call;
        int error;
        DWORD code;
    };
    const Case opens[] = {
        {TansySystemCall::Open, EMFILE, ERROR_TOO_MANY_OPEN_FILES},
        {TansySystemCall::Open, ENFILE, ERROR_TOO_MANY_OPEN_FILES},
        {TansySystemCall::Open, ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
        {TansySystemCall::Open, EACCES, ERROR_ACCESS_DENIED},
        {TansySystemCall::Open, EPERM, ERROR_ACCESS_DENIED},
        {TansySystemCall::Open, EXDEV, ERROR_GEN_FAILURE},  // no better code
        {TansySystemCall::Stat, ELOOP, ERROR_CANT_RESOLVE_FILENAME},
        {TansySystemCall::Stat, EIO, ERROR_READ_FAULT},
        {TansySystemCall::Fstat, EIO, ERROR_READ_FAULT},
        {TansySystemCall::Fcntl, EBADF, ERROR_INVALID_HANDLE},
        {TansySystemCall::Flock, EWOULDBLOCK, ERROR_SHARING_VIOLATION},
        {TansySystemCall::Flock, EIO, ERROR_READ_FAULT},
    };
    for (const Case& c : opens) {
        TansyFailNthSystemCall(c.call, 1, c.error);
        EXPECT_EQ(OpenError(path), c.code) << static_cast<int>(c.call) << " " << c.error;
        TansyClearFaults();
    }

    // Interrupted calls are made again; a file system without locks still opens.
    for (const TansySystemCall call : {TansySystemCall::Open, TansySystemCall::Flock}) {
        TansyFailNthSystemCall(call, 1, EINTR);
        EXPECT_EQ(OpenError(path), 0u) << static_cast<int>(call);
    }
    TansyFailNthSystemCall(TansySystemCall::Flock, 1, ENOLCK);
    EXPECT_EQ(OpenError(path), 0u);

    const HANDLE file = OpenForReading(path);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char buffer[8];
    DWORD got = 0;
    TansyFailNthSystemCall(TansySystemCall::Read, 1, EIO);
    EXPECT_FALSE(ReadFile(file, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_READ_FAULT);
    TansyFailNthSystemCall(TansySystemCall::Read, 1, EISDIR);
    EXPECT_FALSE(ReadFile(file, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    TansyFailNthSystemCall(TansySystemCall::Close, 1, EIO);
    EXPECT_FALSE(CloseHandle(file));
    EXPECT_EQ(GetLastError(), ERROR_READ_FAULT);
    // The fixture checks that the descriptor was released all the same.
}

TEST_F(PosixFile, MissingFileTellsFileFromFolderEvenWhenTheCheckFails)
{
    // The second stat looks at the folder; when that fails too, the folder counts as missing.
    TansyFailNthSystemCall(TansySystemCall::Stat, 2, EIO);
    EXPECT_EQ(OpenError(TempDir() + "/absent"), ERROR_PATH_NOT_FOUND);
}
